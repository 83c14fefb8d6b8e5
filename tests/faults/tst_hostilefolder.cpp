// The real program in a folder it cannot write: a full disk (a tiny tmpfs, filled up) and a
// read-only folder (a read-only mount). It must start, talk to its device, close on Esc with
// exit code 0, and leave every file there as it was.
//
// Mounting needs root; where it is refused, a file-size limit on the program's process stands
// in for the full disk and running as user "nobody" (or, for a user other than root, a folder
// mode of 0555) for the read-only folder. The first two stand-ins also run as rows of their
// own, so that they are known to work.
#include "Pty.h"
#include "TestFiles.h"
#include "XSession.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <optional>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Hostility {
    None,
    FullTmpfs,
    FileSizeLimit,
    ReadOnlyMount,
    OtherUser,
    ReadOnlyMode, // chmod 0555: what stands in when we are not root
};

// The saves of these would add keys: they must fail, and fail without a trace. The comment
// makes each file longer than the file-size limit.
const QByteArray kComment = "; " + QByteArray(200, '-') + "\r\n";
const QByteArray kSettings = kComment + "[SETTINGS]\r\nComPort=0\r\nBaudrate=5\r\n";
const QByteArray kPresets = kComment + "[SETTINGS]\r\nParam1=AT<CR>\r\n";
// Small files, such as the serial port's lock file, can still be written.
constexpr rlim_t kFileSizeLimit = 128;

using FolderContents = QMap<QString, QByteArray>;

FolderContents contentsOf(const QString &folder)
{
    FolderContents contents;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        contents.insert(QDir(folder).relativeFilePath(path), readFile(path, "<unreadable>"));
    }
    return contents;
}

bool setMode(const QString &path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

// What makes the folder hostile, undone whatever happens to the test: mounts are let go of,
// a folder made read-only by its mode becomes writable again so that it can be removed.
class Hostile {
public:
    ~Hostile()
    {
        if (!m_mountPoint.isEmpty())
            ::umount2(QFile::encodeName(m_mountPoint).constData(), MNT_DETACH);
        if (!m_readOnlyFolder.isEmpty())
            setMode(m_readOnlyFolder, 0700);
    }
    bool tmpfs(const QString &path, qint64 bytes)
    {
        const QByteArray options = "size=" + QByteArray::number(bytes);
        return mounted(path, ::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", 0, options.constData()));
    }
    bool readOnlyBind(const QString &path)
    {
        const QByteArray p = QFile::encodeName(path);
        return mounted(path, ::mount(p.constData(), p.constData(), nullptr, MS_BIND, nullptr))
               && ::mount(nullptr, p.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    }
    bool readOnlyMode(const QString &path)
    {
        m_readOnlyFolder = path;
        return setMode(path, 0555);
    }

private:
    bool mounted(const QString &path, int result)
    {
        if (result == 0)
            m_mountPoint = path;
        return result == 0;
    }
    QString m_mountPoint;
    QString m_readOnlyFolder;
};

// Writes until the file system refuses; true when it is full then.
bool fillUp(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder + QStringLiteral("/filler")).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const QByteArray block(4096, 'f');
    while (::write(fd, block.constData(), size_t(block.size())) > 0) {
    }
    const bool full = errno == ENOSPC;
    ::close(fd);
    return full;
}

struct Account {
    uid_t uid = 0;
    gid_t gid = 0;
};

std::optional<Account> nobody()
{
    const passwd *pw = ::getpwnam("nobody");
    if (!pw)
        return std::nullopt;
    return Account{pw->pw_uid, pw->pw_gid};
}

bool isRoot()
{
    return ::geteuid() == 0;
}

// Runs in the program's process between fork and exec.
std::function<void()> childSetup(Hostility how, Account user)
{
    return [how, user] {
        if (how == Hostility::FileSizeLimit) {
            // A write past the limit then fails with EFBIG instead of killing the process.
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit small{kFileSizeLimit, kFileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &small);
        } else if (how == Hostility::OtherUser) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(user.gid) != 0 || ::setuid(user.uid) != 0)
                ::_exit(126);
        }
    };
}

} // namespace

// The program's folder, the configuration folder it may move its settings to, and its device.
struct Scene {
    QTemporaryDir base;
    QString folder = base.filePath(QStringLiteral("program"));
    QString config = base.filePath(QStringLiteral("config"));
    Pty device;
    Hostile hostile;
    Hostility how = Hostility::None;
};

class TestHostileFolder : public QObject {
    Q_OBJECT
    std::unique_ptr<XSession> x;

private slots:
    void initTestCase();
    void cleanupTestCase() { x.reset(); }
    void startsRunsAndExitsLeavingFilesAlone_data();
    void startsRunsAndExitsLeavingFilesAlone();

private:
    void populate(const Scene &scene, ProgramUnderTest &program);
    void makeFullDisk(Scene &scene);
    void makeReadOnly(Scene &scene);
    void letOtherUserIn(const Scene &scene);
    void runTypeAndQuit(Scene &scene, ProgramUnderTest &program);
};

void TestHostileFolder::initTestCase()
{
    x = std::make_unique<XSession>();
    QVERIFY2(x->isValid(), "Xvfb did not start");
}

void TestHostileFolder::startsRunsAndExitsLeavingFilesAlone_data()
{
    QTest::addColumn<int>("hostility");
    // The control: where it can, the program does change both files on closing.
    QTest::newRow("writable folder: the files change") << int(Hostility::None);
    QTest::newRow("full disk: a filled-up tmpfs") << int(Hostility::FullTmpfs);
    QTest::newRow("full disk: a file-size limit below the files' size") << int(Hostility::FileSizeLimit);
    QTest::newRow("read-only folder: a read-only mount") << int(Hostility::ReadOnlyMount);
    QTest::newRow("read-only folder: another user's folder") << int(Hostility::OtherUser);
}

// A program folder where the program finds everything, and a configuration folder where it
// may move its settings when its own folder is not writable: both name the pty as COM1.
void TestHostileFolder::populate(const Scene &scene, ProgramUnderTest &program)
{
    const QByteArray ports = "[PORTS]\r\nCOM1=" + scene.device.slavePath().toUtf8() + "\r\n";
    QVERIFY(program.install());
    QVERIFY(writeFile(scene.folder + QStringLiteral("/Settings.ini"), kSettings));
    QVERIFY(writeFile(scene.folder + QStringLiteral("/DefaultCommands.icf"), kPresets));
    QVERIFY(writeFile(scene.folder + QStringLiteral("/Ports.ini"), ports));
    QVERIFY(QDir().mkpath(scene.config + QStringLiteral("/Tellurix")));
    QVERIFY(writeFile(scene.config + QStringLiteral("/Tellurix/Ports.ini"), ports));
}

// Before populating: the tmpfs must hold the program and its files, and nothing more after.
void TestHostileFolder::makeFullDisk(Scene &scene)
{
    const qint64 room = QFileInfo(QStringLiteral(TELLURIX_BINARY)).size() + (1 << 20);
    if (!scene.hostile.tmpfs(scene.folder, room)) {
        qInfo("tmpfs refused (%s): a file-size limit stands in", strerror(errno));
        scene.how = Hostility::FileSizeLimit;
    }
}

// After populating.
void TestHostileFolder::makeReadOnly(Scene &scene)
{
    if (scene.hostile.readOnlyBind(scene.folder))
        return;
    qInfo("read-only mount refused (%s)", strerror(errno));
    if (isRoot()) {
        scene.how = Hostility::OtherUser;
    } else {
        scene.how = Hostility::ReadOnlyMode;
        QVERIFY(scene.hostile.readOnlyMode(scene.folder));
    }
}

// The folders readable and runnable for everyone, writable only for root; the configuration
// folder and the device are the other user's.
void TestHostileFolder::letOtherUserIn(const Scene &scene)
{
    const std::optional<Account> user = nobody();
    QVERIFY(user);
    for (const QString &path : {scene.base.path(), scene.folder, scene.config, scene.config + QStringLiteral("/Tellurix")})
        QVERIFY(setMode(path, 0755));
    for (const QString &path : {scene.config, scene.config + QStringLiteral("/Tellurix")})
        QVERIFY(::chown(QFile::encodeName(path).constData(), user->uid, user->gid) == 0);
    QVERIFY(setMode(scene.device.slavePath(), 0666));
}

// Starts the program, types a line that must reach the device, and closes it with Esc.
void TestHostileFolder::runTypeAndQuit(Scene &scene, ProgramUnderTest &program)
{
    program.removeEnvironment(QStringLiteral("XDG_RUNTIME_DIR"));
    program.setEnvironment(QStringLiteral("XDG_CONFIG_HOME"), scene.config);
    program.setEnvironment(QStringLiteral("HOME"), scene.base.path());
    program.setWorkingDirectory(scene.base.path());
    program.setChildSetup(childSetup(scene.how, nobody().value_or(Account{})));
    QVERIFY(program.start());
    QVERIFY2(!program.waitForMainWindow().isEmpty(), "no main window");

    QVERIFY(program.typeText(QStringLiteral("XY")));
    QVERIFY(program.pressKeys({QStringLiteral("Return")}));
    QCOMPARE(scene.device.readMaster(2), QByteArray("XY"));

    QVERIFY(program.pressKeys({QStringLiteral("Escape")}));
    QVERIFY(program.waitForExit(15000));
    QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.process().exitCode(), 0);
}

void TestHostileFolder::startsRunsAndExitsLeavingFilesAlone()
{
    QFETCH(int, hostility);
    Scene scene;
    scene.how = Hostility(hostility);
    QVERIFY(QDir().mkpath(scene.folder) && QDir().mkpath(scene.config));
    QVERIFY(scene.device.isValid());
    if (scene.how == Hostility::OtherUser && !(isRoot() && nobody()))
        QSKIP("needs root and a user \"nobody\"");

    if (scene.how == Hostility::FullTmpfs)
        makeFullDisk(scene);
    ProgramUnderTest program(QStringLiteral(TELLURIX_BINARY), *x, scene.folder);
    populate(scene, program);
    if (scene.how == Hostility::FullTmpfs)
        QVERIFY(fillUp(scene.folder));
    if (scene.how == Hostility::ReadOnlyMount)
        makeReadOnly(scene);
    if (scene.how == Hostility::OtherUser)
        letOtherUserIn(scene);
    const FolderContents before = contentsOf(scene.folder);

    runTypeAndQuit(scene, program);
    if (QTest::currentTestFailed())
        return;

    const FolderContents after = contentsOf(scene.folder);
    if (scene.how == Hostility::None) {
        QCOMPARE(after.value(QStringLiteral("Settings.ini")), kSettings + "Peculiar=0\r\nLanguage=0\r\n");
        QVERIFY(after.value(QStringLiteral("DefaultCommands.icf")).startsWith(kPresets + "Param2=\r\n"));
        return;
    }
    QCOMPARE(after.keys(), before.keys());
    for (auto it = before.begin(); it != before.end(); ++it)
        QVERIFY2(after.value(it.key()) == it.value(), qPrintable(it.key() + QStringLiteral(" changed")));
    qInfo("written elsewhere: %s", qPrintable(contentsOf(scene.config).keys().join(QLatin1Char(' '))));
}

QTEST_GUILESS_MAIN(TestHostileFolder)
#include "tst_hostilefolder.moc"
