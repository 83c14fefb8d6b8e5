// The kernel's console among the ports: marked in the list in the program's language, never
// selected on its own, and never opened unless the user chose it or Ports.ini names it. On-board
// UARTs are named for what they are, not for the kernel's driver.
#include "FakeSerialPort.h"
#include "FakeSystemTree.h"
#include "MainProgram.h"
#include "PortDiscovery.h"
#include "PortInventory.h"
#include "ScriptedDialogs.h"
#include "TerminalSession.h"
#include "frmMain.h"
#include "frmSettings.h"
#include "modGlobal.h"
#include "modTools.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using platform::PortInventory;

namespace {

QStringList names(const PortInventory &inventory)
{
    QStringList result;
    for (const platform::InventoryPort &port : inventory.ports())
        result << QStringLiteral("COM%1 %2").arg(port.number).arg(port.friendlyName);
    return result;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

class TestSystemConsole : public QObject {
    Q_OBJECT
    std::unique_ptr<FakeSystemTree> tree;
    QString ini;

    // A machine whose ttyS0 is the kernel's console, with a second UART and a USB adapter.
    void consoleMachine()
    {
        tree->addUart(0, 4);
        tree->addUart(1, 1);
        tree->addUsb({QStringLiteral("ttyUSB0"), QStringLiteral("1-2"), QStringLiteral("FT232R USB UART"),
                      QStringLiteral("ftdi_sio"), QString(), false});
        tree->writeText(QStringLiteral("/sys/class/tty/console/active"), QStringLiteral("tty0 ttyS0\n"));
        QVERIFY(tree->isValid());
    }

    // The program on a fake port, with the start-up console check of the real program, over
    // the fake tree.
    std::unique_ptr<MainProgram> makeProgram(const QString &folder, FakeSerialPort *&fake)
    {
        auto port = std::make_unique<FakeSerialPort>();
        fake = port.get();
        auto program = std::make_unique<MainProgram>(folder, std::move(port));
        program->setPortInventorySource(tree->root(), ini);
        program->setConsoleCheck([this](int n) { return platform::unchosenConsolePath(n, ini, tree->root()); });
        return program;
    }

private slots:
    void init()
    {
        g_bytComPort = g_bytBaudrate = g_bytPeculiar = g_bytLanguage = 0;
        tree = std::make_unique<FakeSystemTree>();
        QVERIFY(tree->isValid());
        tree->makeDir(QStringLiteral("/etc/tellurix"));
        ini = tree->file(QStringLiteral("/etc/tellurix/Ports.ini"));
    }
    void cleanup() { tree.reset(); }

    void consoleIsMarkedAndUartsNamedForWhatTheyAre_data()
    {
        QTest::addColumn<bool>("german");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("English") << false
                                 << QStringList{"COM1 Serial port 16550A (ttyS0, system console)",
                                                "COM2 Serial port 8250 (ttyS1)",
                                                "COM3 FT232R USB UART (ttyUSB0)"};
        QTest::newRow("German") << true
                                << QStringList{"COM1 Serielle Schnittstelle 16550A (ttyS0, Systemkonsole)",
                                               "COM2 Serielle Schnittstelle 8250 (ttyS1)",
                                               "COM3 FT232R USB UART (ttyUSB0)"};
    }
    void consoleIsMarkedAndUartsNamedForWhatTheyAre()
    {
        QFETCH(bool, german);
        QFETCH(QStringList, expected);
        consoleMachine();
        g_bytLanguage = german ? 0 : 1;
        const platform::PortWords words{fkt_ToolsGetResString(1620), fkt_ToolsGetResString(1621)};
        const PortInventory inventory(tree->root(), ini, words);
        QCOMPARE(names(inventory), expected);
        QVERIFY(inventory.ports().at(0).systemConsole);
        QVERIFY(!inventory.ports().at(1).systemConsole);
    }

    void consoleIsFoundThroughLinks()
    {
        consoleMachine();
        tree->linkTo(QStringLiteral("/dev/serial/by-path/platform-serial8250-port0"), QStringLiteral("/dev/ttyS0"));
        QVERIFY(platform::isSystemConsole(QStringLiteral("/dev/ttyS0"), tree->root()));
        QVERIFY(platform::isSystemConsole(QStringLiteral("/dev/serial/by-path/platform-serial8250-port0"),
                                          tree->root()));
        QVERIFY(!platform::isSystemConsole(QStringLiteral("/dev/ttyS1"), tree->root()));
        QVERIFY(!platform::isSystemConsole(QStringLiteral("/dev/ttyUSB0"), tree->root()));
        QVERIFY(!platform::isSystemConsole(QString(), tree->root()));
    }

    void dialogNeverSelectsTheConsoleOnItsOwn_data()
    {
        QTest::addColumn<int>("comPort");
        QTest::addColumn<QString>("selected");
        QTest::newRow("stored port is the console") << 0 << QString();
        QTest::newRow("stored port is missing") << 9 << QStringLiteral("COM2  -  Serial port 8250 (ttyS1)");
        QTest::newRow("stored port is an adapter") << 2 << QStringLiteral("COM3  -  FT232R USB UART (ttyUSB0)");
    }
    void dialogNeverSelectsTheConsoleOnItsOwn()
    {
        QFETCH(int, comPort);
        QFETCH(QString, selected);
        consoleMachine();
        g_bytLanguage = 1;
        ScriptedDialogs dialogs;
        const platform::PortWords words{fkt_ToolsGetResString(1620), fkt_ToolsGetResString(1621)};
        const PortInventory inventory(tree->root(), ini, words);
        QComboBox visible;
        QComboBox companion;
        frmSettings::FillPortLists(fkt_ToolsGetSerialPorts(inventory), &visible, &companion, quint8(comPort));
        QCOMPARE(visible.count(), 3);
        QCOMPARE(visible.currentIndex() < 0 ? QString() : visible.currentText(), selected);
    }

    // The first start on a machine whose COM1 is the console: no Settings.ini, COM1 not named.
    void firstStartLeavesTheConsoleClosed_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("text");
        QTest::newRow("German") << QByteArray()
                                << QStringLiteral("COM1 ist die Systemkonsole dieses Rechners (/dev/ttyS0)");
        QTest::newRow("English") << QByteArray("[SETTINGS]\r\nLanguage=1\r\n")
                                 << QStringLiteral("COM1 is the system console of this computer (/dev/ttyS0)");
    }
    void firstStartLeavesTheConsoleClosed()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QString, text);
        consoleMachine();
        QTemporaryDir folder;
        if (!settings.isEmpty())
            writeFile(folder.filePath(QStringLiteral("Settings.ini")), settings);
        ScriptedDialogs dialogs;
        FakeSerialPort *fake = nullptr;
        const auto made = makeProgram(folder.path(), fake);
        MainProgram &program = *made;
        program.load();
        QCOMPARE(fake->openings, 0);
        QVERIFY(!program.session().isOpen());
        QVERIFY(!program.form().cmdBefehl[0]->isEnabled());
        QCOMPARE(program.form().statusText(), fkt_ToolsGetResString(1600));
        QCOMPARE(dialogs.shown.size(), 1);
        QVERIFY2(dialogs.shown.at(0).text.startsWith(text), qPrintable(dialogs.shown.at(0).text));
        QCOMPARE(dialogs.shown.at(0).icon, platform::MessageIcon::Information);
    }

    void consoleNamedInThePortTableOpens()
    {
        consoleMachine();
        writeFile(ini, "[PORTS]\r\nCOM1=/dev/ttyS0\r\n");
        QTemporaryDir folder;
        ScriptedDialogs dialogs;
        FakeSerialPort *fake = nullptr;
        const auto made = makeProgram(folder.path(), fake);
        MainProgram &program = *made;
        program.load();
        QCOMPARE(fake->openings, 1);
        QVERIFY(program.session().isOpen());
        QCOMPARE(dialogs.shown.size(), 0);
    }

    void theUserMayChooseTheConsole()
    {
        consoleMachine();
        QTemporaryDir folder;
        ScriptedDialogs dialogs;
        FakeSerialPort *fake = nullptr;
        const auto made = makeProgram(folder.path(), fake);
        MainProgram &program = *made;
        g_bytComPort = 1; // COM2 at start
        writeFile(folder.filePath(QStringLiteral("Settings.ini")), "[SETTINGS]\r\nComPort=1\r\n");
        program.load();
        QCOMPARE(fake->openings, 1);
        program.form().mnuEditSettings->trigger();
        auto *dialog = program.form().findChild<frmSettings *>();
        QVERIFY(dialog);
        const int console = dialog->cboPcPort->findText(QStringLiteral("COM1"), Qt::MatchStartsWith);
        QVERIFY(console >= 0);
        QVERIFY(dialog->cboPcPort->currentIndex() != console);
        dialog->cboPcPort->setCurrentIndex(console);
        dialog->cmdOk->click();
        QCOMPARE(g_bytComPort, quint8(0));
        QVERIFY(program.session().isOpen());
        QCOMPARE(fake->commPort(), 1);
        QCOMPARE(dialogs.shown.size(), 0);
    }
};

QTEST_MAIN(TestSystemConsole)
#include "tst_systemconsole.moc"
