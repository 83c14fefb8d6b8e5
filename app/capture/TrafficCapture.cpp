#include "TrafficCapture.h"

#include "TerminalSession.h"
#include "TrafficLine.h"

TrafficCapture::TrafficCapture(TerminalSession &session, QObject *parent)
    : QObject(parent), m_flushTimer(platform::makeTimer(platform::TimerKind::SingleShot))
{
    m_flushTimer->timeout = [this] { flush(); };
    connect(&session, &TerminalSession::lineBytesAppended, this,
            [this](const platform::SystemTime &stamp, const QString &marker, const QByteArray &bytes) {
                addLine(stamp, marker, bytes);
            });
}

TrafficCapture::~TrafficCapture()
{
    // Whatever is still pending reaches the files; there is nobody left to tell of a failure.
    const QSignalBlocker quiet(this);
    stop();
}

void TrafficCapture::start(const QString &logPath, const QString &rawPath, const CaptureHeader &header)
{
    start(logPath, rawPath, header, platform::clock().nowUtc());
}

void TrafficCapture::start(const QString &logPath, const QString &rawPath, const CaptureHeader &header,
                           const platform::SystemTime &started)
{
    stop();
    std::unique_ptr<platform::AppendFile> log = platform::openAppendFile(logPath);
    std::unique_ptr<platform::AppendFile> raw;
    if (!rawPath.isEmpty())
        raw = platform::openAppendFile(rawPath);
    QByteArray first;
    // A capture continued in an older file starts on a line of its own, whatever the older
    // one's end looks like.
    if (log->endsMidLine())
        first.append('\n');
    first.append(captureHeaderLine(header, started));
    log->append(first);
    m_log = std::move(log);
    m_raw = std::move(raw);
    m_logPath = logPath;
    m_rawPath = rawPath;
    m_lastDate = started;
    emit activeChanged(true);
}

void TrafficCapture::stop()
{
    if (!m_log)
        return;
    flush();
    if (m_log)
        close();
}

void TrafficCapture::close()
{
    m_flushTimer->stop();
    m_log.reset();
    m_raw.reset();
    m_pendingLog.clear();
    m_pendingRaw.clear();
    emit activeChanged(false);
}

void TrafficCapture::addLine(const platform::SystemTime &stamp, const QString &marker, QByteArrayView bytes)
{
    if (!m_log)
        return;
    if (isOtherDate(stamp, m_lastDate)) {
        m_pendingLog.append(captureDateLine(stamp));
        m_lastDate = stamp;
    }
    m_pendingLog.append(captureTrafficLine(stamp, marker, bytes));
    if (m_raw && marker == kMarkerIn)
        m_pendingRaw.append(bytes);
    // The write is never made here, inside the session's receive path: the timer makes it, at
    // once when much is waiting. An idle line costs no wake-ups.
    if (m_pendingLog.size() >= kFlushBytes || m_pendingRaw.size() >= kFlushBytes)
        m_flushTimer->start(0);
    else if (!m_flushTimer->isActive())
        m_flushTimer->start(kFlushMs);

}

void TrafficCapture::flush()
{
    if (!m_log)
        return;
    m_flushTimer->stop();
    try {
        // The raw file first: the log never holds a line whose bytes the raw file lacks.
        if (m_raw && !m_pendingRaw.isEmpty()) {
            m_raw->append(m_pendingRaw);
            m_pendingRaw.clear();
        }
        if (!m_pendingLog.isEmpty()) {
            m_log->append(m_pendingLog);
            m_pendingLog.clear();
        }
        m_log->checkStillThere();
        if (m_raw)
            m_raw->checkStillThere();
    } catch (const platform::Failure &failure) {
        close();
        emit failed(failure);
    }
}
