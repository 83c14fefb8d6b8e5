#pragma once
// Opens the port again when its device comes back after it went away while open, if the user
// wants that (g_blnReconnect). While it waits, the closed state says so, the device's folders are
// watched instead of looked at, and the traffic gets a note line when the connection is lost
// and when it is restored. Reopening goes through prc_MainOpenInterface with the settings as
// they are, without a message box; a user's own opening of another port ends the waiting.
#include "DeviceWatcher.h"
#include "Timer.h"

#include <QObject>
#include <QString>
#include <memory>

class TerminalSession;

class Reconnector : public QObject {
    Q_OBJECT
public:
    // After a change in the watched folders: udev makes the node, then sets its owner, then
    // its links; one look once that settled.
    static constexpr int kSettleMs = 50;
    // While the path is there but does not open yet (a node whose permissions are not set,
    // a device busy for a moment), then more slowly.
    static constexpr int kRetryMs = 250;
    static constexpr int kSlowRetryMs = 1000;
    static constexpr int kFastRetries = 8;
    // Without a watcher the path itself is looked at this often.
    static constexpr int kLookMs = 500;

    // The session must outlive this.
    Reconnector(TerminalSession &session, std::unique_ptr<platform::DeviceWatcher> watcher,
                QObject *parent = nullptr);
    ~Reconnector() override;

    bool waiting() const { return m_waitedPort != 0; }
    int waitedPort() const { return m_waitedPort; }
    QString waitedPath() const { return m_waitedPath; }
    // The user decided otherwise (another port, the console kept closed).
    void stopWaiting();

signals:
    void waitingChanged(bool waiting);

private:
    void onDeviceLost();
    void onConnectionChanged(bool open);
    void onUserOpenFailed();
    void scheduleCheck(int ms);
    void check();
    void addNote(qint32 textId);
    QString waitingText() const;

    TerminalSession &m_session;
    std::unique_ptr<platform::DeviceWatcher> m_watcher;
    std::unique_ptr<platform::Timer> m_check;
    qint64 m_checkDueMs = 0;
    int m_waitedPort = 0; // 0: not waiting
    QString m_waitedPath;
    bool m_watching = false;
    int m_failedTries = 0;
};
