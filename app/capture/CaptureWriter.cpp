#include "CaptureWriter.h"

namespace {

constexpr qint32 kTextTooSlow = 1723;

} // namespace

CaptureWriter::CaptureWriter(std::unique_ptr<platform::AppendFile> log, std::unique_ptr<platform::AppendFile> raw,
                             QString namedPath, FailureHandler failed)
    : m_log(std::move(log)),
      m_raw(std::move(raw)),
      m_namedPath(std::move(namedPath)),
      m_failed(std::move(failed)),
      m_thread([this] { run(); })
{
}

CaptureWriter::~CaptureWriter()
{
    {
        const std::lock_guard guard(m_lock);
        m_ending = true;
    }
    m_work.notify_all();
    m_thread.join();
}

void CaptureWriter::submit(QByteArray log, QByteArray raw)
{
    bool tooMuch = false;
    {
        const std::lock_guard guard(m_lock);
        if (m_failure)
            return;
        m_queuedBytes += log.size() + raw.size();
        if (m_queuedBytes > kMostQueuedBytes) {
            m_failure = platform::Failure(QStringLiteral("%1: the disk does not keep up").arg(m_namedPath),
                                          platform::kAppendFailureBase, kTextTooSlow, {m_namedPath});
            m_queue.clear();
            m_queuedBytes = 0;
            tooMuch = true;
        } else {
            m_queue.push_back({std::move(log), std::move(raw)});
        }
    }
    if (tooMuch) {
        m_failed();
        m_idle.notify_all();
        return;
    }
    m_work.notify_one();
}

void CaptureWriter::drain()
{
    std::unique_lock guard(m_lock);
    m_idle.wait(guard, [this] { return (m_queue.empty() && !m_busy) || m_failure; });
}

std::optional<platform::Failure> CaptureWriter::failure() const
{
    const std::lock_guard guard(m_lock);
    return m_failure;
}

void CaptureWriter::run()
{
    std::unique_lock guard(m_lock);
    for (;;) {
        m_work.wait(guard, [this] { return !m_queue.empty() || m_ending; });
        if (m_queue.empty() || m_failure) {
            if (m_ending)
                return;
            m_queue.clear();
            continue;
        }
        const Batch batch = std::move(m_queue.front());
        m_queue.pop_front();
        m_queuedBytes -= batch.log.size() + batch.raw.size();
        m_busy = true;
        guard.unlock();
        std::optional<platform::Failure> failed;
        try {
            write(batch);
        } catch (const platform::Failure &failure) {
            failed = failure;
        }
        guard.lock();
        m_busy = false;
        if (failed && !m_failure) {
            m_failure = failed;
            m_queue.clear();
            m_queuedBytes = 0;
            // Told before anyone waiting for the writes learns of it, so that the notice is on
            // its way once drain() returns.
            m_failed();
        }
        m_idle.notify_all();
    }
}

void CaptureWriter::write(const Batch &batch)
{
    // The raw file first: the log never holds a line whose bytes the raw file lacks.
    if (m_raw && !batch.raw.isEmpty())
        m_raw->append(batch.raw);
    if (m_log && !batch.log.isEmpty())
        m_log->append(batch.log);
    if (m_log)
        m_log->checkStillThere();
    if (m_raw)
        m_raw->checkStillThere();
}
