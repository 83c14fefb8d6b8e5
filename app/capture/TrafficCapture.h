#pragma once
// A capture of the session's traffic into a text file (.log, see CaptureFormat.h) and, on
// request, the received bytes into a raw file (.bin) beside it. It follows the session, never
// the list's widgets: every line the session appends while capturing becomes one file line.
//
// Lines are gathered in memory and handed to the operating system in one write per file a
// quarter of a second after the first of them (as soon as the event loop comes round when a
// megabyte is waiting), from a timer of their own, never inside the receive poll, so that a
// crash loses at most the last second; stop() and the destructor write what is left. A file
// whose folder went away is noticed at the next write. Files are only appended to.
// A write that fails, or a file that went away with its folder, ends the capture: failed()
// tells it once, and what was written stays as it is.
#include "AppendFile.h"
#include "CaptureFormat.h"
#include "Clock.h"
#include "Failure.h"
#include "Timer.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

class TerminalSession;

class TrafficCapture : public QObject {
    Q_OBJECT
public:
    static constexpr int kFlushMs = 250;
    static constexpr qsizetype kFlushBytes = 1 << 20;

    explicit TrafficCapture(TerminalSession &session, QObject *parent = nullptr);
    ~TrafficCapture() override;

    // Opens (creates or appends to) the log, and the raw file when rawPath is not empty, and
    // writes the header, stamped with the clock's present time. Throws platform::Failure and
    // then captures nothing. A running capture is stopped first.
    void start(const QString &logPath, const QString &rawPath, const CaptureHeader &header);
    // The same with the moment the header names, when the caller has read the clock already
    // (for the file's name, say).
    void start(const QString &logPath, const QString &rawPath, const CaptureHeader &header,
               const platform::SystemTime &started);
    // Writes what is pending and closes the files. A failure of that last write is told by
    // failed() like any other.
    void stop();

    bool isActive() const { return m_log != nullptr; }
    const QString &logPath() const { return m_logPath; }
    const QString &rawPath() const { return m_rawPath; }

    // One traffic line: stamp, marker and the bytes that went out or came in.
    void addLine(const platform::SystemTime &stamp, const QString &marker, QByteArrayView bytes);
    // Hands everything pending to the operating system now.
    void flush();

signals:
    // The capture ended because of failure; the files are closed.
    void failed(const platform::Failure &failure);
    void activeChanged(bool active);

private:
    void close();

    std::unique_ptr<platform::AppendFile> m_log;
    std::unique_ptr<platform::AppendFile> m_raw;
    std::unique_ptr<platform::Timer> m_flushTimer;
    QString m_logPath;
    QString m_rawPath;
    QByteArray m_pendingLog;
    QByteArray m_pendingRaw;
    platform::SystemTime m_lastDate;
};
