#pragma once
// The main window's side of the modem lines: the menu "Leitung" / "Line" (DTR and RTS as check
// items, a break, and the state of DTR and RTS after opening) and the lamps of CTS, DSR, DCD
// and RI in the status bar, shown while a port is open. It keeps no data of its own.
#include <QObject>
#include <array>

class ModemLines;
class QAction;
class QLabel;
class QMenu;
class TerminalSession;
class frmMain;

class LineControls : public QObject {
    Q_OBJECT
public:
    // Child of the window; the session and the lines must outlive it.
    LineControls(frmMain &form, TerminalSession &session, ModemLines &lines);

    void ApplyLanguage();

    QMenu *mnuLine = nullptr;
    QAction *mnuLineDtr = nullptr, *mnuLineRts = nullptr, *mnuLineBreak = nullptr;
    // The two choices of one group: DTR and RTS on or off after opening.
    QAction *mnuLineAfterOpenOn = nullptr, *mnuLineAfterOpenOff = nullptr;
    // CTS, DSR, DCD, RI; each carries the property "lit".
    std::array<QLabel *, 4> labLamps{};
    QLabel *labLampsUnavailable = nullptr;

private:
    void showConnection(bool open);
    void showOutputLines();
    void showInputLines(unsigned lines);
    void showUnavailable();

    frmMain &m_form;
    TerminalSession &m_session;
    ModemLines &m_lines;
};
