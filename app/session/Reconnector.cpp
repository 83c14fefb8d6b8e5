#include "Reconnector.h"

#include "Clock.h"
#include "ConnectionSettings.h"
#include "TerminalSession.h"
#include "TrafficLine.h"
#include "modFormat.h"
#include "modGlobal.h"
#include "modTools.h"

#include <QFileInfo>

namespace {

constexpr qint32 kTextWaiting = 1780;
constexpr qint32 kTextLost = 1781;
constexpr qint32 kTextRestored = 1782;

} // namespace

Reconnector::Reconnector(TerminalSession &session, std::unique_ptr<platform::DeviceWatcher> watcher,
                         QObject *parent)
    : QObject(parent),
      m_session(session),
      m_watcher(std::move(watcher)),
      m_check(platform::makeTimer(platform::TimerKind::SingleShot))
{
    m_check->timeout = [this] { check(); };
    connect(&m_session, &TerminalSession::deviceLost, this, &Reconnector::onDeviceLost);
    connect(&m_session, &TerminalSession::connectionChanged, this,
            [this](bool open, const QString &) { onConnectionChanged(open); });
    // Told only for the user's own openings: a quiet one returns its result instead.
    connect(&m_session, &TerminalSession::openFailed, this, &Reconnector::onUserOpenFailed);
}

Reconnector::~Reconnector()
{
    m_check->stop();
    if (m_watcher)
        m_watcher->stop();
}

QString Reconnector::waitingText() const
{
    return fkt_FormatInsertParam(fkt_ToolsGetResString(kTextWaiting), QString::number(m_waitedPort));
}

void Reconnector::addNote(qint32 textId)
{
    m_session.stamp = platform::clock().nowUtc();
    m_session.AddTrafficLine(kMarkerNote, fkt_ToolsGetResString(textId));
}

void Reconnector::onDeviceLost()
{
    // The session has logged what the device sent last and shows the closed state.
    if (!g_blnReconnect)
        return;
    m_waitedPort = m_session.port().commPort();
    m_waitedPath = m_session.port().devicePath();
    m_failedTries = 0;
    addNote(kTextLost);
    m_session.showClosedStatus(waitingText());
    m_watching = m_watcher && m_watcher->watch(m_waitedPath, [this] { scheduleCheck(kSettleMs); });
    // The device may be back already, or its node may not have gone yet.
    scheduleCheck(kRetryMs);
    emit waitingChanged(true);
}

void Reconnector::onConnectionChanged(bool open)
{
    if (!open || !waiting())
        return;
    // Whoever opened it: the same port again ends the gap, another port ends the waiting.
    const bool samePort = m_session.port().commPort() == m_waitedPort;
    stopWaiting();
    if (samePort)
        addNote(kTextRestored);
}

void Reconnector::onUserOpenFailed()
{
    if (!waiting())
        return;
    if (g_blnReconnect && g_bytComPort + 1 == m_waitedPort) {
        // The same port (say after a change of language): still waiting for it.
        m_session.showClosedStatus(waitingText());
        scheduleCheck(kRetryMs);
        return;
    }
    stopWaiting();
}

void Reconnector::stopWaiting()
{
    if (!waiting())
        return;
    m_waitedPort = 0;
    m_waitedPath.clear();
    m_check->stop();
    if (m_watcher)
        m_watcher->stop();
    m_watching = false;
    emit waitingChanged(false);
}

// An earlier look that is due already stays; a later one is brought forward.
void Reconnector::scheduleCheck(int ms)
{
    const qint64 due = platform::timerNowMs() + ms;
    if (m_check->isActive() && m_checkDueMs <= due)
        return;
    m_checkDueMs = due;
    m_check->start(ms);
}

void Reconnector::check()
{
    if (!waiting() || m_session.isOpen())
        return;
    // The path the number means now: a link moved to another node is followed.
    m_waitedPath = m_session.port().devicePath();
    if (!QFileInfo::exists(m_waitedPath)) {
        m_failedTries = 0;
        if (!m_watching)
            scheduleCheck(kLookMs);
        return;
    }
    if (m_session.prc_MainOpenInterface(waitingText()))
        return; // connectionChanged ended the waiting
    ++m_failedTries;
    scheduleCheck(m_failedTries < kFastRetries ? kRetryMs : kSlowRetryMs);
}
