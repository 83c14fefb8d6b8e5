#include "TrafficCapture.h"

#include "TerminalSession.h"
#include "TrafficLine.h"

#include <utility>

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
    Q_ASSERT(!logPath.isEmpty() || !rawPath.isEmpty());
    std::unique_ptr<platform::AppendFile> log;
    if (!logPath.isEmpty())
        log = platform::openAppendFile(logPath);
    std::unique_ptr<platform::AppendFile> raw;
    if (!rawPath.isEmpty())
        raw = platform::openAppendFile(rawPath);
    if (log) {
        QByteArray first;
        // A capture continued in an older file starts on a line of its own, whatever the older
        // one's end looks like.
        if (log->endsMidLine())
            first.append('\n');
        first.append(captureHeaderLine(header, started));
        log->append(first);
    }
    m_logPath = logPath;
    m_rawPath = rawPath;
    const quint64 generation = ++m_generation;
    m_writer = std::make_unique<CaptureWriter>(std::move(log), std::move(raw), namedPath(), [this, generation] {
        QMetaObject::invokeMethod(this, [this, generation] { onWriterFailed(generation); }, Qt::QueuedConnection);
    });
    m_lastDate = started;
    emit activeChanged(true);
}

void TrafficCapture::stop()
{
    if (!m_writer)
        return;
    flush();
    if (!m_writer)
        return;
    m_writer->drain();
    const std::optional<platform::Failure> failure = m_writer->failure();
    close();
    if (failure)
        emit failed(*failure);
}

void TrafficCapture::waitForWrites()
{
    if (m_writer)
        m_writer->drain();
}

void TrafficCapture::onWriterFailed(quint64 generation)
{
    if (generation != m_generation || !m_writer)
        return;
    const std::optional<platform::Failure> failure = m_writer->failure();
    close();
    if (failure)
        emit failed(*failure);
}

void TrafficCapture::close()
{
    m_flushTimer->stop();
    ++m_generation; // a notice still on its way concerns a capture that is over
    // A writer that failed may still sit in a write the system has not returned from: it is
    // let go of when the capture goes, so the user-interface thread never waits for it.
    if (m_writer && m_writer->failure())
        m_retired.push_back(std::move(m_writer));
    m_writer.reset();
    m_pendingLog.clear();
    m_pendingRaw.clear();
    emit activeChanged(false);
}

void TrafficCapture::addLine(const platform::SystemTime &stamp, const QString &marker, QByteArrayView bytes)
{
    if (!m_writer)
        return;
    if (!m_logPath.isEmpty()) {
        if (isOtherDate(stamp, m_lastDate)) {
            m_pendingLog.append(captureDateLine(stamp));
            m_lastDate = stamp;
        }
        m_pendingLog.append(captureTrafficLine(stamp, marker, bytes));
    }
    if (!m_rawPath.isEmpty() && marker == kMarkerIn)
        m_pendingRaw.append(bytes);
    if (m_pendingLog.isEmpty() && m_pendingRaw.isEmpty())
        return; // a raw-only capture keeps nothing of what went out
    // The write is never made here, inside the session's receive path: the timer makes it, at
    // once when much is waiting. An idle line costs no wake-ups.
    if (m_pendingLog.size() >= kFlushBytes || m_pendingRaw.size() >= kFlushBytes)
        m_flushTimer->start(0);
    else if (!m_flushTimer->isActive())
        m_flushTimer->start(kFlushMs);
}

void TrafficCapture::flush()
{
    if (!m_writer)
        return;
    m_flushTimer->stop();
    if (m_pendingLog.isEmpty() && m_pendingRaw.isEmpty())
        return;
    m_writer->submit(std::exchange(m_pendingLog, {}), std::exchange(m_pendingRaw, {}));
}
