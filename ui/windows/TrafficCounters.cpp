#include "TrafficCounters.h"

#include "CaptureLine.h"
#include "ListMenus.h"
#include "TerminalSession.h"
#include "TrafficLine.h"
#include "frmMain.h"

TrafficCounters::TrafficCounters(frmMain &form, TerminalSession &session, QObject *parent)
    : QObject(parent), m_form(form), m_session(session)
{
    connect(&m_session, &TerminalSession::connectionChanged, this,
            [this](bool open) { connectionChanged(open); });
    connect(&m_session, &TerminalSession::lineAppended, this, &TrafficCounters::lineAppended);
}

void TrafficCounters::connectionChanged(bool open)
{
    // Closing keeps the counts readable; the next opening starts them anew.
    if (!open)
        return;
    m_received = 0;
    m_sent = 0;
    showByteCounts(m_form, m_received, m_sent);
}

void TrafficCounters::lineAppended(int row)
{
    const TrafficListModel &traffic = m_session.traffic();
    const qsizetype bytes = traffic.rawDataAt(row).size();
    const QString marker = traffic.lineAt(row).mid(kTrafficDataColumn - kMarkerOut.size(), kMarkerOut.size());
    if (marker == kMarkerOut)
        m_sent += bytes;
    else
        m_received += bytes;
    showByteCounts(m_form, m_received, m_sent);
}
