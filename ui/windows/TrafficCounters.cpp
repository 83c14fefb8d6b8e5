#include "TrafficCounters.h"

#include "ListMenus.h"
#include "TerminalSession.h"
#include "TrafficLine.h"
#include "frmMain.h"

TrafficCounters::TrafficCounters(frmMain &form, TerminalSession &session, QObject *parent)
    : QObject(parent), m_form(form), m_calm(platform::makeTimer(platform::TimerKind::SingleShot))
{
    // Runs only while some count is not shown yet.
    m_calm->timeout = [this] { show(); };
    connect(&session, &TerminalSession::connectionChanged, this,
            [this](bool open) { connectionChanged(open); });
    connect(&session, &TerminalSession::lineBytesAppended, this,
            [this](const platform::SystemTime &, const QString &marker, const QByteArray &bytes) {
                lineBytes(marker, bytes);
            });
}

void TrafficCounters::connectionChanged(bool open)
{
    // Closing keeps the counts readable; the next opening starts them anew.
    if (open) {
        m_received = 0;
        m_sent = 0;
    }
    show();
    m_shownAtMs = kLongAgo; // the first line after it shows at once
}

void TrafficCounters::lineBytes(const QString &marker, const QByteArray &bytes)
{
    // Note lines carry the program's text, not traffic.
    if (marker == kMarkerOut)
        m_sent += bytes.size();
    else if (marker == kMarkerIn)
        m_received += bytes.size();
    else
        return;
    // A line after a calm spell shows the counts at once, in the same frame as the list. One
    // within the calm spell waits; the next line after the spell, or at the latest kCalmMs
    // after this one, shows it: a steady stream never wakes the program just for the panel.
    if (platform::timerNowMs() - m_shownAtMs >= kCalmMs) {
        show();
        return;
    }
    if (!m_calm->isActive())
        m_calm->start(kCalmMs);
}

void TrafficCounters::show()
{
    m_calm->stop();
    m_shownAtMs = platform::timerNowMs();
    showByteCounts(m_form, m_received, m_sent);
}
