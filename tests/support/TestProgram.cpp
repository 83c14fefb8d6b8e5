#include "TestProgram.h"

#include "DisplayGlobals.h"
#include "ConnectionSettings.h"
#include "CaptureSettings.h"
#include "MainProgram.h"
#include "ProfileFile.h"
#include "QtSerialPort.h"
#include "TerminalSession.h"
#include "TrafficListModel.h"
#include "frmMain.h"
#include "modGlobal.h"

#include <QTest>

namespace {
// Device paths such as /dev/serial/by-id/... are long; allow any path the system allows.
constexpr int kPathBufferSize = 4096;
} // namespace

TestProgram::TestProgram()
{
    resetGlobals();
    writePortTable();
}

TestProgram::~TestProgram() = default;

void TestProgram::resetGlobals()
{
    g_bytComPort = g_bytBaudrate = g_bytPeculiar = g_bytLanguage = 0;
    g_bytHexDisplay = 0;
    resetConnectionSettings();
    g_lngErrNumber = 0;
    g_strCaptureFolder.clear();
    g_bytCaptureRaw = 0;
}

void TestProgram::mapPort(int com, const QString &devicePath)
{
    m_ports.insert(com, devicePath);
    writePortTable();
}

Pty &TestProgram::mapPty(int com)
{
    auto pty = std::make_unique<Pty>();
    Pty &result = *pty;
    m_ptys.emplace_back(com, std::move(pty));
    mapPort(com, result.slavePath());
    return result;
}

void TestProgram::mapAbsent(int com)
{
    mapPort(com, absentPath(com));
}

QString TestProgram::absentPath(int com) const
{
    return filePath(QStringLiteral("absent%1").arg(com));
}

Pty *TestProgram::pty(int com)
{
    for (auto &[number, pty] : m_ptys) {
        if (number == com)
            return pty.get();
    }
    return nullptr;
}

void TestProgram::writeSettings(int comPort, int baud, int peculiar, int language)
{
    const bool written = writeFile(
        QStringLiteral("Settings.ini"),
        QStringLiteral("[SETTINGS]\r\nComPort=%1\r\nBaudrate=%2\r\nPeculiar=%3\r\nLanguage=%4\r\n")
            .arg(comPort).arg(baud).arg(peculiar).arg(language).toLatin1());
    if (!written)
        QTest::qFail("Settings.ini could not be written", __FILE__, __LINE__);
}

FakeSerialPort &TestProgram::useFakePort()
{
    m_wantFakePort = true;
    if (!m_pendingFake)
        m_pendingFake = std::make_unique<FakeSerialPort>();
    return *m_pendingFake;
}

FakeClock &TestProgram::useFakeClock()
{
    if (!m_clock)
        m_clock = std::make_unique<FakeClock>();
    return *m_clock;
}

FakeTimers &TestProgram::useFakeTime()
{
    if (!m_timers) {
        useFakeClock();
        m_timers = std::make_unique<FakeTimers>(*m_clock);
    }
    return *m_timers;
}

void TestProgram::writePortTable() const
{
    QByteArray table = "[PORTS]\r\n";
    for (auto it = m_ports.cbegin(); it != m_ports.cend(); ++it)
        table += "COM" + QByteArray::number(it.key()) + "=" + it.value().toUtf8() + "\r\n";
    if (!writeFile(QStringLiteral("Ports.ini"), table))
        QTest::qFail("Ports.ini could not be written", __FILE__, __LINE__);
}

std::unique_ptr<MainProgram> TestProgram::makeProgram()
{
    std::unique_ptr<platform::SerialPort> port;
    if (m_wantFakePort && m_pendingFake) {
        m_fakePort = m_pendingFake.get();
        port = std::move(m_pendingFake);
    } else {
        // The table as it stands in the folder when the port opens, so that a test may write
        // its own Ports.ini; a number it does not name stays away from the machine's ports.
        const QString ini = portsIni();
        const QString folder = m_folder.path();
        port = std::make_unique<platform::QtSerialPort>([ini, folder](int n) {
            const QString absent = folder + QStringLiteral("/absent%1").arg(n);
            return platform::readProfileString(QStringLiteral("PORTS"), QStringLiteral("COM%1").arg(n),
                                               absent, ini, kPathBufferSize);
        });
    }
    auto program = std::make_unique<MainProgram>(m_folder.path(), std::move(port));
    if (!m_inventoryRoot.isEmpty())
        program->setPortInventorySource(m_inventoryRoot, portsIni());
    program->setStartupCapture(m_startupCapture.first, m_startupCapture.second);
    program->load();
    return program;
}

bool TestProgram::start()
{
    m_program = makeProgram();
    form().show();
    if (!QTest::qWaitForWindowExposed(&form()))
        return false;
    form().activateWindow();
    return QTest::qWaitForWindowActive(&form());
}

bool TestProgram::start(const QByteArray &presets, const QByteArray &settings)
{
    if (!presets.isEmpty() && !writeFile(QStringLiteral("DefaultCommands.icf"), presets))
        return false;
    if (!settings.isEmpty() && !writeFile(QStringLiteral("Settings.ini"), settings))
        return false;
    return start();
}

QByteArray TestProgram::received(int com, int quietMs)
{
    Pty *device = pty(com);
    return device ? device->readMasterUntilQuiet(quietMs) : QByteArray();
}

std::unique_ptr<MainProgram> TestProgram::startAnother()
{
    return makeProgram();
}

void TestProgram::stop()
{
    m_program.reset();
    m_fakePort = nullptr;
}

frmMain &TestProgram::form() { return m_program->form(); }
TerminalSession &TestProgram::session() { return m_program->session(); }
TrafficListModel &TestProgram::traffic() { return m_program->traffic(); }

QStringList TestProgram::lines()
{
    QStringList result;
    for (int i = 0; i < traffic().count(); ++i)
        result << traffic().lineAt(i);
    return result;
}

bool TestProgram::writeFile(const QString &name, const QByteArray &bytes) const
{
    return ::writeFile(filePath(name), bytes);
}

QByteArray TestProgram::readFile(const QString &name) const
{
    return ::readFile(filePath(name));
}
