#pragma once
// A running Tellurix in a temporary folder whose COM1 is a pseudo-terminal the test plays.
#include "MainProgram.h"
#include "TerminalSession.h"
#include "PortTable.h"
#include "Pty.h"
#include "QtSerialPort.h"
#include "ScriptedDialogs.h"
#include "TrafficLine.h"
#include "TrafficLineDelegate.h"
#include "TrafficListModel.h"
#include "TrafficListView.h"
#include "frmMain.h"
#include "modGlobal.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class ProgramFixture {
public:
    // Settings.ini is written only when given; without it the program opens COM1.
    explicit ProgramFixture(const QByteArray &presets = {}, const QByteArray &settings = {})
    {
        g_bytComPort = g_bytBaudrate = g_bytPeculiar = g_bytLanguage = 0;
        write(QStringLiteral("Ports.ini"), "[PORTS]\r\nCOM1=" + device.slavePath().toUtf8() + "\r\n");
        if (!presets.isEmpty())
            write(QStringLiteral("DefaultCommands.icf"), presets);
        if (!settings.isEmpty())
            write(QStringLiteral("Settings.ini"), settings);
        const QString ini = folder.filePath(QStringLiteral("Ports.ini"));
        auto port = std::make_unique<platform::QtSerialPort>(
            [ini](int n) { return platform::devicePathForPort(n, ini); });
        program = std::make_unique<MainProgram>(folder.path(), std::move(port));
        program->load();
        form().show();
        form().activateWindow();
        ready = QTest::qWaitForWindowActive(&form());
    }

    frmMain &form() { return program->form(); }
    TrafficListModel &traffic() { return program->traffic(); }

    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile f(folder.filePath(name));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(bytes);
    }
    QByteArray read(const QString &name) const
    {
        QFile f(folder.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Everything the device received until the line fell quiet.
    QByteArray received(int quietMs = 60) { return device.readMasterUntilQuiet(quietMs); }

    QTemporaryDir folder;
    Pty device;
    ScriptedDialogs dialogs;
    std::unique_ptr<MainProgram> program;
    bool ready = false;
};
