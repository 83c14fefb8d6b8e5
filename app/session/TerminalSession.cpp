#include "TerminalSession.h"

#include "BaudRates.h"
#include "CaptureLine.h"
#include "ConnectionSettings.h"
#include "Cp1252.h"
#include "DisplayGlobals.h"
#include "Tokens.h"
#include "TrafficLine.h"
#include "modFormat.h"
#include "modGlobal.h"
#include "modTools.h"

#include <QMetaMethod>

#include <algorithm>

TerminalSession::TerminalSession(std::unique_ptr<platform::SerialPort> port, PollCadence cadence,
                                 QObject *parent)
    : QObject(parent),
      m_port(std::move(port)),
      m_traffic(std::make_unique<TrafficListModel>()),
      m_poller(std::make_unique<ReceivePoller>(*m_port)),
      m_tick(platform::makeTimer(platform::TimerKind::Repeating)),
      m_wake(platform::makeTimer(platform::TimerKind::SingleShot)),
      m_cadence(cadence)
{
    connect(m_poller.get(), &ReceivePoller::chunkComplete, this, &TerminalSession::receiveChunk);
    connect(m_poller.get(), &ReceivePoller::deviceLost, this, &TerminalSession::onDeviceLost);
    connect(m_poller.get(), &ReceivePoller::gatheringEnded, this,
            &TerminalSession::resumeAfterGathering);
    // The poll's beat starts with the session, whether or not a port is open; a closed port
    // has nothing waiting.
    m_beatStartMs = platform::timerNowMs();
    m_tick->timeout = [this] { onTick(); };
    m_tick->start(kTickMs);
    m_wake->timeout = [this] {
        m_countedForBeatMs = -1;
        m_resting = false;
        m_awaitingPause = false;
        m_tick->start(kTickMs);
        onTick();
    };
    m_port->setActivityNotification([this](platform::PortActivity what) { wakePoll(what); });
    m_port->setReaderPolling(true);
}

TerminalSession::~TerminalSession()
{
    // The timers and the poller refer to the port: they go first.
    m_port->setActivityNotification({});
    m_wake.reset();
    m_tick.reset();
    m_poller.reset();
}

void TerminalSession::onTick()
{
    m_poller->tick();
    // An idle line costs almost no wake-ups: the next byte or the loss of the device wakes the
    // poll. A look every second on the same beat bounds the delay should a notification ever
    // go missing; it finds what the always-running tick would have found.
    if (m_cadence != PollCadence::RestWhileIdle)
        return;
    if (m_poller->idle()) {
        stopTicking(true);
        scheduleWake(kRestLookMs);
    } else if (m_poller->gathering()) {
        // Ticks while a chunk is gathered would only look for the loss of the device, which
        // the pause's end finds as well.
        stopTicking(false);
    } else {
        // Told only now: a look that finds the line idle would have the port switch its watch
        // off and on again, and each switch wakes the event loop once more.
        m_port->setReaderPolling(true);
    }
}

void TerminalSession::stopTicking(bool idle)
{
    m_tick->stop();
    m_resting = idle;
    m_awaitingPause = !idle;
    // Only a resting poll needs the port to tell it of anything: while a chunk is gathered the
    // pause's end counts again, soon enough to find the loss of the device too. The watch is
    // switched off only once more bytes come (see wakePoll), since each switch wakes the event
    // loop once more: a short answer then costs no switch at all.
    if (idle)
        m_port->setReaderPolling(false);
}

// The pause's end read the chunk: the next beat looks for more, as the always-running tick
// would. With nothing waiting that beat would find the line idle, so the poll rests at once;
// the next byte or the loss of the device wakes it on that same beat. After a full chunk, though,
// more is on its way as a rule: the look is then cheaper than being told of the next byte and
// waking once more for the beat.
void TerminalSession::resumeAfterGathering()
{
    m_countedForBeatMs = -1;
    if (!m_awaitingPause)
        return;
    if (m_poller->endedAtLimit() || m_port->inBufferCount() > 0) {
        scheduleWake(0);
        return;
    }
    m_awaitingPause = false;
    m_resting = true;
    m_port->setReaderPolling(false);
    scheduleWake(kRestLookMs);
}

qint64 TerminalSession::beatDueMs(qint64 now, qint64 aheadMs) const
{
    const qint64 sinceStart = now - m_beatStartMs;
    const qint64 beat = ((sinceStart + aheadMs - 1) / kTickMs + 1) * kTickMs;
    return m_beatStartMs + std::max<qint64>(beat, (sinceStart / kTickMs + 1) * kTickMs);
}

void TerminalSession::scheduleWake(qint64 aheadMs)
{
    const qint64 now = platform::timerNowMs();
    const qint64 due = beatDueMs(now, aheadMs);
    if (m_wake->isActive() && m_wakeDueMs <= due)
        return;
    m_wakeDueMs = due;
    m_wake->start(int(due - now));
}

// The first tick after a rest falls where the always-running beat would have put it, so the
// bytes are noticed, gathered and stamped exactly as if the poll had never rested.
void TerminalSession::wakePoll(platform::PortActivity what)
{
    const bool arrived = what == platform::PortActivity::BytesArrived;
    if (arrived && m_resting && gatherBeforeTheBeat())
        return;
    if (arrived && platform::timerNowMs() < m_countedForBeatMs) {
        if (m_poller->recount())
            return;
        m_countedForBeatMs = -1;
        scheduleWake(0); // that beat's tick counts, as it would have anyway
        return;
    }
    if (m_resting || (m_awaitingPause && what == platform::PortActivity::DeviceLost))
        scheduleWake(0);
    else if (arrived)
        m_port->setReaderPolling(true); // the poll's own counts find them; a stream wakes nobody
}

// A resting poll is told of every byte: the count its next beat would take is the count now,
// as long as the bytes that follow before that beat are counted as they come. The chunk's pause
// then runs from that beat without waking the program for the beat itself.
bool TerminalSession::gatherBeforeTheBeat()
{
    const qint64 now = platform::timerNowMs();
    const qint64 beat = beatDueMs(now, 0);
    if (!m_poller->gatherAsOfBeat(int(beat - now)))
        return false;
    m_wake->stop();
    m_resting = false;
    m_awaitingPause = true;
    m_countedForBeatMs = beat;
    return true;
}

void TerminalSession::setConnection(bool open, const QString &statusText)
{
    m_open = open;
    emit connectionChanged(open, statusText);
}

void TerminalSession::prc_MainOpenInterface()
{
    openFromSettings(fkt_ToolsGetResString(1600), true);
}

bool TerminalSession::prc_MainOpenInterface(const QString &closedStatusText)
{
    return openFromSettings(closedStatusText, false);
}

void TerminalSession::showClosedStatus(const QString &statusText)
{
    if (!m_open)
        setConnection(false, statusText);
}

bool TerminalSession::openFromSettings(const QString &closedStatusText, bool report)
{
    platform::SerialPort &port = *m_port;
    try {
        setConnection(false, closedStatusText);
        if (port.portOpen())
            port.setPortOpen(false);
        const QString rate = effectiveBaudRateText();
        const qint16 portNumber = static_cast<qint16>(g_bytComPort + 1);
        port.setCommPort(portNumber);
        port.setSettings(rate + QStringLiteral(",N,8,1"));
        if (!port.portOpen())
            port.setPortOpen(true);
        setConnection(true, fkt_FormatInsertParam(fkt_ToolsGetResString(1601),
                                                  QString::number(portNumber), rate));
        return true;
    } catch (const platform::Failure &failure) {
        m_open = false;
        if (report)
            emit openFailed(failure);
        return false;
    }
}

void TerminalSession::closeInterface()
{
    setConnection(false, fkt_ToolsGetResString(1600));
    if (m_port->portOpen())
        m_port->setPortOpen(false);
}

void TerminalSession::SendText(const QString &text)
{
    stamp = platform::clock().nowUtc();
    const QString converted = TokensToChars(text);
    try {
        m_port->output(converted);
    } catch (const platform::Failure &failure) {
        emit sendFailed(failure);
        throw;
    }
    // The raw display shows what went out: a character the code page cannot hold left as '?'.
    const QString sent = platform::decodeCp1252(platform::encodeCp1252(converted));
    AddTrafficLine(kMarkerOut, g_bytHexDisplay != 0 ? hexData(sent) : g_bytPeculiar != 0 ? text : sent,
                   sent);
}

void TerminalSession::AddTrafficLine(const QString &marker, const QString &data)
{
    AddTrafficLine(marker, data, data);
}

void TerminalSession::AddTrafficLine(const QString &marker, const QString &data, const QString &rawData)
{
    m_traffic->appendLine(formatTrafficLine(stamp, marker, data), rawData);
    emit lineAppended(int(m_traffic->count() - 1));
    tellLineBytes(marker, rawData);
}

void TerminalSession::clearTraffic()
{
    m_traffic->clear();
    emit trafficCleared();
}

void TerminalSession::setPresets(const CommandSet &presets)
{
    m_presets = presets;
    emit presetsChanged();
}

void TerminalSession::setPreset(int slot, const QString &text)
{
    m_presets.texts.at(size_t(slot - 1)) = text;
}

void TerminalSession::receiveChunk()
{
    stamp = platform::clock().nowUtc();
    QString s = m_port->input();
    if (s.isEmpty())
        return;
    const QString raw = s;
    if (g_bytHexDisplay != 0)
        s = hexData(raw);
    else if (g_bytPeculiar != 0)
        s = CharsToTokens(s);
    AddTrafficLine(kMarkerIn, s, raw);
}

// The port's text holds one character per byte, so its bytes come back exactly; the work is
// only done for a listener.
void TerminalSession::tellLineBytes(const QString &marker, const QString &lineText)
{
    if (isSignalConnected(QMetaMethod::fromSignal(&TerminalSession::lineBytesAppended)))
        emit lineBytesAppended(stamp, marker, platform::encodeCp1252(lineText));
}

void TerminalSession::onDeviceLost()
{
    // What the device delivered before it went away is still the session's: it becomes the
    // last received line before the port-closed state.
    receiveChunk();
    // Quietly: a box here would repeat for every tick of a device that comes and goes.
    setConnection(false, fkt_ToolsGetResString(1600));
    emit deviceLost();
}
