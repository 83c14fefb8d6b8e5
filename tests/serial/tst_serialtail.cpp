// The last bytes of a device that goes away: whatever the OS handed the program before the
// hang-up is read, in order and once, although the port closes under the reader's feet.
#include "Cp1252.h"
#include "Pty.h"
#include "QtSerialPort.h"
#include "ReadProbe.h"

#include <QEventLoop>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

using platform::QtSerialPort;
using platform::Failure;

namespace {

constexpr int kTrialsPerRow = 30;
constexpr int kTickMs = 20;
constexpr qint16 kChunkBytes = 512;
constexpr int kTrialTimeoutMs = 10000;

QByteArray bytesOf(const QString &text)
{
    return platform::encodeCp1252(text);
}

// Reads the port the way the terminal does: on a timer, and only once the count of waiting
// bytes stayed the same for a tick (or a chunk's worth waits), so that received bytes wait in
// the port for a while.
// After the loss it takes what the device left, then checks that nothing else is left.
class TailReader {
public:
    TailReader(QtSerialPort &port, std::function<void()> finished)
        : m_port(port), m_finished(std::move(finished))
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(kTickMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_timer.start();
    }

    bool lost() const { return m_lost; }
    QByteArray received() const { return m_received; }
    // The count after the loss matched what input() then returned, and afterwards both were empty.
    bool leftoverReportedConsistently() const { return m_consistent; }

private:
    void tick()
    {
        if (m_port.takeDeviceLost()) {
            m_timer.stop();
            m_lost = true;
            const qint16 count = m_port.inBufferCount();
            const QByteArray rest = bytesOf(m_port.input());
            m_received += rest;
            m_consistent = count == std::min(rest.size(), qsizetype(32767)) && m_port.inBufferCount() == 0
                           && m_port.input().isEmpty() && !m_port.portOpen() && !m_port.takeDeviceLost();
            m_finished();
            return;
        }
        const qint16 count = m_port.inBufferCount();
        if (count >= kChunkBytes || (count > 0 && count == m_lastCount)) {
            m_received += bytesOf(m_port.input());
            m_lastCount = 0;
            return;
        }
        m_lastCount = count;
    }

    QtSerialPort &m_port;
    std::function<void()> m_finished;
    QTimer m_timer;
    qint16 m_lastCount = 0;
    QByteArray m_received;
    bool m_lost = false;
    bool m_consistent = false;
};

// Figures over the trials of one row, printed whether the row passes or not.
struct Tally {
    int trials = 0;
    int fullyDelivered = 0; // trials in which the OS delivered everything the device wrote
    int faulty = 0;         // trials in which the program did not read exactly what it was given
    qint64 written = 0;
    qint64 delivered = 0;
    qint64 read = 0;

    void add(const QByteArray &sent, const QByteArray &given, const QByteArray &got)
    {
        ++trials;
        fullyDelivered += given == sent ? 1 : 0;
        faulty += got == given ? 0 : 1;
        written += sent.size();
        delivered += given.size();
        read += got.size();
    }
    QString summary() const
    {
        return QStringLiteral("%1 trials: written %2 bytes, OS delivered %3 (all of it in %4 trials), "
                              "read %5; %6 bytes delivered but not read, %7 faulty trials")
            .arg(trials)
            .arg(written)
            .arg(delivered)
            .arg(fullyDelivered)
            .arg(read)
            .arg(delivered - read)
            .arg(faulty);
    }
};

// One trial: the device runs on its own thread against the master, the port is read only as
// this thread's event loop delivers, until the loss has been reported and handled.
void runTrial(const std::function<QByteArray(Pty &)> &device, Tally &tally)
{
    Pty pty;
    QVERIFY(pty.isValid());
    QtSerialPort port([path = pty.slavePath()](int) { return path; });
    port.setPortOpen(true);
    QVERIFY(readprobe::watch(pty.slavePath()));

    QEventLoop loop;
    TailReader reader(port, [&loop] { loop.quit(); });
    QTimer::singleShot(kTrialTimeoutMs, &loop, &QEventLoop::quit);
    QByteArray sent;
    std::thread deviceThread([&] { sent = device(pty); });
    loop.exec();
    deviceThread.join();
    readprobe::stop();

    QVERIFY2(reader.lost(), "the vanished device was not reported");
    QVERIFY(reader.leftoverReportedConsistently());
    const QByteArray given = readprobe::delivered();
    // A pty delivers in order what was written; what it drops at the hang-up is the kernel's.
    QVERIFY(sent.startsWith(given));
    tally.add(sent, given, reader.received());
}

// Rows report their figures on every run, so that a fix can be measured against the old code.
void reportAndCheck(const Tally &tally)
{
    qInfo("%s: %s", QTest::currentDataTag(), qPrintable(tally.summary()));
    QVERIFY(tally.trials > 0);
    QVERIFY2(tally.faulty == 0, qPrintable(tally.summary()));
    QCOMPARE(tally.read, tally.delivered);
}

// A port on the pty whose device wrote "BYE\r\n", which the port has taken in, and then went
// away; nothing when the pty or the port does not come up.
std::unique_ptr<QtSerialPort> portWhoseDeviceSaidByeAndWent(Pty &pty)
{
    if (!pty.isValid())
        return nullptr;
    auto port = std::make_unique<QtSerialPort>([path = pty.slavePath()](int) { return path; });
    port->setPortOpen(true);
    if (!pty.writeMaster("BYE\r\n") || !QTest::qWaitFor([&] { return port->inBufferCount() == 5; }))
        return nullptr;
    pty.closeMaster();
    return port;
}

} // namespace

class TestSerialTail : public QObject {
    Q_OBJECT
private slots:
    void lastLineBeforeTheDeviceGoes_data();
    void lastLineBeforeTheDeviceGoes();
    void streamCutAtARandomPoint_data();
    void streamCutAtARandomPoint();
    void leftBytesAreCountedWhileTheCloseWaits();
    void countingNoticesTheHangUpBeforeQtDoes();
    void closingOrReopeningForgetsTheLeftBytes();
};

void TestSerialTail::lastLineBeforeTheDeviceGoes_data()
{
    QTest::addColumn<int>("delayMs");
    for (const int delay : {0, 1, 5, 10, 20})
        QTest::addRow("closed %d ms after BYE", delay) << delay;
}

// However soon after its last line the device goes, the delay only decides how much of the line
// the OS delivers; every byte it delivers must reach the reader.
void TestSerialTail::lastLineBeforeTheDeviceGoes()
{
    QFETCH(int, delayMs);
    Tally tally;
    for (int trial = 0; trial < kTrialsPerRow; ++trial) {
        runTrial(
            [delayMs](Pty &pty) {
                const QByteArray line("BYE\r\n");
                if (!pty.writeMaster(line))
                    return QByteArray();
                if (delayMs > 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
                pty.closeMaster();
                return line;
            },
            tally);
        if (QTest::currentTestFailed())
            return;
    }
    reportAndCheck(tally);
}

void TestSerialTail::streamCutAtARandomPoint_data()
{
    QTest::addColumn<int>("largestPiece");
    QTest::newRow("pieces of up to 8 bytes") << 8;
    QTest::newRow("pieces of up to 100 bytes") << 100;
    QTest::newRow("pieces of up to 2000 bytes") << 2000;
}

// Random bytes in random pieces with random pauses; the device goes at a random moment.
void TestSerialTail::streamCutAtARandomPoint()
{
    QFETCH(int, largestPiece);
    Tally tally;
    for (int trial = 0; trial < kTrialsPerRow; ++trial) {
        const quint32 seed = quint32(largestPiece * 1000 + trial);
        runTrial(
            [seed, largestPiece](Pty &pty) {
                QRandomGenerator random(seed);
                const int total = random.bounded(1, 20000);
                QByteArray sent;
                while (sent.size() < total) {
                    const int piece = std::min(random.bounded(1, largestPiece + 1), total - int(sent.size()));
                    QByteArray bytes(piece, Qt::Uninitialized);
                    for (char &byte : bytes)
                        byte = char(random.bounded(256));
                    if (!pty.writeMaster(bytes))
                        break;
                    sent += bytes;
                    const int pauseUs = random.bounded(0, 3000);
                    if (pauseUs > 2000)
                        std::this_thread::sleep_for(std::chrono::microseconds(pauseUs - 2000));
                }
                const int lastPauseUs = random.bounded(0, 25000);
                std::this_thread::sleep_for(std::chrono::microseconds(lastPauseUs));
                pty.closeMaster();
                return sent;
            },
            tally);
        if (QTest::currentTestFailed()) {
            qWarning("seed %u", seed);
            return;
        }
    }
    reportAndCheck(tally);
}

// A write that finds the device gone reports the loss before the event loop closes the handle;
// a reader that counts in between sees the bytes the device left.
void TestSerialTail::leftBytesAreCountedWhileTheCloseWaits()
{
    Pty pty;
    const std::unique_ptr<QtSerialPort> opened = portWhoseDeviceSaidByeAndWent(pty);
    QVERIFY(opened);
    QtSerialPort &port = *opened;

    QCOMPARE(qint32([&] {
                 try {
                     port.output(QStringLiteral("AT\r"));
                 } catch (const Failure &error) {
                     return error.number;
                 }
                 return 0;
             }()),
             qint32(platform::ErrWriteFailed));
    QVERIFY(!port.portOpen());
    QCOMPARE(port.inBufferCount(), qint16(5));
    QVERIFY(port.takeDeviceLost());
    QCOMPARE(port.inBufferCount(), qint16(5));
    QCOMPARE(port.input(), QStringLiteral("BYE\r\n"));
    QCOMPARE(port.inBufferCount(), qint16(0));
    QCOMPARE(port.input(), QString());

    QTest::qWait(50); // the delayed close comes and goes without bringing anything back
    QCOMPARE(port.inBufferCount(), qint16(0));
    QVERIFY(!port.takeDeviceLost());
}

// No event loop runs between the hang-up and the count, so Qt has not looked at the descriptor.
void TestSerialTail::countingNoticesTheHangUpBeforeQtDoes()
{
    Pty pty;
    const std::unique_ptr<QtSerialPort> opened = portWhoseDeviceSaidByeAndWent(pty);
    QVERIFY(opened);
    QtSerialPort &port = *opened;

    QCOMPARE(port.inBufferCount(), qint16(5));
    QVERIFY(!port.portOpen());
    QVERIFY(port.takeDeviceLost());
    QCOMPARE(port.input(), QStringLiteral("BYE\r\n"));
    QCOMPARE(port.inBufferCount(), qint16(0));
    QTest::qWait(50);
    QVERIFY(!port.portOpen());
    QVERIFY(!port.takeDeviceLost());
}

void TestSerialTail::closingOrReopeningForgetsTheLeftBytes()
{
    Pty first;
    Pty second;
    QVERIFY(first.isValid() && second.isValid());
    QString path = first.slavePath();
    QtSerialPort port([&path](int) { return path; });

    const auto loseWithBye = [&](Pty &pty) {
        port.setPortOpen(true);
        QVERIFY(pty.writeMaster("BYE\r\n"));
        QTRY_COMPARE(port.inBufferCount(), qint16(5));
        pty.closeMaster();
        QVERIFY(QTest::qWaitFor([&] { return port.takeDeviceLost(); }, 5000));
        QCOMPARE(port.inBufferCount(), qint16(5));
    };

    loseWithBye(first);
    if (QTest::currentTestFailed())
        return;
    port.setPortOpen(false);
    QCOMPARE(port.inBufferCount(), qint16(0));
    QCOMPARE(port.input(), QString());

    path = second.slavePath();
    Pty third;
    QVERIFY(third.isValid());
    loseWithBye(second);
    if (QTest::currentTestFailed())
        return;
    path = third.slavePath();
    port.setPortOpen(true);
    QVERIFY(port.portOpen());
    QCOMPARE(port.inBufferCount(), qint16(0));
    QVERIFY(third.writeMaster("HI"));
    QTRY_COMPARE(port.inBufferCount(), qint16(2));
    QCOMPARE(port.input(), QStringLiteral("HI"));
}

QTEST_GUILESS_MAIN(TestSerialTail)
#include "tst_serialtail.moc"
