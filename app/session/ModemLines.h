#pragma once
// The modem lines of the session's port: DTR and RTS as the user sets them (and as
// g_bytLinesAfterOpen leaves them after every opening), a break of a quarter second, and the
// input lines CTS, DSR, DCD and RI watched while the port is open.
//
// Qt can only poll the input lines, so they are read every kPollMs while a port is open and
// never while none is; a change is told once, when it is seen. A device that cannot report
// them (a pty) is told once per opening, and then they are not read again until the next.
#include "Timer.h"

#include <QObject>
#include <memory>
#include <optional>

class TerminalSession;

class ModemLines : public QObject {
    Q_OBJECT
public:
    static constexpr int kPollMs = 50; // a change shows within 100 ms with room to spare
    static constexpr int kBreakMs = 250;

    // The session must outlive this.
    explicit ModemLines(TerminalSession &session, QObject *parent = nullptr);
    ~ModemLines() override;

    bool dataTerminalReady() const { return m_dtr; }
    bool requestToSend() const { return m_rts; }
    void setDataTerminalReady(bool on);
    void setRequestToSend(bool on);
    // Starts a break unless one is on or no port is open; the timer ends it.
    void sendBreak();
    bool breakActive() const { return m_breakOn; }

    // The input lines last seen (PinoutSignal bits); nothing while closed or unavailable.
    std::optional<unsigned> inputLines() const { return m_seen; }
    bool polling() const { return m_poll->isActive(); }

signals:
    void outputLinesChanged(); // DTR or RTS
    void inputLinesChanged(unsigned lines);
    void inputLinesUnavailable();
    void breakChanged(bool active);

private:
    void onConnectionChanged(bool open);
    void poll();
    void endBreak();

    TerminalSession &m_session;
    std::unique_ptr<platform::Timer> m_poll;
    std::unique_ptr<platform::Timer> m_break;
    bool m_dtr = true;
    bool m_rts = true;
    bool m_breakOn = false;
    std::optional<unsigned> m_seen;
};
