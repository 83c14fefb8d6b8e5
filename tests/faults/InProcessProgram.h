#pragma once
// A running Tellurix in a temporary folder whose COM1 is a device path of the caller's: a pty
// of the test's own, or the link of a simulator in another process.
#include "MainProgram.h"
#include "TerminalSession.h"
#include "PortTable.h"
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
#include <QTest>

#include <memory>

class InProcessProgram {
public:
    // Files are written only when given; without Settings.ini the program opens COM1.
    explicit InProcessProgram(const QString &com1, const QByteArray &presets = {},
                              const QByteArray &settings = {})
    {
        g_bytComPort = g_bytBaudrate = g_bytPeculiar = g_bytLanguage = 0;
        write(QStringLiteral("Ports.ini"), "[PORTS]\r\nCOM1=" + com1.toUtf8() + "\r\n");
        if (!presets.isEmpty())
            write(QStringLiteral("DefaultCommands.icf"), presets);
        if (!settings.isEmpty())
            write(QStringLiteral("Settings.ini"), settings);
    }

    // Creates and loads the program and shows its window; false when the window did not
    // become active.
    bool start()
    {
        const QString ini = folder.filePath(QStringLiteral("Ports.ini"));
        auto port = std::make_unique<platform::QtSerialPort>(
            [ini](int n) { return platform::devicePathForPort(n, ini); });
        program = std::make_unique<MainProgram>(folder.path(), std::move(port));
        program->load();
        form().show();
        form().activateWindow();
        return QTest::qWaitForWindowActive(&form());
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

    QTemporaryDir folder;
    ScriptedDialogs dialogs;
    std::unique_ptr<MainProgram> program;
};
