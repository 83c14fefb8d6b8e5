// The real program ended from outside, as logout, shutdown, kill and Ctrl+C end it: SIGTERM,
// SIGHUP and SIGINT at random moments, while idle, while a device streams into it and right
// after a preset was edited. Each time it must close as if the user had closed it: the
// settings and the presets saved complete with the session's values, the port's lock file
// gone, exit code 0.
#include "Pty.h"
#include "XSession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTimer>
#include <QtTest>

#include <csignal>

namespace {

// Per signal and scenario. A start under the sanitizers takes ten times as long; the plain
// suite makes the full count.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kTrials = 4;
constexpr int kBurstTrials = 3;
#else
constexpr int kTrials = 10;
constexpr int kBurstTrials = 5;
#endif
constexpr int kLongestDelayMs = 250;
constexpr int kWaitMs = 10000;

// Only part of each file: the save must add the missing keys, so a file left as it was
// shows that nothing was saved.
const QByteArray kSettingsBefore = "[SETTINGS]\r\nComPort=0\r\nBaudrate=7\r\nLanguage=1\r\n";
const QByteArray kSettingsAfter = "[SETTINGS]\r\nComPort=0\r\nBaudrate=7\r\nLanguage=1\r\nPeculiar=0\r\n";
const QByteArray kPresetsBefore = "[SETTINGS]\r\nParam1=AT<CR>\r\nParam3=*IDN?<LF>\r\n";

QByteArray presetsAfter(const QByteArray &first)
{
    return "[SETTINGS]\r\nParam1=" + first + "\r\nParam3=*IDN?<LF>\r\nParam2=\r\nParam4=\r\n"
           "Param5=\r\nParam6=\r\nParam7=\r\nParam8=\r\n";
}

// Qt's serial port locks a device with a QLockFile named after it, "/" turned into "_".
QString lockFileOf(const QString &device)
{
    QString name = device;
    name.remove(0, int(qstrlen("/dev/")));
    return QStringLiteral("/var/lock/LCK..") + name.replace(QLatin1Char('/'), QLatin1Char('_'));
}

bool waitFor(const std::function<bool()> &condition, int timeoutMs = kWaitMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

bool windowIsShown(const QString &display, qint64 pid)
{
    QProcess search;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    search.setProcessEnvironment(env);
    search.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                             QStringLiteral("--pid"), QString::number(pid),
                                             QStringLiteral("--name"), QStringLiteral("^Tellurix$")});
    return search.waitForFinished(kWaitMs) && search.exitStatus() == QProcess::NormalExit
           && search.exitCode() == 0 && !search.readAllStandardOutput().trimmed().isEmpty();
}

const char *signalName(int signal)
{
    return signal == SIGTERM ? "SIGTERM" : signal == SIGHUP ? "SIGHUP" : "SIGINT";
}

quint32 chosenSeed()
{
    bool ok = false;
    const quint32 fixed = qEnvironmentVariable("TELLURIX_SIGNAL_SEED").toUInt(&ok);
    return ok ? fixed : QRandomGenerator::global()->generate();
}

enum class Scenario { Idle, Stream, Edited };

} // namespace

class TestSessionEnd : public QObject {
    Q_OBJECT
    std::unique_ptr<XSession> x;
    QRandomGenerator random;
    int m_trialsDone = 0;

    // One start of the program with COM1 on a fresh pty; ends by `signal` once the scenario
    // is set up. Empty when everything was as it must be, else what was wrong.
    QString trial(Scenario scenario, int signal, int number, bool repeat);

private slots:
    void initTestCase()
    {
        x = std::make_unique<XSession>();
        if (!x->isValid())
            QFAIL("Xvfb did not start");
        const quint32 seed = chosenSeed();
        random.seed(seed);
        qInfo("seed %u (set TELLURIX_SIGNAL_SEED to repeat)", seed);
    }
    void cleanupTestCase()
    {
        qInfo("%d sessions ended by a signal", m_trialsDone);
        x.reset();
    }

    void signalEndsTheSessionAsClosingDoes_data();
    void signalEndsTheSessionAsClosingDoes();
    void repeatedSignalsWhileClosing_data();
    void repeatedSignalsWhileClosing();
};

QString TestSessionEnd::trial(Scenario scenario, int signal, int number, bool repeat)
{
    Pty device;
    if (!device.isValid())
        return QStringLiteral("no pty");
    const QString lock = lockFileOf(device.slavePath());
    // The pty is new, so a lock of its name is stale, left by a program killed earlier.
    if (QFile::exists(lock) && !QFile::remove(lock))
        return QStringLiteral("stale %1 cannot be removed").arg(lock);
    // Gone after the program, whatever happened to it: a later pty may get the same number.
    const auto removeLock = qScopeGuard([&lock] { QFile::remove(lock); });
    ProgramUnderTest p(QStringLiteral(TELLURIX_BINARY), *x);
    if (!p.writeFile(QStringLiteral("Ports.ini"), "[PORTS]\r\nCOM1=" + device.slavePath().toUtf8() + "\r\n")
        || !p.writeFile(QStringLiteral("Settings.ini"), kSettingsBefore)
        || !p.writeFile(QStringLiteral("DefaultCommands.icf"), kPresetsBefore))
        return QStringLiteral("the program's files could not be written");
    if (!p.start())
        return QStringLiteral("did not start");
    if (!waitFor([&] { return QFile::exists(lock); }))
        return QStringLiteral("the port was not opened (no %1)").arg(lock);
    // Asked without --sync, which would sleep half a second between its tries; once the
    // window is there, ProgramUnderTest finds it at its first try.
    if (!waitFor([&] { return windowIsShown(x->display(), p.process().processId()); })
        || p.waitForMainWindow().isEmpty())
        return QStringLiteral("no main window");

    QByteArray firstPreset = "AT<CR>";
    qint64 streamed = 0;
    QTimer stream;
    if (scenario == Scenario::Stream) {
        const QByteArray line = "stream line 0123456789 ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n";
        // The timer outlives this block: the lambda keeps its own copy of the line.
        QObject::connect(&stream, &QTimer::timeout, &stream, [&device, &streamed, burst = line.repeated(8)] {
            const qsizetype taken = device.writeSomeMaster(burst);
            streamed += std::max<qsizetype>(taken, 0);
        });
        stream.start(2);
        if (!waitFor([&] { return streamed > 16 * 1024; }))
            return QStringLiteral("the program took no stream");
    } else if (scenario == Scenario::Edited) {
        // Into the first preset's box, replacing its text; F1 sends what the box holds, so
        // the text arriving at the device shows that the program has the edit.
        firstPreset = "EDIT" + QByteArray::number(number) + "<CR>";
        if (!p.clickAt(590, 130) || !p.pressKeys({QStringLiteral("ctrl+a")})
            || !p.typeText(QString::fromLatin1(firstPreset)) || !p.pressKeys({QStringLiteral("F1")}))
            return QStringLiteral("xdotool failed");
        const QByteArray expected = "EDIT" + QByteArray::number(number) + "\r";
        const QByteArray sent = device.readMaster(expected.size());
        if (sent != expected)
            return QStringLiteral("the edited preset did not go out: %1").arg(QString::fromLatin1(sent));
    }

    const int delayMs = int(random.bounded(kLongestDelayMs + 1));
    bool signalled = false;
    QTimer::singleShot(delayMs, Qt::PreciseTimer, &p.process(), [&] {
        signalled = ::kill(pid_t(p.process().processId()), signal) == 0;
    });
    if (!waitFor([&] { return signalled; }))
        return QStringLiteral("could not send %1").arg(QLatin1String(signalName(signal)));
    if (repeat) {
        // The same signal again and again until the process is gone: while it saves, while it
        // lets go of the port, while it tears down.
        int repeats = 0;
        const QDeadlineTimer deadline(kWaitMs);
        while (p.process().state() != QProcess::NotRunning && !deadline.hasExpired()) {
            if (::kill(pid_t(p.process().processId()), signal) == 0)
                ++repeats;
            p.process().waitForFinished(2);
        }
        if (repeats == 0)
            return QStringLiteral("no repeat reached the process");
    }
    stream.stop();
    const QString when = QStringLiteral("%1 %2 ms after the set-up")
                             .arg(QLatin1String(signalName(signal)))
                             .arg(delayMs);
    const bool exited = repeat ? p.process().state() == QProcess::NotRunning
                                     && p.process().exitStatus() == QProcess::NormalExit
                               : p.waitForExit(kWaitMs);
    if (!exited)
        return when + QStringLiteral(": the program did not exit normally (%1 %2)")
                          .arg(p.process().exitStatus() == QProcess::CrashExit ? QStringLiteral("killed by signal")
                                                                                : QStringLiteral("still running"))
                          .arg(p.process().exitCode());
    QStringList wrong;
    if (p.process().exitCode() != 0)
        wrong << QStringLiteral("exit code %1").arg(p.process().exitCode());
    const QByteArray settings = p.readFile(QStringLiteral("Settings.ini"));
    if (settings != kSettingsAfter)
        wrong << QStringLiteral("Settings.ini: ") + QString::fromLatin1(settings.toPercentEncoding("[]= "));
    const QByteArray presets = p.readFile(QStringLiteral("DefaultCommands.icf"));
    if (presets != presetsAfter(firstPreset))
        wrong << QStringLiteral("DefaultCommands.icf: ") + QString::fromLatin1(presets.toPercentEncoding("[]=<> "));
    if (QFile::exists(lock))
        wrong << QStringLiteral("%1 left behind").arg(lock);
    const QStringList files = QDir(p.folder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    const QStringList expectedFiles{QStringLiteral("DefaultCommands.icf"), QStringLiteral("Ports.ini"),
                                    QStringLiteral("Settings.ini"), QStringLiteral("tellurix")};
    if (files != expectedFiles)
        wrong << QStringLiteral("files in the folder: ") + files.join(QLatin1Char(' '));
    if (!wrong.isEmpty())
        return when + QStringLiteral(": ") + wrong.join(QStringLiteral("; "));
    ++m_trialsDone;
    return QString();
}

void TestSessionEnd::signalEndsTheSessionAsClosingDoes_data()
{
    QTest::addColumn<int>("scenario");
    QTest::addColumn<int>("signal");
    const std::pair<const char *, Scenario> scenarios[] = {
        {"idle", Scenario::Idle}, {"streaming", Scenario::Stream}, {"preset edited", Scenario::Edited}};
    for (const auto &[name, scenario] : scenarios) {
        for (int signal : {SIGTERM, SIGHUP, SIGINT})
            QTest::addRow("%s, %s", name, signalName(signal)) << int(scenario) << signal;
    }
}

void TestSessionEnd::signalEndsTheSessionAsClosingDoes()
{
    QFETCH(int, scenario);
    QFETCH(int, signal);
    QElapsedTimer clock;
    clock.start();
    for (int n = 1; n <= kTrials; ++n) {
        const QString wrong = trial(Scenario(scenario), signal, n, false);
        QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("trial %1: %2").arg(n).arg(wrong)));
    }
    qInfo("%d trials, files intact, no lock left, exit code 0 (%lld ms)", kTrials, clock.elapsed());
}

void TestSessionEnd::repeatedSignalsWhileClosing_data()
{
    QTest::addColumn<int>("signal");
    for (int signal : {SIGTERM, SIGHUP, SIGINT})
        QTest::addRow("%s", signalName(signal)) << signal;
}

void TestSessionEnd::repeatedSignalsWhileClosing()
{
    QFETCH(int, signal);
    for (int n = 1; n <= kBurstTrials; ++n) {
        const QString wrong = trial(n % 2 ? Scenario::Stream : Scenario::Idle, signal, n, true);
        QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("trial %1: %2").arg(n).arg(wrong)));
    }
}

QTEST_GUILESS_MAIN(TestSessionEnd)
#include "tst_sessionend.moc"
