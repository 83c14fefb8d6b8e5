#pragma once
// Pausing the traffic list's display (Edit menu, Pause key): lines keep arriving in the list,
// but the view stays where the user scrolled and the selection where the user put it; the
// status bar counts the lines that arrived since. Resuming selects the last line and scrolls
// to it, as an append does. A paused list stays usable while no port is open.
#include <QObject>

class TerminalSession;
class frmMain;

class DisplayPause : public QObject {
    Q_OBJECT
public:
    DisplayPause(frmMain &form, TerminalSession &session, QObject *parent);

    bool paused() const;
    qint64 linesSincePause() const { return m_since; }

private:
    void apply(bool paused);
    void lineArrived();

    frmMain &m_form;
    TerminalSession &m_session;
    qint64 m_since = 0;
};
