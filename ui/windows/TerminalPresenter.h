#pragma once
// The main window's side of the terminal session: the enabled state of the controls, the send
// field's colour, the status bar, the traffic list's selection, the preset fields, and the
// handlers of cmdSend, cmdDelete and the list's double click. It keeps no data of its own.
#include "Failure.h"

#include <QColor>
#include <QObject>
#include <QString>

class TerminalSession;
class frmMain;

// A text colour readable on the background: strength 1 gives black or white, smaller values
// a grey that far from the background towards black or white.
QColor readableTextColour(const QColor &background, qreal strength);

class TerminalPresenter : public QObject {
    Q_OBJECT
public:
    // Child of the window; the session must outlive it.
    TerminalPresenter(frmMain &form, TerminalSession &session);

    void prc_MainSetControlsEnabled(bool enabled);

    void cmdSend_Click();
    void cmdDelete_Click();
    void lstSendReceive_DblClick();

private:
    void showConnection(bool open, const QString &statusText);
    void reportOpenFailure(const platform::Failure &failure);
    void showAppendedLine();
    void showPresets();

    frmMain &m_form;
    TerminalSession &m_session;
};
