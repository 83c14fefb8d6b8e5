#pragma once
// One terminal session on one serial line, without any window: the port, the receive poll,
// the traffic lines, the time-stamp record and the eight presets. Windows present it: they
// call its operations and follow its signals. Everything runs on the UI thread.
//
// The session owns its port; the poller, the timers and the model go before the port when it
// is destroyed, so nothing outlives what it refers to.
#include "Clock.h"
#include "CommandSet.h"
#include "Failure.h"
#include "ReceivePoller.h"
#include "SerialPort.h"
#include "Timer.h"
#include "TrafficListModel.h"

#include <QObject>
#include <QString>
#include <memory>

// How the 10 ms poll runs: only while bytes wait, resting on the same beat while the line is
// idle (the port's activity notification wakes it) and while the quiet pause of a chunk runs
// (the pause's end or the loss of the device wakes it), or always.
enum class PollCadence {
    RestWhileIdle,
    Always,
};

class TerminalSession : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 10;
    static constexpr qint64 kRestLookMs = 1000;

    explicit TerminalSession(std::unique_ptr<platform::SerialPort> port,
                             PollCadence cadence = PollCadence::RestWhileIdle,
                             QObject *parent = nullptr);
    ~TerminalSession() override;

    // Closes, configures and opens the port from the global settings. The connection goes
    // closed first and open only at the end; a failure leaves it closed and is told through
    // openFailed(), never thrown.
    void prc_MainOpenInterface();
    // The same without a report, for reconnecting: a failure returns false and leaves the
    // closed state showing closedStatusText; nothing is told through openFailed().
    bool prc_MainOpenInterface(const QString &closedStatusText);
    // The closed state shows another text, such as what the closed port waits for.
    void showClosedStatus(const QString &statusText);
    // Closes the port, if open, and stays closed: a port the user must choose first.
    void closeInterface();

    // Converts the tokens, writes the bytes and logs the sent line. A failed write throws
    // platform::Failure (after sendFailed()); nothing is logged then.
    void SendText(const QString &text);
    // Formats the time-stamp record with the marker and the data and appends the line.
    void AddTrafficLine(const QString &marker, const QString &data);
    // The same for a line that shows rawData, what went out or came in, as data.
    void AddTrafficLine(const QString &marker, const QString &data, const QString &rawData);
    void clearTraffic();

    const CommandSet &presets() const { return m_presets; }
    void setPresets(const CommandSet &presets); // tells presetsChanged()
    void setPreset(int slot, const QString &text); // slot 1..8; an edit, told to nobody

    bool isOpen() const { return m_open; }
    // True while a received chunk is being gathered.
    bool receiving() const { return m_poller->gathering(); }
    // True while the poll rests on an idle line.
    bool pollResting() const { return m_resting; }

    platform::SerialPort &port() { return *m_port; }
    TrafficListModel &traffic() { return *m_traffic; }
    const TrafficListModel &traffic() const { return *m_traffic; }
    platform::Timer &timTimer() { return *m_tick; }

    // The time-stamp record, written right before a line is made.
    platform::SystemTime stamp;

signals:
    // The connection went open or closed; statusText says so in the program's language.
    void connectionChanged(bool open, const QString &statusText);
    void openFailed(const platform::Failure &failure);
    void sendFailed(const platform::Failure &failure);
    void deviceLost();
    void lineAppended(int row);
    // After lineAppended for a sent or received line: the bytes that went out or came in,
    // whatever the display shows of them.
    void lineBytesAppended(const platform::SystemTime &stamp, const QString &marker,
                           const QByteArray &bytes);
    void trafficCleared();
    void presetsChanged();

private:
    void onTick();
    void wakePoll(platform::PortActivity what);
    void resumeAfterGathering();
    void stopTicking(bool idle);
    // The first tick after a rest, on the beat at least aheadMs from now (earlier wins).
    void scheduleWake(qint64 aheadMs);
    // The poll's next beat after now that lies at least aheadMs ahead.
    qint64 beatDueMs(qint64 now, qint64 aheadMs) const;
    bool gatherBeforeTheBeat();
    void receiveChunk();
    void onDeviceLost();
    void setConnection(bool open, const QString &statusText);
    bool openFromSettings(const QString &closedStatusText, bool report);
    void tellLineBytes(const QString &marker, const QString &lineText);

    std::unique_ptr<platform::SerialPort> m_port;
    std::unique_ptr<TrafficListModel> m_traffic;
    std::unique_ptr<ReceivePoller> m_poller;
    std::unique_ptr<platform::Timer> m_tick;
    std::unique_ptr<platform::Timer> m_wake; // the first tick after a rest, on the poll's beat
    PollCadence m_cadence;
    qint64 m_beatStartMs = 0;
    qint64 m_wakeDueMs = 0;
    qint64 m_countedForBeatMs = -1; // a chunk gathered as that beat's tick would have counted it
    bool m_resting = false;        // idle: no bytes wait
    bool m_awaitingPause = false;  // a chunk is gathered; ticks would find nothing to do
    CommandSet m_presets;
    bool m_open = false;
};
