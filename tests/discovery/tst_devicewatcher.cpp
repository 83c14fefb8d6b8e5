// The system's device watcher on folders of the test's own: it tells of the changes that
// decide where a device path leads, follows folders that come later and links to other
// folders, and says nothing once stopped.
#include "DeviceWatcher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

bool touch(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

// Long enough for a notification already queued to arrive; nothing is timed by it.
constexpr int kSettleMs = 100;

} // namespace

class TestDeviceWatcher : public QObject {
    Q_OBJECT

private slots:
    void foldersMadeLaterAreFollowedDownToTheNode()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("serial/by-id/usb-X"));
        const auto watcher = platform::makeDeviceWatcher();
        int changes = 0;
        QVERIFY(watcher->watch(path, [&] { ++changes; }));
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("serial"))));
        QTRY_VERIFY(changes > 0);
        int before = changes;
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("serial/by-id"))));
        QTRY_VERIFY(changes > before);
        QTest::qWait(kSettleMs);
        before = changes;
        QVERIFY(QFile::link(QStringLiteral("../../nowhere"), path));
        QTRY_VERIFY(changes > before);
    }

    void theFolderALinkLeadsToIsWatchedToo()
    {
        QTemporaryDir links;
        QTemporaryDir nodes;
        const QString link = links.filePath(QStringLiteral("device"));
        const QString target = nodes.filePath(QStringLiteral("pts7"));
        QVERIFY(QFile::link(target, link)); // dangling: the pty is gone
        const auto watcher = platform::makeDeviceWatcher();
        int changes = 0;
        QVERIFY(watcher->watch(link, [&] { ++changes; }));
        QVERIFY(touch(target));
        QTRY_VERIFY(changes > 0);
    }

    void otherFoldersAndAStoppedWatcherSayNothing()
    {
        QTemporaryDir watched;
        QTemporaryDir other;
        const auto watcher = platform::makeDeviceWatcher();
        int changes = 0;
        QVERIFY(watcher->watch(watched.filePath(QStringLiteral("node")), [&] { ++changes; }));
        QVERIFY(touch(other.filePath(QStringLiteral("node"))));
        QTest::qWait(kSettleMs);
        QCOMPARE(changes, 0);
        watcher->stop();
        QVERIFY(touch(watched.filePath(QStringLiteral("node"))));
        QTest::qWait(kSettleMs);
        QCOMPARE(changes, 0);
    }

};

QTEST_GUILESS_MAIN(TestDeviceWatcher)
#include "tst_devicewatcher.moc"
