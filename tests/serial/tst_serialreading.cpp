// How the serial layer takes received bytes in over a real pseudo-terminal: a polling reader is
// woken by nobody between its counts, a resting one is told at once, and bytes reach it in
// order whoever took them from the descriptor.
#include "Cp1252.h"
#include "Pty.h"
#include "QtSerialPort.h"

#include <QTest>

#include <atomic>
#include <thread>

using platform::PortActivity;
using platform::QtSerialPort;

namespace {

struct Listener {
    int arrivals = 0;
    int losses = 0;
    void attach(QtSerialPort &port)
    {
        port.setActivityNotification([this](PortActivity what) {
            ++(what == PortActivity::BytesArrived ? arrivals : losses);
        });
    }
};

enum class Reader { Polls, Rests };

// A port open on a pty, told whether its reader polls, its notifications counted.
struct OpenPort {
    explicit OpenPort(Reader reader)
    {
        listener.attach(port);
        port.setReaderPolling(reader == Reader::Polls);
        port.setPortOpen(true);
    }
    Pty pty;
    QtSerialPort port{[this](int) { return pty.slavePath(); }};
    Listener listener;
};

QString readAll(QtSerialPort &port)
{
    port.inBufferCount();
    return port.input();
}

// Plays bytes at the device and has one count take them all in at once.
bool countedAtOnce(OpenPort &open, const QByteArray &bytes)
{
    return open.pty.writeMaster(bytes) && open.pty.waitUntilWaitingAtSlave(bytes.size())
        && open.port.inBufferCount() == bytes.size();
}

} // namespace

class TestSerialReading : public QObject {
    Q_OBJECT

private slots:
    void aPollingReaderIsWokenByNobody()
    {
        OpenPort open(Reader::Polls);
        QVERIFY(open.pty.isValid());
        auto &[pty, port, listener] = open;

        for (int piece = 0; piece < 5; ++piece) {
            QVERIFY(pty.writeMaster("0123456789"));
            QTest::qWait(20);
        }
        QCOMPARE(listener.arrivals, 0);
        // The bytes waited in the system; the count takes them in.
        QCOMPARE(port.inBufferCount(), qint16(50));
        QCOMPARE(port.input(), QStringLiteral("0123456789").repeated(5));
        QCOMPARE(listener.arrivals, 0);
    }

    void aRestingReaderIsToldAndTheBytesAreTakenIn()
    {
        OpenPort open(Reader::Rests);
        QVERIFY(open.pty.isValid());
        auto &[pty, port, listener] = open;
        QVERIFY(pty.writeMaster("AT\r"));
        QTRY_VERIFY(listener.arrivals > 0);

        // Bytes that came while the reader polled are told as soon as it rests.
        port.setReaderPolling(true);
        QVERIFY(pty.writeMaster("OK\r"));
        QTest::qWait(20);
        const int told = listener.arrivals;
        port.setReaderPolling(false);
        QTRY_VERIFY(listener.arrivals > told);
        QCOMPARE(port.inBufferCount(), qint16(6));
        QCOMPARE(port.input(), QStringLiteral("AT\rOK\r"));
        QCOMPARE(listener.losses, 0);
    }

    // The system queues 4 KiB only: once a count finds the queue full, the port takes the
    // bytes in as they come, so a fast device is not held up until the next count.
    void aFastLineIsTakenInBetweenCounts()
    {
        OpenPort open(Reader::Polls);
        QVERIFY(open.pty.isValid());
        auto &[pty, port, listener] = open;
        QVERIFY(countedAtOnce(open, QByteArray(4000, 'a')));

        constexpr qsizetype kMore = 256 * 1024;
        const QByteArray more = platform::encodeCp1252(QStringLiteral("0123456789abcdef").repeated(kMore / 16));
        std::atomic<bool> written = false;
        std::thread writer([&] { written = pty.writeMaster(more, 30000); });
        // No count runs meanwhile; the event loop alone must keep the device going.
        const bool done = QTest::qWaitFor([&] { return written.load(); }, 30000);
        writer.join();
        QVERIFY(done);
        const QByteArray expected = QByteArray(4000, 'a') + more;
        QCOMPARE(port.inBufferCount(), qint16(32767));
        // The last bytes may still be on their way through the system.
        QByteArray received;
        QTRY_VERIFY((received += platform::encodeCp1252(readAll(port))).size() >= expected.size());
        QCOMPARE(received, expected);
        QCOMPARE(listener.arrivals, 0);
    }

    // A count every 10 ms takes in what a 3 Mbaud line delivers meanwhile: bytes that leave
    // the queue room wait there for the next count, and nothing wakes the event loop for them.
    void aLineTheCountsKeepUpWithWaitsForThem()
    {
        OpenPort open(Reader::Polls);
        QVERIFY(open.pty.isValid());
        auto &[pty, port, listener] = open;
        QVERIFY(countedAtOnce(open, QByteArray(3000, 'a')));

        QVERIFY(pty.writeMaster(QByteArray(3000, 'b')));
        QVERIFY(pty.waitUntilWaitingAtSlave(3000));
        QTest::qWait(20);
        QCOMPARE(pty.waitingAtSlave(), qsizetype(3000));
        QCOMPARE(port.inBufferCount(), qint16(6000));
        QCOMPARE(pty.waitingAtSlave(), qsizetype(0));
        QCOMPARE(port.input(), QString(3000, u'a') + QString(3000, u'b'));
        QCOMPARE(listener.arrivals, 0);
    }

    // Waiting for a write to go out, Qt reads whatever is readable by itself.
    void bytesTakenDuringAWriteKeepTheirPlace()
    {
        OpenPort open(Reader::Polls);
        QVERIFY(open.pty.isValid());
        auto &[pty, port, listener] = open;
        Q_UNUSED(listener);
        QVERIFY(pty.writeMaster("first "));
        QCOMPARE(port.inBufferCount(), qint16(6));
        QVERIFY(pty.writeMaster("second "));
        port.output(QStringLiteral("ping"));
        QVERIFY(pty.writeMaster("third"));
        QTRY_COMPARE(port.inBufferCount(), qint16(18));
        QCOMPARE(port.input(), QStringLiteral("first second third"));
        QCOMPARE(pty.readMaster(4), QByteArray("ping"));
    }

    void everyByteValueInOrderThroughManyCounts()
    {
        OpenPort open(Reader::Polls);
        QVERIFY(open.pty.isValid());
        auto &[pty, port, listener] = open;
        Q_UNUSED(listener);
        QByteArray sent;
        for (int round = 0; round < 64; ++round) {
            for (int b = 0; b < 256; ++b)
                sent.append(char((b + round) % 256));
        }
        QString received;
        for (qsizetype at = 0; at < sent.size(); at += 1000) {
            QVERIFY(pty.writeMaster(sent.mid(at, 1000)));
            if (at % 3000 == 0)
                received += readAll(port);
        }
        QTRY_VERIFY((received += readAll(port)).size() >= sent.size());
        QCOMPARE(platform::encodeCp1252(received), sent);
    }

    // Nothing reads between counts, so the count itself finds the loss.
    void aPollingReaderFindsTheLossByCounting()
    {
        OpenPort open(Reader::Polls);
        QVERIFY(open.pty.isValid());
        auto &[pty, port, listener] = open;
        pty.closeMaster();
        QCOMPARE(port.inBufferCount(), qint16(0));
        QVERIFY(!port.portOpen());
        QVERIFY(port.takeDeviceLost());
        QTRY_COMPARE(listener.losses, 1);
    }
};

QTEST_GUILESS_MAIN(TestSerialReading)
#include "tst_serialreading.moc"
