#pragma once
// The one way tests run Tellurix in process: a temporary program folder, a port table that
// maps COM numbers to devices of the test's (a path, a pty of its own, or none at all), the
// files the test gives, the global settings record reset, every modal dialog scripted, and
// the program created, loaded and shown on start().
//
// A COM number the test did not map names a device inside the folder that does not exist, so
// no setting a test writes can reach a serial port of this machine. With useFakePort() the
// program gets a FakeSerialPort instead, and with useFakeTime() fake timers and a fake clock:
// the receive poll then runs on the test's time.
#include "FakeClock.h"
#include "FakeSerialPort.h"
#include "FakeTimers.h"
#include "Pty.h"
#include "ScriptedDialogs.h"
#include "TestFiles.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

class MainProgram;
class TerminalSession;
class TrafficListModel;
class frmMain;

class TestProgram {
public:
    TestProgram();
    ~TestProgram();
    TestProgram(const TestProgram &) = delete;
    TestProgram &operator=(const TestProgram &) = delete;

    // --- before start() ---
    // COMn is the device at path; Ports.ini is rewritten at once.
    void mapPort(int com, const QString &devicePath);
    // COMn is a pseudo-terminal of the program's own; the test plays its master side.
    Pty &mapPty(int com = 1);
    // COMn names a device in the folder that does not exist.
    void mapAbsent(int com);
    QString absentPath(int com) const;
    // Settings.ini with these record values (port position, rate position, display, language).
    void writeSettings(int comPort, int baud = 6, int peculiar = 0, int language = 0);
    // The program gets a FakeSerialPort instead of the real serial layer.
    FakeSerialPort &useFakePort();
    // A clock that stands at 14:03:27.045 until the test moves it; real timers.
    FakeClock &useFakeClock();
    // Fake timers and a fake clock from now on; the clock shows 14:03:27.000 at time 0.
    FakeTimers &useFakeTime();
    // Where the settings dialog looks for serial ports (the folder's Ports.ini stays the table).
    void setInventoryRoot(const QString &root) { m_inventoryRoot = root; }
    // The capture the command line would ask for (MainProgram::setStartupCapture).
    void setStartupCapture(const QString &logPath, const QString &rawPath)
    {
        m_startupCapture = {logPath, rawPath};
    }

    // Creates and loads the program, shows its window and waits until it is active.
    bool start();
    // The same with DefaultCommands.icf and Settings.ini, each written only when given.
    bool start(const QByteArray &presets, const QByteArray &settings = {});
    // Another copy of the program on the same folder and port table, loaded, not shown.
    std::unique_ptr<MainProgram> startAnother();
    // Destroys the program as closing it would, without saving.
    void stop();

    // --- while running ---
    bool isRunning() const { return m_program != nullptr; }
    MainProgram &program() { return *m_program; }
    frmMain &form();
    TerminalSession &session();
    TrafficListModel &traffic();
    QStringList lines();
    ScriptedDialogs &dialogs() { return m_dialogs; }
    FakeSerialPort *fakePort() { return m_fakePort; } // owned by the program; null without
    FakeTimers *timers() { return m_timers.get(); }
    FakeClock *clock() { return m_clock.get(); }
    Pty *pty(int com = 1);
    // Everything the pty on COMn received until the line fell quiet for quietMs.
    QByteArray received(int com = 1, int quietMs = 60);

    // --- the program folder ---
    QString folder() const { return m_folder.path(); }
    QString filePath(const QString &name) const { return m_folder.filePath(name); }
    QString portsIni() const { return filePath(QStringLiteral("Ports.ini")); }
    [[nodiscard]] bool writeFile(const QString &name, const QByteArray &bytes) const;
    QByteArray readFile(const QString &name) const;

    // Clears the global settings record, as a freshly started program has it.
    static void resetGlobals();

private:
    std::unique_ptr<MainProgram> makeProgram();
    void writePortTable() const;

    QTemporaryDir m_folder;
    ScriptedDialogs m_dialogs;
    QMap<int, QString> m_ports;
    std::pair<QString, QString> m_startupCapture;
    std::vector<std::pair<int, std::unique_ptr<Pty>>> m_ptys;
    std::unique_ptr<FakeClock> m_clock;
    std::unique_ptr<FakeTimers> m_timers;
    bool m_wantFakePort = false;
    std::unique_ptr<FakeSerialPort> m_pendingFake;
    FakeSerialPort *m_fakePort = nullptr;
    QString m_inventoryRoot;
    std::unique_ptr<MainProgram> m_program;
};
