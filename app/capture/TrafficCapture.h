#pragma once
// A capture of the session's traffic into a text file (.log, see CaptureFormat.h) and, on
// request, the received bytes into a raw file (.bin) beside it. It follows the session, never
// the list's widgets: every line the session appends while capturing becomes one file line.
//
// Lines are gathered in memory and, a quarter of a second after the first of them (as soon as
// the event loop comes round when a megabyte is waiting), handed as one batch to the capture's
// writer thread, which gives each file one write: the UI thread never waits for the disk, and
// a crash loses at most the last second. stop() and the destructor wait until everything is
// written. A file whose folder went away is noticed at the next write. Files are only appended
// to. A write that fails, or a file that went away with its folder, ends the capture: failed()
// tells it once, on the UI thread, and what was written stays as it is.
#include "AppendFile.h"
#include "CaptureFormat.h"
#include "CaptureWriter.h"
#include "Clock.h"
#include "Failure.h"
#include "Timer.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class TerminalSession;

class TrafficCapture : public QObject {
    Q_OBJECT
public:
    static constexpr int kFlushMs = 250;
    static constexpr qsizetype kFlushBytes = 1 << 20;

    explicit TrafficCapture(TerminalSession &session, QObject *parent = nullptr);
    ~TrafficCapture() override;

    // Opens (creates or appends to) the log and writes its header, stamped with the clock's
    // present time, and opens the raw file; either path may be empty, not both (a capture of
    // the raw bytes alone has no log). Throws platform::Failure and then captures nothing. A
    // running capture is stopped first.
    void start(const QString &logPath, const QString &rawPath, const CaptureHeader &header);
    // The same with the moment the header names, when the caller has read the clock already
    // (for the file's name, say).
    void start(const QString &logPath, const QString &rawPath, const CaptureHeader &header,
               const platform::SystemTime &started);
    // Writes what is pending and closes the files. A failure of that last write is told by
    // failed() like any other.
    void stop();

    bool isActive() const { return m_writer != nullptr; }
    const QString &logPath() const { return m_logPath; }
    const QString &rawPath() const { return m_rawPath; }
    // The file a capture goes by: its log, or the raw file of one without a log.
    static const QString &namedPath(const QString &logPath, const QString &rawPath)
    {
        return logPath.isEmpty() ? rawPath : logPath;
    }
    const QString &namedPath() const { return namedPath(m_logPath, m_rawPath); }

    // One traffic line: stamp, marker and the bytes that went out or came in.
    void addLine(const platform::SystemTime &stamp, const QString &marker, QByteArrayView bytes);
    // Hands everything pending to the writer now.
    void flush();
    // Waits until the writer has written what it was handed (or failed); a failure is told
    // once the event loop comes round.
    void waitForWrites();

signals:
    // The capture ended because of failure; the files are closed.
    void failed(const platform::Failure &failure);
    void activeChanged(bool active);

private:
    void close();
    void onWriterFailed(quint64 generation);

    std::unique_ptr<CaptureWriter> m_writer;
    std::vector<std::unique_ptr<CaptureWriter>> m_retired; // failed, maybe still in a write
    quint64 m_generation = 0; // tells a late notice of an earlier capture's writer apart
    std::unique_ptr<platform::Timer> m_flushTimer;
    QString m_logPath;
    QString m_rawPath;
    QByteArray m_pendingLog;
    QByteArray m_pendingRaw;
    platform::SystemTime m_lastDate;
};
