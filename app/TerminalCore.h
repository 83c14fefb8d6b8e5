#pragma once
// The terminal core of the main window: opening the port, sending, receiving and the
// traffic list. Works on the controls of frmMain; all of it runs on the UI thread.
#include "Clock.h"
#include "ReceivePoller.h"

#include <QObject>
#include <QString>

class frmMain;
class TrafficListModel;
class TrafficListView;

// The rate text for a position of the baud-rate table; any other position means 9600.
QString BaudRateText(quint8 position);

extern const QString kAppTitle;

class TerminalCore : public QObject {
    Q_OBJECT
public:
    TerminalCore(frmMain &form, TrafficListModel &model, TrafficListView &view);

    // Closes, configures and opens the port from the global settings; reports a failure.
    void prc_MainOpenInterface();
    void prc_MainSetControlsEnabled(bool enabled);

    // Converts the tokens, writes the bytes and logs the sent line. Throws
    // platform::SerialError when the write fails; nothing is logged then.
    void SendText(const QString &text);
    void AddTrafficLine(const QString &marker, const QString &data);

    void cmdSend_Click();
    void cmdDelete_Click();
    void lstSendReceive_DblClick();

    // True while a received chunk is being gathered.
    bool receiving() const { return m_poller.gathering(); }

    // The window's time-stamp record, written right before a line is made.
    platform::SystemTime stamp;

private:
    void ReceiveChunk();
    void GoToPortClosed();

    frmMain &m_form;
    TrafficListModel &m_model;
    TrafficListView &m_view;
    ReceivePoller m_poller;
};
