#include "Pty.h"

#include <QProcess>
#include <QTest>

// The yardstick's figures only mean something if it reads everything the port sends, and it
// must refuse a path it cannot use with a message rather than measure nothing.
class TestQtFloor : public QObject {
    Q_OBJECT

private slots:
    void refusesWhatItCannotUse_data();
    void refusesWhatItCannotUse();
    void drainsEverythingThePortSends();
};

void TestQtFloor::refusesWhatItCannotUse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("no path") << QStringList{} << 2 << "usage: qtfloor PATH";
    QTest::newRow("two paths") << QStringList{"/a", "/b"} << 2 << "usage: qtfloor PATH";
    QTest::newRow("missing") << QStringList{"/nonexistent/tty"} << 1 << "No such file";
    // It opens but is no terminal: it cannot be put into raw mode.
    QTest::newRow("not a terminal") << QStringList{"/dev/null"} << 1 << "Inappropriate ioctl";
}

void TestQtFloor::refusesWhatItCannotUse()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    QProcess floor;
    floor.start(QStringLiteral(QTFLOOR_PATH), arguments);
    QVERIFY(floor.waitForFinished(30000));
    QCOMPARE(floor.exitStatus(), QProcess::NormalExit);
    QCOMPARE(floor.exitCode(), exitCode);
    QVERIFY2(floor.readAllStandardError().contains(message.toUtf8()), qPrintable(message));
}

void TestQtFloor::drainsEverythingThePortSends()
{
    Pty device;
    QVERIFY(device.isValid());
    QProcess floor;
    floor.start(QStringLiteral(QTFLOOR_PATH), {device.slavePath()});
    QVERIFY(floor.waitForStarted());

    // Far more than the slave's input queue holds: it only all goes through if every
    // notification is read to the end, again and again.
    QVERIFY(device.writeMaster(QByteArray(1 << 20, 'x'), 30000));
    QTRY_COMPARE_WITH_TIMEOUT(device.waitingAtSlave(), 0, 30000);
    QCOMPARE(floor.state(), QProcess::Running);

    floor.terminate();
    QVERIFY(floor.waitForFinished(30000));
}

QTEST_GUILESS_MAIN(TestQtFloor)
#include "tst_qtfloor.moc"
