#include "Instrument.h"

#include "StreamPattern.h"

#include <algorithm>

namespace device {

namespace {
constexpr qsizetype kLongestCommand = 4096; // a terminal that never ends its line is cut off
}

std::optional<Mode> modeFromName(const QString &name)
{
    if (name == QLatin1String("echo"))
        return Mode::Echo;
    if (name == QLatin1String("command"))
        return Mode::Command;
    if (name == QLatin1String("periodic"))
        return Mode::Periodic;
    if (name == QLatin1String("stream"))
        return Mode::Stream;
    return std::nullopt;
}

Instrument::Instrument(const InstrumentOptions &options) : m_options(options) {}

void Instrument::attached(qint64 nowMs)
{
    m_line.clear();
    if (m_options.mode == Mode::Periodic)
        m_nextMeasurementMs = nowMs + m_options.intervalMs;
    if (m_options.mode == Mode::Stream) {
        if (m_streaming)
            startStream(nowMs); // resume at the rate, without a burst for the time away
        else if (m_options.startImmediately)
            startStream(nowMs);
    }
}

QByteArray Instrument::received(QByteArrayView bytes, qint64 nowMs)
{
    switch (m_options.mode) {
    case Mode::Echo:
        return bytes.toByteArray();
    case Mode::Command:
    case Mode::Periodic:
        return answerCommands(bytes);
    case Mode::Stream:
        if (!m_streaming && !bytes.isEmpty())
            startStream(nowMs);
        return {};
    }
    return {};
}

QByteArray Instrument::answerCommands(QByteArrayView bytes)
{
    QByteArray answers;
    for (const char c : bytes) {
        if (c != '\r' && c != '\n') {
            if (m_line.size() < kLongestCommand)
                m_line.append(c);
            continue;
        }
        // "\r\n" ends one command, not a command and an empty one.
        if (!m_line.isEmpty())
            answers += answerTo(m_line);
        m_line.clear();
    }
    return answers;
}

QByteArray Instrument::answerTo(const QByteArray &command)
{
    if (command == "*IDN?")
        return kIdentification;
    if (command == "AT")
        return QByteArrayLiteral("OK\r\n");
    return QByteArrayLiteral("ERROR\r\n");
}

QByteArray Instrument::measurementLine()
{
    ++m_measurements;
    // A value that wanders but can be predicted from the counter.
    const double value = 20.0 + double(m_measurements % 40) * 0.125;
    return QStringLiteral("MEAS %1 %2\r\n").arg(m_measurements).arg(value, 0, 'f', 3).toLatin1();
}

void Instrument::startStream(qint64 nowMs)
{
    m_streaming = true;
    const qint64 rate = m_options.bytesPerSecond;
    m_paceOriginMs = rate > 0 ? nowMs - m_streamSent * 1000 / rate : nowMs;
}

qint64 Instrument::streamAllowance(qint64 nowMs) const
{
    if (!m_streaming)
        return 0;
    const qint64 rate = m_options.bytesPerSecond;
    if (rate <= 0)
        return m_options.streamBytes;
    return std::min(m_options.streamBytes, (nowMs - m_paceOriginMs) * rate / 1000);
}

QByteArray Instrument::due(qint64 nowMs, qsizetype room)
{
    QByteArray out;
    if (m_options.mode == Mode::Periodic && m_nextMeasurementMs >= 0 && nowMs >= m_nextMeasurementMs) {
        out = measurementLine();
        m_nextMeasurementMs += m_options.intervalMs;
        if (m_nextMeasurementMs <= nowMs) // fell behind: skip rather than burst
            m_nextMeasurementMs = nowMs + m_options.intervalMs;
    }
    if (m_options.mode == Mode::Stream) {
        const qint64 count = std::min<qint64>(streamAllowance(nowMs) - m_streamSent, room);
        if (count > 0) {
            out = streampattern::bytes(m_streamSent, count);
            m_streamSent += count;
        }
    }
    return out;
}

qint64 Instrument::msUntilDue(qint64 nowMs) const
{
    if (m_options.mode == Mode::Periodic && m_nextMeasurementMs >= 0)
        return std::max<qint64>(0, m_nextMeasurementMs - nowMs);
    if (m_options.mode == Mode::Stream && m_streaming && m_streamSent < m_options.streamBytes) {
        const qint64 rate = m_options.bytesPerSecond;
        if (rate <= 0)
            return 0;
        // When the next byte is allowed, rounded up to whole milliseconds.
        const qint64 nextAt = m_paceOriginMs + ((m_streamSent + 1) * 1000 + rate - 1) / rate;
        return std::max<qint64>(0, nextAt - nowMs);
    }
    return -1;
}

} // namespace device
