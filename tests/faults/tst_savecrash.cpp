// The program killed (SIGKILL) at random moments while it saves Settings.ini and
// DefaultCommands.icf: afterwards each file must be either the complete old or the complete
// new version, and whatever a killed save leaves beside them must not disturb the next start.
// The saving runs in tellurix-savecrash, which saves as the program does on closing, over and
// over, alternating between two sets of values.
#include "SettingsStore.h"
#include "TestFiles.h"
#include "modGlobal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <csignal>

namespace {

constexpr int kKills = 150;          // per row, unless the time runs out first
constexpr int kFewestKills = 40;     // enough to land on both sides of a save
constexpr int kLongestDelayMs = 40;  // after the first save; a few saves' time
// A row stops after kKills, or once this time has passed and it has kFewestKills: a loaded
// machine starts the helper more slowly and takes longer for its kills, it does not fail.
constexpr qint64 kRowBudgetMs = 24000;
constexpr qint64 kRowCeilingMs = 120000; // only a helper that hangs gets this far

const QByteArray kSettingsA = "[SETTINGS]\r\nComPort=0\r\nBaudrate=5\r\nPeculiar=0\r\nLanguage=0\r\n";
const QByteArray kPresetsA = "[SETTINGS]\r\nParam1=A1\r\nParam2=A2\r\nParam3=A3\r\nParam4=A4\r\n"
                             "Param5=A5\r\nParam6=A6\r\nParam7=A7\r\nParam8=A8\r\n";

const QString kSettingsFile = QStringLiteral("Settings.ini");
const QString kPresetsFile = QStringLiteral("DefaultCommands.icf");

quint32 chosenSeed()
{
    bool ok = false;
    const quint32 fixed = qEnvironmentVariable("TELLURIX_FAULT_SEED").toUInt(&ok);
    return ok ? fixed : QRandomGenerator::global()->generate();
}

// One of the two files: which version each kill left, and what it left when neither.
struct WatchedFile {
    WatchedFile(QString file, QByteArray a, QByteArray b)
        : path(std::move(file)), versionA(std::move(a)), versionB(std::move(b))
    {
    }

    QString path;
    QByteArray versionA;
    QByteArray versionB;
    int old = 0;       // still set A (the kill came before set B was complete, or after A again)
    int fresh = 0;     // set B
    char last = 'A';
    QStringList damaged;

    void check(int kill, int delayMs)
    {
        const QByteArray bytes = readFile(path, "<missing>");
        last = bytes == versionA ? 'A' : bytes == versionB ? 'B' : '?';
        old += last == 'A' ? 1 : 0;
        fresh += last == 'B' ? 1 : 0;
        if (last != '?')
            return;
        damaged << QStringLiteral("kill %1 after %2 ms left %3: %4")
                       .arg(kill)
                       .arg(delayMs)
                       .arg(QFileInfo(path).fileName(), QString::fromLatin1(bytes.toPercentEncoding("[]= ")));
        // The next kill starts from a known file.
        last = writeFile(path, versionA) ? 'A' : '?';
    }
    QString summary() const
    {
        return QStringLiteral("%1 old/new/neither %2/%3/%4")
            .arg(QFileInfo(path).fileName())
            .arg(old)
            .arg(fresh)
            .arg(damaged.size());
    }
};

QSet<QString> leftoversIn(const QString &folder)
{
    QSet<QString> names;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        if (name != kSettingsFile && name != kPresetsFile)
            names.insert(name);
    }
    return names;
}

} // namespace

class TestSaveCrash : public QObject {
    Q_OBJECT
private slots:
    void killedWhileSaving_data();
    void killedWhileSaving();

private:
    // Starts the helper, kills it delayMs after it started saving; false when it did not run.
    bool killDuringSave(const QString &folder, const QString &mode, int delayMs);
    void checkTheProgramStartsFrom(const QString &folder, char settingsVersion, char presetsVersion,
                                   const QString &mode);
};

void TestSaveCrash::killedWhileSaving_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QByteArray>("settingsB");
    QTest::addColumn<QByteArray>("presetsB");
    QTest::newRow("one value of each file changes")
        << "one" << QByteArray("[SETTINGS]\r\nComPort=0\r\nBaudrate=10\r\nPeculiar=0\r\nLanguage=0\r\n")
        << QByteArray("[SETTINGS]\r\nParam1=B1\r\nParam2=A2\r\nParam3=A3\r\nParam4=A4\r\n"
                      "Param5=A5\r\nParam6=A6\r\nParam7=A7\r\nParam8=A8\r\n");
    QByteArray allPresets = "[SETTINGS]\r\n";
    for (int n = 1; n <= 8; ++n)
        allPresets += "Param" + QByteArray::number(n) + "=second value " + QByteArray::number(n) + "\r\n";
    QTest::newRow("every value changes")
        << "all" << QByteArray("[SETTINGS]\r\nComPort=3\r\nBaudrate=10\r\nPeculiar=1\r\nLanguage=1\r\n")
        << allPresets;
}

bool TestSaveCrash::killDuringSave(const QString &folder, const QString &mode, int delayMs)
{
    QProcess helper;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    helper.setProcessEnvironment(env);
    helper.start(QStringLiteral(SAVECRASH_BINARY), {folder, mode});
    if (!helper.waitForStarted(5000))
        return false;
    while (!helper.canReadLine() && helper.waitForReadyRead(5000)) {
    }
    if (helper.readLine() != "ready\n")
        return false;
    QSignalSpy finished(&helper, &QProcess::finished);
    const qint64 pid = helper.processId();
    QTimer::singleShot(delayMs, Qt::PreciseTimer, &helper, [pid] { ::kill(pid_t(pid), SIGKILL); });
    return finished.wait(5000) && helper.exitStatus() == QProcess::CrashExit;
}

void TestSaveCrash::killedWhileSaving()
{
    QFETCH(QString, mode);
    QFETCH(QByteArray, settingsB);
    QFETCH(QByteArray, presetsB);
    QTemporaryDir dir;
    WatchedFile settings{dir.filePath(kSettingsFile), kSettingsA, settingsB};
    WatchedFile presets{dir.filePath(kPresetsFile), kPresetsA, presetsB};
    QVERIFY(writeFile(settings.path, kSettingsA));
    QVERIFY(writeFile(presets.path, kPresetsA));

    const quint32 seed = chosenSeed();
    QRandomGenerator random(seed);
    qInfo("seed %u (set TELLURIX_FAULT_SEED to repeat)", seed);
    QElapsedTimer clock;
    clock.start();
    int kills = 0;
    QSet<QString> leftovers;
    while (kills < kKills && (clock.elapsed() < kRowBudgetMs || kills < kFewestKills)
           && clock.elapsed() < kRowCeilingMs) {
        const int delayMs = int(random.bounded(kLongestDelayMs + 1));
        QVERIFY2(killDuringSave(dir.path(), mode, delayMs), "the helper did not run");
        ++kills;
        settings.check(kills, delayMs);
        presets.check(kills, delayMs);
        leftovers += leftoversIn(dir.path());
    }

    const QStringList damaged = settings.damaged + presets.damaged;
    qInfo("%d kills in %lld ms (%.1f per second); %s; %s; %lld files left beside them: %s", kills,
          clock.elapsed(), kills * 1000.0 / double(std::max<qint64>(1, clock.elapsed())),
          qPrintable(settings.summary()), qPrintable(presets.summary()), qsizetype(leftovers.size()),
          qPrintable(QStringList(leftovers.values()).join(QLatin1Char(' '))));
    for (const QString &entry : damaged.first(std::min<qsizetype>(damaged.size(), 4)))
        qInfo("%s", qPrintable(entry));

    QVERIFY2(kills >= kFewestKills, "too few kills in the time given");
    // The kills must land before and after completed saves, or the test proves nothing.
    QVERIFY(settings.old + settings.damaged.size() > 0 && settings.fresh > 0);
    QVERIFY(presets.old + presets.damaged.size() > 0 && presets.fresh > 0);
    // Each file is saved whole into a file beside it that then replaces it in one step: a kill
    // leaves the old or the new version, never a mixture of both sets.
    QVERIFY2(damaged.isEmpty(),
             qPrintable(QStringLiteral("%1 files left by %2 kills are neither the old nor the new version")
                            .arg(damaged.size())
                            .arg(kills)));
    checkTheProgramStartsFrom(dir.path(), settings.last, presets.last, mode);
}

// Whatever the kills left beside the two files, the next start reads the two files alone.
void TestSaveCrash::checkTheProgramStartsFrom(const QString &folder, char settingsVersion,
                                              char presetsVersion, const QString &mode)
{
    const bool all = mode == QLatin1String("all");
    CommandSet loaded;
    prc_MainLoadSettings(folder, loaded);
    const bool settingsB = settingsVersion == 'B';
    QCOMPARE(g_bytBaudrate, quint8(settingsB ? 10 : 5));
    QCOMPARE(g_bytLanguage, quint8(settingsB && all ? 1 : 0));
    const bool presetsB = presetsVersion == 'B';
    const QString first = !presetsB ? QStringLiteral("A1") : all ? QStringLiteral("second value 1") : QStringLiteral("B1");
    QCOMPARE(loaded.texts[0], first);
    QCOMPARE(loaded.texts[7], presetsB && all ? QStringLiteral("second value 8") : QStringLiteral("A8"));
}

QTEST_MAIN(TestSaveCrash)
#include "tst_savecrash.moc"
