// Where the program keeps Settings.ini, DefaultCommands.icf and Ports.ini: beside itself when it
// may write there, in the user's configuration folder when it is installed system-wide.
#include "TestFiles.h"
#include "MainProgram.h"
#include "PortTable.h"
#include "ProgramFolder.h"
#include "QtSerialPort.h"
#include "ScriptedDialogs.h"
#include "frmMain.h"
#include "modGlobal.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

// A port whose device never exists: nothing real is ever opened.
std::unique_ptr<platform::SerialPort> absentPort(const QString &folder)
{
    const QString missing = folder + QStringLiteral("/no-such-device");
    return std::make_unique<platform::QtSerialPort>([missing](int) { return missing; });
}

// The kinds of program folder a user meets.
enum class Kind { Writable, UnderRegularFile, Missing, ReadOnly };

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestSettingsFolder : public QObject {
    Q_OBJECT
    QTemporaryDir work;
    QString configHome; // XDG_CONFIG_HOME of this test: the real home is never touched
    QByteArray savedConfigHome;
    bool hadConfigHome = false;

    QString expectedConfigFolder() const { return configHome + QStringLiteral("/Tellurix"); }

    // Makes a program folder of the given kind; empty when the kind cannot be made here.
    QString makeProgramFolder(Kind kind, const QString &name)
    {
        const QString base = work.filePath(name);
        switch (kind) {
        case Kind::Writable:
            return QDir().mkpath(base) ? base : QString();
        case Kind::UnderRegularFile:
            // Nothing can be created below a regular file, whoever asks (root included).
            return writeFile(base, "not a folder") ? base + QStringLiteral("/bin") : QString();
        case Kind::Missing:
            return base + QStringLiteral("/gone");
        case Kind::ReadOnly:
            if (::geteuid() == 0) // permission bits do not bind root
                return QString();
            if (!QDir().mkpath(base))
                return QString();
            QFile::setPermissions(base, QFile::ReadOwner | QFile::ExeOwner);
            return base;
        }
        return QString();
    }

    void addFolderKinds()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<bool>("usesProgramFolder");
        QTest::newRow("writable") << Kind::Writable << true;
        QTest::newRow("below a regular file") << Kind::UnderRegularFile << false;
        QTest::newRow("missing") << Kind::Missing << false;
        QTest::newRow("read-only") << Kind::ReadOnly << false;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        hadConfigHome = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
        savedConfigHome = qgetenv("XDG_CONFIG_HOME");
        QCoreApplication::setOrganizationName(QString());
        QCoreApplication::setApplicationName(QStringLiteral("Tellurix"));
    }
    void cleanupTestCase()
    {
        if (hadConfigHome)
            qputenv("XDG_CONFIG_HOME", savedConfigHome);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    void init()
    {
        // A fresh configuration home for every case, not yet created: the program makes it.
        static int n = 0;
        configHome = work.filePath(QStringLiteral("config%1").arg(++n));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome));
        QCOMPARE(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
                 expectedConfigFolder());
        g_bytComPort = g_bytBaudrate = g_bytPeculiar = g_bytLanguage = 0;
    }

    void folderFollowsWritability_data() { addFolderKinds(); }
    void folderFollowsWritability()
    {
        QFETCH(Kind, kind);
        QFETCH(bool, usesProgramFolder);
        const QString program =
            makeProgramFolder(kind, QString::fromLatin1(QTest::currentDataTag()));
        if (program.isEmpty())
            QSKIP("this kind of folder cannot be made for this user");

        const QString folder = platform::settingsFolderFor(program);

        QCOMPARE(folder, usesProgramFolder ? program : expectedConfigFolder());
        // The configuration folder exists when it is used, and is left alone when it is not.
        QCOMPARE(QFileInfo(expectedConfigFolder()).isDir(), !usesProgramFolder);
        QCOMPARE(platform::isFolderWritable(program), usesProgramFolder);
    }

    // Installed, the program keeps nothing beside itself, even when it could write there (root
    // in /usr/bin, or a prefix of the user's own after cmake --install).
    void installedProgramUsesTheConfigurationFolder()
    {
        const QString prefix = work.filePath(QStringLiteral("prefix%1").arg(configHome.size()));
        const QString bin = prefix + QStringLiteral("/bin");
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QDir().mkpath(prefix + QStringLiteral("/share/applications")));
        QVERIFY(!platform::isInstalledProgramFolder(bin));
        QCOMPARE(platform::settingsFolderFor(bin), bin); // a portable copy, so far
        QFile entry(prefix + QStringLiteral("/share/applications/tellurix.desktop"));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.close();
        QVERIFY(platform::isInstalledProgramFolder(bin));
        QVERIFY(platform::isFolderWritable(bin));
        QCOMPARE(platform::settingsFolderFor(bin), expectedConfigFolder());
        QVERIFY(QFileInfo(expectedConfigFolder()).isDir());
    }

    void systemProgramFoldersCountAsInstalled_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("installed");
        QTest::newRow("/usr/bin") << QStringLiteral("/usr/bin") << true;
        QTest::newRow("/usr/local/bin") << QStringLiteral("/usr/local/bin") << true;
        QTest::newRow("/bin") << QStringLiteral("/bin") << true;
        QTest::newRow("the build folder") << QCoreApplication::applicationDirPath() << false;
        QTest::newRow("no folder") << QString() << false;
    }
    void systemProgramFoldersCountAsInstalled()
    {
        QFETCH(QString, folder);
        QFETCH(bool, installed);
        QCOMPARE(platform::isInstalledProgramFolder(folder), installed);
        if (installed)
            QCOMPARE(platform::settingsFolderFor(folder), expectedConfigFolder());
    }

    void probeLeavesNothingBehind()
    {
        const QString program = work.filePath(QStringLiteral("clean"));
        QVERIFY(QDir().mkpath(program));
        QVERIFY(platform::isFolderWritable(program));
        QCOMPARE(platform::settingsFolderFor(program), program);
        QCOMPARE(folderEntries(program), QStringList());
    }

    void emptyFolderIsNotWritable()
    {
        // An empty text must not turn into the file-system root.
        QVERIFY(!platform::isFolderWritable(QString()));
    }

    void neitherWritableKeepsProgramFolder()
    {
        const QString blocker = work.filePath(QStringLiteral("config-blocker"));
        QVERIFY(writeFile(blocker, "not a folder"));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocker + QStringLiteral("/config")));
        const QString program = blocker + QStringLiteral("/bin");

        QCOMPARE(platform::settingsFolderFor(program), program);
    }

    void portTableLivesInSettingsFolder()
    {
        const QString program =
            makeProgramFolder(Kind::UnderRegularFile, QStringLiteral("ports"));
        const QString folder = platform::settingsFolderFor(program);
        QCOMPARE(platform::portsIniPath(folder),
                 expectedConfigFolder() + QStringLiteral("/Ports.ini"));
        QVERIFY(writeFile(platform::portsIniPath(folder), "[PORTS]\r\nCOM7=/tmp/ttyV0\r\n"));
        QCOMPARE(platform::devicePathForPort(7, platform::portsIniPath(folder)),
                 QStringLiteral("/tmp/ttyV0"));
        QCOMPARE(platform::devicePathForPort(8, platform::portsIniPath(folder)),
                 QStringLiteral("/dev/ttyS7"));
    }

    // The whole program, started the way main() starts it, keeps its files across runs.
    void programKeepsItsFilesAcrossRuns_data() { addFolderKinds(); }
    void programKeepsItsFilesAcrossRuns()
    {
        QFETCH(Kind, kind);
        QFETCH(bool, usesProgramFolder);
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        const QString program = makeProgramFolder(kind, QStringLiteral("run-") + tag);
        if (program.isEmpty())
            QSKIP("this kind of folder cannot be made for this user");
        const QString expected = usesProgramFolder ? program : expectedConfigFolder();
        ScriptedDialogs dialogs;

        {
            const QString folder = platform::settingsFolderFor(program);
            MainProgram first(folder, absentPort(folder));
            first.load();
            first.form().txtBefehl[2]->setText(QStringLiteral("*IDN?<LF>"));
            g_bytLanguage = 1;
            first.form().close();
        }
        QVERIFY(readFile(expected + QStringLiteral("/Settings.ini")).contains("Language=1\r\n"));
        QVERIFY(readFile(expected + QStringLiteral("/DefaultCommands.icf"))
                    .contains("Param3=*IDN?<LF>\r\n"));

        g_bytLanguage = 0;
        const QString folder = platform::settingsFolderFor(program);
        MainProgram second(folder, absentPort(folder));
        second.load();
        QCOMPARE(second.form().txtBefehl[2]->text(), QStringLiteral("*IDN?<LF>"));
        QCOMPARE(g_bytLanguage, quint8(1));

        // The file dialogs start where the presets are.
        second.form().mnuFileLoadConfig->trigger();
        QCOMPARE(dialogs.count(QStringLiteral("open")), 1);
        QCOMPARE(dialogs.shown.last().file.initialFolder, expected);
        second.form().close();
    }
};

QTEST_MAIN(TestSettingsFolder)
#include "tst_settingsfolder.moc"
