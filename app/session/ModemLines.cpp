#include "ModemLines.h"

#include "ConnectionSettings.h"
#include "TerminalSession.h"

ModemLines::ModemLines(TerminalSession &session, QObject *parent)
    : QObject(parent),
      m_session(session),
      m_poll(platform::makeTimer(platform::TimerKind::Repeating)),
      m_break(platform::makeTimer(platform::TimerKind::SingleShot))
{
    m_poll->timeout = [this] { poll(); };
    m_break->timeout = [this] { endBreak(); };
    connect(&m_session, &TerminalSession::connectionChanged, this,
            [this](bool open, const QString &) { onConnectionChanged(open); });
}

ModemLines::~ModemLines()
{
    m_poll->stop();
    m_break->stop();
}

void ModemLines::onConnectionChanged(bool open)
{
    m_seen.reset();
    if (!open) {
        m_poll->stop();
        // The port took its break state with it.
        if (m_breakOn) {
            m_break->stop();
            m_breakOn = false;
            emit breakChanged(false);
        }
        return;
    }
    // Opening raised both lines; a board that resets on DTR wants them down at once.
    const bool on = g_bytLinesAfterOpen == 0;
    m_dtr = m_rts = on;
    m_session.port().setDataTerminalReady(on);
    m_session.port().setRequestToSend(on);
    emit outputLinesChanged();
    poll();
    if (m_seen)
        m_poll->start(kPollMs);
}

void ModemLines::poll()
{
    const std::optional<unsigned> lines = m_session.port().pinoutSignals();
    if (!lines) {
        m_poll->stop();
        // A port that went away reports nothing either; only an open one is told about.
        if (m_session.port().portOpen())
            emit inputLinesUnavailable();
        return;
    }
    if (m_seen == lines)
        return;
    m_seen = lines;
    emit inputLinesChanged(*lines);
}

void ModemLines::setDataTerminalReady(bool on)
{
    m_dtr = on;
    if (m_session.isOpen())
        m_session.port().setDataTerminalReady(on);
    emit outputLinesChanged();
}

void ModemLines::setRequestToSend(bool on)
{
    m_rts = on;
    if (m_session.isOpen())
        m_session.port().setRequestToSend(on);
    emit outputLinesChanged();
}

void ModemLines::sendBreak()
{
    if (m_breakOn || !m_session.isOpen() || !m_session.port().setBreakEnabled(true))
        return;
    m_breakOn = true;
    m_break->start(kBreakMs);
    emit breakChanged(true);
}

void ModemLines::endBreak()
{
    m_breakOn = false;
    if (m_session.isOpen())
        m_session.port().setBreakEnabled(false);
    emit breakChanged(false);
}
