#include "DisplayPause.h"

#include "ListMenus.h"
#include "TerminalSession.h"
#include "TrafficListView.h"
#include "frmMain.h"

#include <QAction>

DisplayPause::DisplayPause(frmMain &form, TerminalSession &session, QObject *parent)
    : QObject(parent), m_form(form), m_session(session)
{
    connect(m_form.mnuEditPause, &QAction::toggled, this, &DisplayPause::apply);
    connect(&m_session, &TerminalSession::lineAppended, this, &DisplayPause::lineArrived);
}

bool DisplayPause::paused() const
{
    return m_form.lstSendReceive->displayPaused();
}

void DisplayPause::apply(bool paused)
{
    TrafficListView *list = m_form.lstSendReceive;
    list->setDisplayPaused(paused);
    m_since = 0;
    showPausedLines(m_form, paused ? 0 : -1);
    list->setEnabled(paused || m_session.isOpen());
    if (!paused)
        list->selectLastAndScroll();
}

void DisplayPause::lineArrived()
{
    if (!paused())
        return;
    ++m_since;
    showPausedLines(m_form, m_since);
}
