#pragma once
// A device that floods a pseudo-terminal from a thread of its own, key presses arriving while
// the terminal is busy with it, and a watch over the traffic list that checks the received
// stream byte for byte.
#include "Pty.h"
#include "StreamPattern.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <memory>
#include <vector>

class frmMain;
class TrafficListModel;

namespace faults {

// Sends the first `total` bytes of the stream pattern into the pty as fast as the terminal
// on the slave takes them, and keeps every byte the terminal sends back.
class FloodingDevice {
public:
    explicit FloodingDevice(qint64 total);
    ~FloodingDevice(); // stops the thread
    FloodingDevice(const FloodingDevice &) = delete;
    FloodingDevice &operator=(const FloodingDevice &) = delete;

    bool isValid() const { return m_pty.isValid(); }
    QString slavePath() const { return m_pty.slavePath(); }

    void start();
    // Ends the thread; whatever arrived until then stays in received().
    void stop();
    qint64 bytesSent() const { return m_sent.load(); }
    QByteArray received() const;

private:
    void run();
    void receive();
    void sendSome();

    Pty m_pty;
    const qint64 m_total;
    std::atomic<qint64> m_sent{0};
    QByteArray m_pending; // the pattern's next bytes, on the device's thread
    std::atomic<bool> m_stop{false};
    mutable QMutex m_lock;
    QByteArray m_received; // under m_lock
    std::unique_ptr<QThread> m_thread;
};

// Checks the "[IN]" lines of the traffic list against the stream pattern as they are
// appended (raw display: one character per byte), and collects the data of the "[OUT]" lines.
//
// Waiting for the stream: use streamEnded() with a QSignalSpy. Its wait runs the event loop as
// the program does, blocking until something happens; QTRY_* instead polls the loop between
// sleeps of 10 ms, which takes a pty's few kilobytes per pass and turns a flood into a trickle.
class TrafficStreamCheck : public QObject {
    Q_OBJECT
public:
    // expectedBytes: when streamEnded() is emitted; 0 for never.
    explicit TrafficStreamCheck(TrafficListModel &model, qint64 expectedBytes = 0);

    const streampattern::StreamChecker &checker() const { return m_checker; }
    // Bytes received after the first one out of step; 0 while the stream is whole.
    qint64 bytesLost() const { return m_checker.bytesSeen() - m_checker.bytesOk(); }
    const QStringList &sentData() const { return m_sent; }
    qint64 inboundLines() const { return m_inboundLines; }
    bool ended() const;

signals:
    // Once: every expected byte arrived, or a byte came out of step.
    void streamEnded();

private:
    void onRowsInserted(int first, int last);

    TrafficListModel &m_model;
    const qint64 m_expected;
    streampattern::StreamChecker m_checker;
    QStringList m_sent;
    qint64 m_inboundLines = 0;
    bool m_endSignalled = false;
};

// Presses keys on the send field at a steady pace: a thread of its own queues each press for
// the user-interface thread at its time, as the window system queues input; there it is
// delivered as a real key event, with shortcuts. What the user waits is the time from the
// queueing to the press having taken effect. The presses follow a fixed cycle: three letters,
// F1, Enter (sends the letters), F2.
class KeyPressProbe : public QObject {
public:
    // What F1 and F2 send; ProbePresets() is a DefaultCommands.icf holding them.
    static inline const QByteArray kPresetF1 = QByteArrayLiteral("K1");
    static inline const QByteArray kPresetF2 = QByteArrayLiteral("K2");
    static QByteArray ProbePresets();

    KeyPressProbe(frmMain &form, TrafficListModel &model, int intervalMs);
    ~KeyPressProbe() override;

    void start();
    // No further presses are queued; those queued already are still handled.
    void stop();

    int queued() const { return m_queued.load(); }
    int handled() const { return m_handled; }
    // Presses whose effect did not show (a letter not in the field, a send without a line).
    int withoutEffect() const { return m_withoutEffect; }
    // Bytes the device must have received for the presses queued, in order.
    QByteArray expectedBytes() const;
    qint64 maxLatencyMs() const;
    qint64 medianLatencyMs() const;

private:
    void queueNext();
    void press(int index, qint64 queuedAtMs);

    frmMain &m_form;
    TrafficListModel &m_model;
    const int m_intervalMs;
    QElapsedTimer m_clock;
    std::atomic<int> m_queued{0};
    int m_handled = 0;
    int m_withoutEffect = 0;
    std::vector<qint64> m_latenciesMs;
    std::unique_ptr<QThread> m_thread;
};

// The data part of a traffic list line, behind the time stamp and the marker.
QString TrafficLineData(const QString &line);

} // namespace faults
