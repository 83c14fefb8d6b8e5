#pragma once
// The capture's writes on a thread of their own, so that a slow or stalled disk never holds up
// the user-interface thread: batches are queued and written in order, the raw file's part
// before the log's, and after each batch the files are checked to be still in place. The first
// failure ends the writing; it is told once through the handler, on the writer's thread (or on
// the caller's, for a queue grown too long), which must only post a notice: it runs under the
// writer's lock.
#include "AppendFile.h"
#include "Failure.h"

#include <QByteArray>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class CaptureWriter {
public:
    // More than this waiting means the disk does not keep up: the capture ends rather than
    // fill the memory.
    static constexpr qsizetype kMostQueuedBytes = 64 << 20;

    using FailureHandler = std::function<void()>;

    // Either file may be missing (null), not both.
    CaptureWriter(std::unique_ptr<platform::AppendFile> log, std::unique_ptr<platform::AppendFile> raw,
                  QString namedPath, FailureHandler failed);
    ~CaptureWriter(); // writes what is queued, then ends the thread
    CaptureWriter(const CaptureWriter &) = delete;
    CaptureWriter &operator=(const CaptureWriter &) = delete;

    void submit(QByteArray log, QByteArray raw);
    // Blocks until everything submitted is written, or the writing failed.
    void drain();
    std::optional<platform::Failure> failure() const;

private:
    struct Batch {
        QByteArray log;
        QByteArray raw;
    };
    void run();
    void write(const Batch &batch);

    std::unique_ptr<platform::AppendFile> m_log;
    std::unique_ptr<platform::AppendFile> m_raw;
    const QString m_namedPath; // the file a failure names
    FailureHandler m_failed;
    mutable std::mutex m_lock;
    std::condition_variable m_work;
    std::condition_variable m_idle;
    std::deque<Batch> m_queue; // under m_lock, like everything below
    qsizetype m_queuedBytes = 0;
    bool m_busy = false;
    bool m_ending = false;
    std::optional<platform::Failure> m_failure;
    std::thread m_thread; // last: starts when everything else is there
};
