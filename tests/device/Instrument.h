#pragma once
// What the simulated bench instrument says, apart from the pty it says it on: bytes from the
// terminal go in, answers and scheduled output come out. Times are milliseconds on any
// steady clock.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace device {

enum class Mode { Echo, Command, Periodic, Stream };

std::optional<Mode> modeFromName(const QString &name);

struct InstrumentOptions {
    Mode mode = Mode::Command;
    qint64 intervalMs = 1000;     // periodic: one measurement line per interval
    qint64 bytesPerSecond = 0;    // stream: 0 = as fast as the line takes them
    qint64 streamBytes = 1 << 20; // stream: length
    bool startImmediately = false; // stream: start on attaching instead of on the first byte
};

inline const QByteArray kIdentification = QByteArrayLiteral("TELLURIX-SIM,Model 1,0001,1.0\r\n");

class Instrument {
public:
    explicit Instrument(const InstrumentOptions &options);

    // A terminal opened the line (again).
    void attached(qint64 nowMs);
    // Bytes from the terminal; returns the answer to send.
    QByteArray received(QByteArrayView bytes, qint64 nowMs);
    // Output that fell due by nowMs, at most `room` bytes.
    QByteArray due(qint64 nowMs, qsizetype room);
    // Milliseconds until more output falls due (0 = now), or -1 when nothing is scheduled.
    qint64 msUntilDue(qint64 nowMs) const;

    qint64 streamBytesSent() const { return m_streamSent; }
    qint64 linesMeasured() const { return m_measurements; }

private:
    QByteArray answerCommands(QByteArrayView bytes);
    static QByteArray answerTo(const QByteArray &command);
    QByteArray measurementLine();
    void startStream(qint64 nowMs);
    qint64 streamAllowance(qint64 nowMs) const;

    InstrumentOptions m_options;
    QByteArray m_line; // the command being typed
    qint64 m_nextMeasurementMs = -1;
    qint64 m_measurements = 0;
    bool m_streaming = false;
    qint64 m_paceOriginMs = 0;
    qint64 m_streamSent = 0;
};

} // namespace device
