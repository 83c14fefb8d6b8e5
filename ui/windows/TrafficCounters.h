#pragma once
// The status bar's count of the bytes received and sent since the port last opened, taken
// from what the lines hold as raw data (so the display mode does not change it).
#include <QObject>

class TerminalSession;
class frmMain;

class TrafficCounters : public QObject {
    Q_OBJECT
public:
    TrafficCounters(frmMain &form, TerminalSession &session, QObject *parent);

    qint64 received() const { return m_received; }
    qint64 sent() const { return m_sent; }

private:
    void connectionChanged(bool open);
    void lineAppended(int row);

    frmMain &m_form;
    TerminalSession &m_session;
    qint64 m_received = 0;
    qint64 m_sent = 0;
};
