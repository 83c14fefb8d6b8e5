// The device goes away in the middle of a stream: the simulator is killed, and its pty goes
// with it. The program must close the port once and quietly, use no CPU while it waits, and,
// with reconnecting switched off, open the port again through the settings dialog once the
// device is back.
#include "FaultSupport.h"
#include "Flood.h"
#include "MainProgram.h"
#include "TerminalSession.h"
#include "TestProgram.h"
#include "TrafficLine.h"
#include "TrafficListModel.h"
#include "frmMain.h"
#include "modGlobal.h"

#include <QtTest>
#include "XSession.h"

#include <QElapsedTimer>
#include "frmSettings.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

using faults::SimulatorProcess;
using faults::TrafficStreamCheck;

namespace {

// Fast enough to keep the terminal busy, slow enough that a loss shows in the pattern at once.
const QStringList kStream{QStringLiteral("--mode"), QStringLiteral("stream"), QStringLiteral("--rate"),
                          QStringLiteral("100000"), QStringLiteral("--bytes"), QStringLiteral("1000000000"),
                          QStringLiteral("--start-immediately")};
constexpr qint64 kStreamedBeforeLoss = 20000;
constexpr int kIdleMs = 5000;
// Process CPU time as a share of the wall time of the idle period: a program that polls a dead
// descriptor keeps a core busy, a waiting one takes a few per cent even on a loaded machine.
constexpr double kIdleCpuShareLimit = 0.1;

const QString kOpenStatus = QStringLiteral("Schnittstelle COM1 mit 300 Baud ist geöffnet.");
const QString kClosedStatus = QStringLiteral("Keine Schnittstelle geöffnet!");

// Every text the status bar showed, in order, without repeats; sampled while the loop runs.
class StatusHistory : public QObject {
public:
    explicit StatusHistory(frmMain &form) : m_form(form)
    {
        connect(&m_timer, &QTimer::timeout, this, &StatusHistory::sample);
        m_timer.start(10);
        sample();
    }
    const QStringList &texts() const { return m_texts; }

private:
    void sample()
    {
        const QString now = m_form.statusText();
        if (m_texts.isEmpty() || m_texts.last() != now)
            m_texts << now;
    }

    frmMain &m_form;
    QTimer m_timer;
    QStringList m_texts;
};

// A file-system root for the settings dialog's port inventory holding nothing but the link:
// the dialog lists the simulator alone, and no serial port of this machine.
bool makeInventoryRoot(const QString &root, const QString &link)
{
    const QString mirrored = root + link;
    return QDir().mkpath(QFileInfo(mirrored).path()) && QFile::link(link, mirrored);
}

} // namespace

class TestDeviceLost : public QObject {
    Q_OBJECT
private slots:
    void inProcessClosesOnceStaysIdleAndReopensThroughSettings();
    void realProgramShowsNoErrorAndStaysIdle();
};

void TestDeviceLost::inProcessClosesOnceStaysIdleAndReopensThroughSettings()
{
    QTemporaryDir deviceDir;
    SimulatorProcess simulator(deviceDir.filePath(QStringLiteral("instrument")));
    QVERIFY(simulator.start(kStream));
    TestProgram p;
    p.mapPort(1, simulator.link());
    // Reconnecting switched off: the port stays closed until the user opens it.
    QVERIFY(p.start({}, "[CONNECTION]\r\nReconnect=0\r\n"));
    QCOMPARE(p.form().statusText(), kOpenStatus);
    auto stream = std::make_unique<TrafficStreamCheck>(p.traffic(), kStreamedBeforeLoss);
    QSignalSpy streaming(stream.get(), &TrafficStreamCheck::streamEnded);
    QVERIFY(streaming.wait(10000));

    StatusHistory status(p.form());
    simulator.kill();
    QTRY_COMPARE(p.form().statusText(), kClosedStatus);
    QVERIFY(!p.form().txtSend->isEnabled());
    QVERIFY(!p.form().cmdBefehl[0]->isEnabled());
    const qsizetype linesAtLoss = p.traffic().count();

    const double cpuBefore = faults::ownCpuSeconds();
    QElapsedTimer idle;
    idle.start();
    QTest::qWait(kIdleMs);
    const double idleShare = (faults::ownCpuSeconds() - cpuBefore) / (double(idle.elapsed()) / 1000.0);
    qInfo("CPU time over %lld ms after the loss: %.1f %% of the wall time", idle.elapsed(), idleShare * 100);
    QVERIFY2(idleShare < kIdleCpuShareLimit, qPrintable(QString::number(idleShare)));
    QCOMPARE(status.texts(), (QStringList{kOpenStatus, kClosedStatus}));
    QCOMPARE(p.dialogs().shown.size(), 0);
    QCOMPARE(p.traffic().count(), linesAtLoss);
    QCOMPARE(stream->checker().firstErrorOffset(), qint64(-1)); // nothing lost before the loss
    stream.reset();

    // The device is back under the same name; the user opens the settings and presses OK.
    QVERIFY(simulator.start(kStream));
    QTemporaryDir inventoryRoot;
    QVERIFY(makeInventoryRoot(inventoryRoot.path(), simulator.link()));
    p.program().setPortInventorySource(inventoryRoot.path(), p.filePath(QStringLiteral("Ports.ini")));
    stream = std::make_unique<TrafficStreamCheck>(p.traffic(), kStreamedBeforeLoss);
    QSignalSpy streamingAgain(stream.get(), &TrafficStreamCheck::streamEnded);
    p.form().mnuEditSettings->trigger();
    auto *settings = p.form().findChild<frmSettings *>();
    QVERIFY(settings);
    QTRY_VERIFY(settings->isVisible());
    QCOMPARE(settings->cboPcPortTemp->currentText(), QStringLiteral("0")); // COM1
    settings->cmdOk->click();
    QTRY_COMPARE(p.form().statusText(), kOpenStatus);
    QVERIFY(p.form().txtSend->isEnabled());
    QVERIFY(simulator.waitForTerminal());
    QVERIFY(streamingAgain.wait(10000));
    QCOMPARE(stream->checker().firstErrorOffset(), qint64(-1));
    QCOMPARE(p.dialogs().shown.size(), 0);
}

void TestDeviceLost::realProgramShowsNoErrorAndStaysIdle()
{
    XSession x;
    QVERIFY2(x.isValid(), "Xvfb did not start");
    QTemporaryDir deviceDir;
    SimulatorProcess simulator(deviceDir.filePath(QStringLiteral("instrument")));
    QVERIFY(simulator.start(kStream));
    ProgramUnderTest program(QStringLiteral(TELLURIX_BINARY), x);
    QVERIFY(program.writeFile(QStringLiteral("Ports.ini"), "[PORTS]\r\nCOM1=" + simulator.link().toUtf8() + "\r\n"));
    QVERIFY(program.start());
    QVERIFY(!program.waitForMainWindow().isEmpty());
    QVERIFY(simulator.waitForTerminal());
    const qint64 pid = program.process().processId();
    const QStringList windowsOfProgram{QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                       QStringLiteral("--pid"), QString::number(pid)};
    QCOMPARE(x.xdotool(windowsOfProgram).value_or(QString()).split(QLatin1Char('\n')).size(), 1);

    simulator.kill();
    const double cpuBefore = faults::processCpuSeconds(pid);
    QVERIFY(cpuBefore >= 0);
    QElapsedTimer idle;
    idle.start();
    QTest::qWait(kIdleMs);
    const double idleShare = (faults::processCpuSeconds(pid) - cpuBefore) / (double(idle.elapsed()) / 1000.0);
    qInfo("CPU time of the program over %lld ms after the loss: %.1f %% of the wall time",
          idle.elapsed(), idleShare * 100);
    QVERIFY2(idleShare < kIdleCpuShareLimit, qPrintable(QString::number(idleShare)));
    // An error box would be a second window of the program.
    QCOMPARE(x.xdotool(windowsOfProgram).value_or(QString()).split(QLatin1Char('\n')).size(), 1);

    QVERIFY(program.pressKeys({QStringLiteral("Escape")}));
    QVERIFY(program.waitForExit());
    QCOMPARE(program.process().exitCode(), 0);
    QVERIFY(program.readFile(QStringLiteral("Settings.ini")).startsWith("[SETTINGS]\r\nComPort=0\r\n"));
}

QTEST_MAIN(TestDeviceLost)
#include "tst_devicelost.moc"
