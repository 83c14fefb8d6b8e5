#pragma once
// The whole program around its main window: the terminal session and the windows that present
// it, start-up in a fixed order (settings, serial interface, language, command tool tips) and
// shutdown (settings saved on every way of closing).
#include "SerialPort.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class CaptureControl;
class CommandSlots;
class LineControls;
class ModemLines;
class Reconnector;
class TerminalPresenter;
class TerminalSession;
class TrafficListModel;
class TrafficListOutput;
class frmMain;

class MainProgram {
public:
    // programFolder holds Settings.ini and DefaultCommands.icf.
    MainProgram(const QString &programFolder, std::unique_ptr<platform::SerialPort> port);
    ~MainProgram();
    MainProgram(const MainProgram &) = delete;
    MainProgram &operator=(const MainProgram &) = delete;

    // The load event: runs once, before the window is first shown.
    void load();
    // Before load(): the capture the command line asks for, in place of the automatic one
    // (see CaptureControl::startFromCommandLine). Both empty: the automatic one.
    void setStartupCapture(const QString &logPath, const QString &rawPath)
    {
        m_startupCaptureLog = logPath;
        m_startupCaptureRaw = rawPath;
    }
    // What the unload event saves: Settings.ini and DefaultCommands.icf.
    void saveSettings();

    frmMain &form() { return *m_form; }
    TerminalSession &session() { return *m_session; }
    Reconnector &reconnector() { return *m_reconnector; }
    ModemLines &modemLines() { return *m_modemLines; }
    LineControls &lineControls() { return *m_lineControls; }
    TerminalPresenter &presenter() { return *m_presenter; }
    CommandSlots &commands() { return *m_commands; }
    TrafficListOutput &listOutput() { return *m_listOutput; }
    CaptureControl &captureControl() { return *m_capture; }
    TrafficListModel &traffic();
    const QString &programFolder() const { return m_folder; }

    // The modal dialogs. Each is created when it opens and destroyed when it closes; the
    // main window waits for it without a nested event loop.
    void showSettingsDialog();     // MainProgramSettings.cpp
    void showSpecialCharDialog();  // MainProgramDialogs.cpp
    void showProgramInfoDialog();  // MainProgramDialogs.cpp
    // Where the settings dialog looks for serial ports: the file-system root ("/") and the
    // port table (Ports.ini beside the program). Tests point both at a tree of their own.
    void setPortInventorySource(const QString &root, const QString &portsIni);

    // Opens the configured port, unless the console check names it as the system console that
    // nobody chose (neither the user in the settings dialog nor Ports.ini): then it stays
    // closed, with a message. Without a check every port opens.
    void openInterface(bool userChoseConsole);
    using ConsoleCheck = std::function<QString(int portNumber)>; // the console's path, or empty
    void setConsoleCheck(ConsoleCheck check) { m_consoleCheck = std::move(check); }

private:
    void connectMenus();
    QString portTablePath() const;
    QString inventoryRoot() const;
    QStringList watchedPortPaths() const; // MainProgramSettings.cpp

    QString m_folder;
    // Declared first, destroyed last: the windows refer to the session.
    std::unique_ptr<TerminalSession> m_session;
    std::unique_ptr<Reconnector> m_reconnector; // refers to the session
    std::unique_ptr<ModemLines> m_modemLines;   // refers to the session
    std::unique_ptr<frmMain> m_form;
    std::unique_ptr<CaptureControl> m_capture; // on the window and the session
    TerminalPresenter *m_presenter = nullptr; // owned by the window
    CommandSlots *m_commands = nullptr;       // owned by the window
    TrafficListOutput *m_listOutput = nullptr; // owned by the window
    LineControls *m_lineControls = nullptr;   // owned by the window
    QString m_inventoryRoot;                  // empty: "/"
    QString m_inventoryPortsIni;              // empty: platform::portsIniPath()
    ConsoleCheck m_consoleCheck;
    QString m_startupCaptureLog;
    QString m_startupCaptureRaw;
};
