// Ports another program holds: lock files naming a live process, no device opened to find out,
// and the marks held ports get in a port list.
#include "PortDiscovery.h"
#include "PortHolders.h"
#include "PortListMarks.h"
#include "Pty.h"
#include "TestFiles.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

QString list(const QStringList &fields)
{
    return fields.join(kPortListSeparator);
}

// A process id that no process has any more: a child that has ended and been reaped.
qint64 endedProcessId()
{
    QProcess child;
    child.start(QStringLiteral("true"), {});
    child.waitForFinished();
    return child.processId() > 0 ? child.processId() : 0x3ffffff0;
}

} // namespace

class TestPortHolders : public QObject {
    Q_OBJECT

private slots:
    void lockFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("held");
        QTest::newRow("a live process, as Qt writes it")
            << QByteArray::number(qint64(::getppid())) + "\nminicom\nhost\n" << true;
        QTest::newRow("a live process, uucp style") << QByteArray("     ") + QByteArray::number(qint64(::getppid())) + "\n"
                                                    << true;
        QTest::newRow("this program") << QByteArray::number(qint64(::getpid())) + "\n" << false;
        QTest::newRow("a process that ended") << QByteArray::number(endedProcessId()) + "\n" << false;
        QTest::newRow("no number") << QByteArray("garbage\n") << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void lockFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, held);
        QTemporaryDir devices;
        QTemporaryDir locks;
        const QString device = devices.filePath(QStringLiteral("ttyV0"));
        QVERIFY(writeFile(device, {}));
        QVERIFY(writeFile(locks.filePath(QStringLiteral("LCK..ttyV0")), content));
        QCOMPARE(platform::isHeldByAnotherProgram(device, QString(), {QStringLiteral("/nonexistent"), locks.path()}), held);
        // A link leads to the same lock, and the program's own port is never "another program's".
        const QString link = devices.filePath(QStringLiteral("link"));
        QVERIFY(QFile::link(device, link));
        QCOMPARE(platform::isHeldByAnotherProgram(link, QString(), {locks.path()}), held);
        QVERIFY(!platform::isHeldByAnotherProgram(device, link, {locks.path()}));
    }

    void noDeviceIsOpenedToFindOut()
    {
        // A pty whose slave nobody opened yet, as socat leaves it: one open and close of the
        // slave would hang up the master, and socat would end.
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(master >= 0);
        QVERIFY(::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const QString slave = QString::fromLocal8Bit(::ptsname(master));
        QTemporaryDir noLocks;
        QVERIFY(!platform::isHeldByAnotherProgram(slave, QString(), {noLocks.path()}));
        char byte = 0;
        QCOMPARE(::read(master, &byte, 1), ssize_t(-1));
        QCOMPARE(errno, EAGAIN); // not EIO: the slave was never opened and closed
        ::close(master);
        QVERIFY(!platform::isHeldByAnotherProgram(QStringLiteral("/nonexistent/ttyUSB9")));
    }

    void marks_data()
    {
        QTest::addColumn<QString>("portList");
        QTest::addColumn<QList<int>>("held");
        QTest::addColumn<QString>("marked");
        QTest::newRow("none") << "0" << QList<int>{1} << "0";
        QTest::newRow("second of two")
            << list({"2", "1", "Serial port (ttyS0)", "3", "FT232R (ttyUSB0)"}) << QList<int>{3}
            << list({"2", "1", "Serial port (ttyS0)", "3", "[in use] FT232R (ttyUSB0)"});
        QTest::newRow("both, one without a name")
            << list({"2", "4", "", "7", "X"}) << QList<int>{4, 7} << list({"2", "4", "[in use] ", "7", "[in use] X"});
        QTest::newRow("no number") << list({"1", "", "X"}) << QList<int>{0} << list({"1", "", "X"});
        QTest::newRow("incomplete pair") << list({"2", "1", "A", "3"}) << QList<int>{1, 3}
                                         << list({"2", "1", "[in use] A", "3"});
    }
    void marks()
    {
        QFETCH(QString, portList);
        QFETCH(QList<int>, held);
        QFETCH(QString, marked);
        QCOMPARE(markHeldPorts(portList, [&](int n) { return held.contains(n); }, QStringLiteral("[in use]")), marked);
    }
};

QTEST_GUILESS_MAIN(TestPortHolders)
#include "tst_portholders.moc"
