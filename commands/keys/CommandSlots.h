#pragma once
// The eight command slots, F1..F8 from anywhere in the main window, and the send field's
// handlers that decide when cmdSend is enabled.
//
// Every key event reaches ExecuteFunctionKey exactly once: buttons, the traffic list, txtSend
// and the window itself forward on key-down (so a held F-key repeats); the eight command text
// boxes forward on key-up (once, on release) and then refresh their tool tip. The window
// forwards only keys that no control of it has the focus for, because a key a control
// ignores travels on to the window as well.
#include <QObject>
#include <QString>

class QKeyEvent;
class TerminalSession;
class frmMain;

// The platform's virtual-key code of a key event: F1 = 112 .. F24 = 135, Enter = 13,
// letters and digits their upper-case ASCII code, anything else 0.
int virtualKeyCode(const QKeyEvent &event);

class CommandSlots : public QObject {
    Q_OBJECT
public:
    // Child of the window; the session must outlive it.
    CommandSlots(frmMain &form, TerminalSession &session);

    void ExecuteFunctionKey(int keyCode);
    void cmdBefehl_Click(int slot); // slot 1..8: sends the session's preset
    void updateSendButton();
    void refreshToolTips();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool forwardsOnKeyDown(QObject *watched) const;
    int slotOfTextBox(QObject *watched) const; // 1..8, or 0

    frmMain &m_form;
    TerminalSession &m_session;
};
