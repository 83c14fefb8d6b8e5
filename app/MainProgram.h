#pragma once
// The whole program around its main window: start-up in a fixed order (settings, serial
// interface, language, command tool tips) and shutdown (settings saved on every way of closing).
#include "SerialPort.h"

#include <QString>
#include <memory>

class CommandSlots;
class TerminalCore;
class TrafficListModel;
class TrafficListView;
class frmMain;

class MainProgram {
public:
    // programFolder holds Settings.ini and DefaultCommands.icf.
    MainProgram(const QString &programFolder, std::unique_ptr<platform::SerialPort> port);
    ~MainProgram();
    MainProgram(const MainProgram &) = delete;
    MainProgram &operator=(const MainProgram &) = delete;

    // The load event: runs once, before the window is first shown.
    void Load();

    frmMain &form() { return *m_form; }
    TerminalCore &terminal() { return *m_terminal; }
    CommandSlots &commands() { return *m_commands; }
    TrafficListModel &traffic() { return *m_model; }
    const QString &programFolder() const { return m_folder; }

    // The modal dialogs. Each is created when it opens and destroyed when it closes; the
    // main window waits for it without a nested event loop.
    void ShowSettingsDialog();     // MainProgramSettings.cpp
    void ShowSpecialCharDialog();  // MainProgramDialogs.cpp
    void ShowProgramInfoDialog();  // MainProgramDialogs.cpp
    // Where the settings dialog looks for serial ports: the file-system root ("/") and the
    // port table (Ports.ini beside the program). Tests point both at a tree of their own.
    void SetPortInventorySource(const QString &root, const QString &portsIni);

private:
    void Unload();
    void ConnectMenus();

    QString m_folder;
    std::unique_ptr<TrafficListModel> m_model;
    std::unique_ptr<frmMain> m_form;
    TrafficListView *m_view = nullptr;    // owned by the window
    TerminalCore *m_terminal = nullptr;   // owned by the window
    CommandSlots *m_commands = nullptr;   // owned by the window
    QString m_inventoryRoot;              // empty: "/"
    QString m_inventoryPortsIni;          // empty: platform::portsIniPath()
};
