// The serial layer over real pseudo-terminals: the port table, opening and its failures, bytes
// both ways, a vanished device, and the device simulator.
#include "Cp1252.h"
#include "PortTable.h"
#include "Pty.h"
#include "QtSerialPort.h"
#include "StreamPattern.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using platform::QtSerialPort;
using platform::Failure;

namespace {

QtSerialPort::Resolver alwaysPath(const QString &path)
{
    return [path](int) { return path; };
}

QString allBytesAsText()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    return platform::decodeCp1252(all);
}

// Runs `action`, which must throw a Failure; returns it (number 0 when nothing was thrown).
template<typename Action>
Failure failureOf(Action action)
{
    try {
        action();
    } catch (const Failure &error) {
        return error;
    }
    return Failure(QString(), 0);
}

double processCpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

// A tellurix-device process in a temporary folder, stopped at the end of the test.
class SimulatedDevice {
public:
    explicit SimulatedDevice(QStringList arguments)
    {
        m_link = m_dir.filePath(QStringLiteral("ttySim"));
        m_ready = m_dir.filePath(QStringLiteral("ready"));
        arguments << QStringLiteral("--link") << m_link << QStringLiteral("--ready-file") << m_ready
                  << QStringLiteral("--exit-after-ms") << QStringLiteral("60000");
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(TELLURIX_DEVICE), arguments);
    }
    ~SimulatedDevice()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            m_process.waitForFinished(5000);
        }
    }

    bool waitUntilReady()
    {
        return QTest::qWaitFor([this] { return QFile::exists(m_ready); }, 10000);
    }
    QString link() const { return m_link; }
    QString readyFile() const { return m_ready; }
    QProcess &process() { return m_process; }

private:
    QTemporaryDir m_dir;
    QString m_link;
    QString m_ready;
    QProcess m_process;
};

} // namespace

class TestSerialPort : public QObject {
    Q_OBJECT
private slots:
    // The port table.
    void defaultDeviceFollowsLinuxNumbering_data();
    void defaultDeviceFollowsLinuxNumbering();
    void portsIniEntryWins_data();
    void portsIniEntryWins();
    void portsIniLiesBesideTheProgram();
    void opensTheDeviceTheTableNames();

    // Configuring and opening.
    void portNumberOutOfRange_data();
    void portNumberOutOfRange();
    void badSettingsText_data();
    void badSettingsText();
    void ratesOpenOnAPty_data();
    void ratesOpenOnAPty();
    void missingDevice();
    void busyDevice_data();
    void busyDevice();
    void deniedDevice();
    void openingTwiceIsHarmlessAndClosingReleases();

    // Bytes both ways.
    void writeOnClosedPortFails();
    void everyByteValueReachesTheDevice();
    void bytesFromTheDeviceAreCountedAndRead();
    void countIsCappedButNothingIsDropped();
    void megabyteArrivesCompleteAndInOrder();

    // The device goes away.
    void vanishedDeviceClosesThePortWithoutSpinning();
    void vanishedDeviceFailsAWrite();

    // The stream checker.
    void streamPatternUsesEveryByteValue();
    void streamCheckerAcceptsTheStreamInAnyChunks();
    void streamCheckerFindsFaults_data();
    void streamCheckerFindsFaults();

    // The device simulator.
    void simulatorAnswers_data();
    void simulatorAnswers();
    void simulatorSendsMeasurements();
    void simulatorStreamsThePattern();
    void simulatorRemovesItsLinkWhenTerminated();
};

void TestSerialPort::defaultDeviceFollowsLinuxNumbering_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("device");
    QTest::newRow("COM1") << 1 << "/dev/ttyS0";
    QTest::newRow("COM2") << 2 << "/dev/ttyS1";
    QTest::newRow("COM10") << 10 << "/dev/ttyS9";
    QTest::newRow("COM256") << 256 << "/dev/ttyS255";
}

// Only the rule is checked: the machine's own serial ports are never opened.
void TestSerialPort::defaultDeviceFollowsLinuxNumbering()
{
    QFETCH(int, port);
    QFETCH(QString, device);
    QTemporaryDir dir;
    QCOMPARE(platform::devicePathForPort(port, dir.filePath(QStringLiteral("Ports.ini"))), device);
}

void TestSerialPort::portsIniEntryWins_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("device");
    QTest::newRow("entry") << 20 << "/tmp/ttyV0";
    QTest::newRow("by-id path") << 3 << "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1234-if00-port0";
    QTest::newRow("key in small letters") << 5 << "/dev/ttyUSB0";
    QTest::newRow("blanks around the value") << 6 << "/dev/ttyACM1";
    QTest::newRow("empty entry falls back") << 7 << "/dev/ttyS6";
    QTest::newRow("no entry") << 4 << "/dev/ttyS3";
    QTest::newRow("COM2 is not COM20") << 2 << "/dev/ttyS1";
}

void TestSerialPort::portsIniEntryWins()
{
    QFETCH(int, port);
    QFETCH(QString, device);
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Ports.ini"));
    writeFile(ini, "[SETTINGS]\r\nCOM4=/dev/wrong-section\r\n"
                   "[PORTS]\r\n"
                   "COM20=/tmp/ttyV0\r\n"
                   "COM3=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1234-if00-port0\r\n"
                   "com5=/dev/ttyUSB0\r\n"
                   "COM6 =  /dev/ttyACM1  \r\n"
                   "COM7=\r\n");
    QCOMPARE(platform::devicePathForPort(port, ini), device);
}

void TestSerialPort::portsIniLiesBesideTheProgram()
{
    QCOMPARE(platform::portsIniPath(), QCoreApplication::applicationDirPath() + QStringLiteral("/Ports.ini"));
}

void TestSerialPort::opensTheDeviceTheTableNames()
{
    Pty pty;
    QVERIFY(pty.isValid());
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Ports.ini"));
    writeFile(ini, "[PORTS]\r\nCOM20=" + QFile::encodeName(pty.slavePath()) + "\r\n");

    QtSerialPort port([ini](int n) { return platform::devicePathForPort(n, ini); });
    port.setCommPort(20);
    port.setPortOpen(true);
    QVERIFY(port.portOpen());
    port.output(QStringLiteral("AT\r"));
    QCOMPARE(pty.readMaster(3), QByteArray("AT\r"));
}

void TestSerialPort::portNumberOutOfRange_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("number"); // 0: accepted
    QTest::newRow("0") << 0 << 8002;
    QTest::newRow("-1") << -1 << 8002;
    QTest::newRow("257") << 257 << 8002;
    QTest::newRow("1") << 1 << 0;
    QTest::newRow("256") << 256 << 0;
}

void TestSerialPort::portNumberOutOfRange()
{
    QFETCH(int, port);
    QFETCH(int, number);
    QtSerialPort serial(alwaysPath(QStringLiteral("/nonexistent")));
    serial.setCommPort(7);
    const Failure error = failureOf([&] { serial.setCommPort(port); });
    QCOMPARE(error.number, number);
    QCOMPARE(serial.commPort(), number == 0 ? port : 7);
    if (number != 0)
        QVERIFY2(error.description.contains(QString::number(port)), qPrintable(error.description));
}

void TestSerialPort::badSettingsText_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("number"); // 0: accepted
    QTest::newRow("9600,N,8,1") << "9600,N,8,1" << 0;
    QTest::newRow("56000,N,8,1") << "56000,N,8,1" << 0;
    QTest::newRow("small n") << "115200,n,8,1" << 0;
    QTest::newRow("even parity") << "9600,E,8,1" << 8015;
    QTest::newRow("7 data bits") << "9600,N,7,1" << 8015;
    QTest::newRow("2 stop bits") << "9600,N,8,2" << 8015;
    QTest::newRow("rate 0") << "0,N,8,1" << 8015;
    QTest::newRow("negative rate") << "-9600,N,8,1" << 8015;
    QTest::newRow("rate not a number") << "fast,N,8,1" << 8015;
    QTest::newRow("rate alone") << "9600" << 8015;
    QTest::newRow("empty") << "" << 8015;
    QTest::newRow("five fields") << "9600,N,8,1,1" << 8015;
}

void TestSerialPort::badSettingsText()
{
    QFETCH(QString, settings);
    QFETCH(int, number);
    QtSerialPort port(alwaysPath(QStringLiteral("/nonexistent")));
    port.setSettings(QStringLiteral("19200,N,8,1"));
    const Failure error = failureOf([&] { port.setSettings(settings); });
    QCOMPARE(error.number, number);
    QCOMPARE(port.settings(), number == 0 ? settings : QStringLiteral("19200,N,8,1"));
}

void TestSerialPort::ratesOpenOnAPty_data()
{
    QTest::addColumn<int>("rate");
    for (const int rate : {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 56000, 57600, 115200})
        QTest::addRow("%d", rate) << rate;
}

void TestSerialPort::ratesOpenOnAPty()
{
    QFETCH(int, rate);
    Pty pty;
    QVERIFY(pty.isValid());
    QtSerialPort port(alwaysPath(pty.slavePath()));
    port.setSettings(QStringLiteral("%1,N,8,1").arg(rate));
    port.setPortOpen(true);
    QVERIFY(port.portOpen());
    QCOMPARE(pty.slaveLineSpeed(), rate);
}

void TestSerialPort::missingDevice()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ttyGone"));
    QtSerialPort port(alwaysPath(path));
    port.setCommPort(3);
    const Failure error = failureOf([&] { port.setPortOpen(true); });
    QCOMPARE(error.number, 8010);
    QVERIFY2(error.description.contains(path), qPrintable(error.description));
    QVERIFY2(error.description.contains(QStringLiteral("COM3")), qPrintable(error.description));
    QVERIFY(!port.portOpen());
}

void TestSerialPort::busyDevice_data()
{
    QTest::addColumn<bool>("secondThroughLink");
    QTest::newRow("same path") << false;
    QTest::newRow("through a link") << true;
}

void TestSerialPort::busyDevice()
{
    QFETCH(bool, secondThroughLink);
    Pty pty;
    QVERIFY(pty.isValid());
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("ttyLink"));
    QVERIFY(QFile::link(pty.slavePath(), link));
    const QString secondPath = secondThroughLink ? link : pty.slavePath();

    QtSerialPort first(alwaysPath(pty.slavePath()));
    first.setPortOpen(true);
    QtSerialPort second(alwaysPath(secondPath));
    second.setCommPort(2);
    const Failure error = failureOf([&] { second.setPortOpen(true); });
    QCOMPARE(error.number, 8005);
    QVERIFY2(error.description.contains(secondPath), qPrintable(error.description));
    QVERIFY2(error.description.contains(QStringLiteral("in use")), qPrintable(error.description));
    QVERIFY(!second.portOpen());

    // The first keeps working.
    QVERIFY(first.portOpen());
    first.output(QStringLiteral("still here"));
    QCOMPARE(pty.readMaster(10), QByteArray("still here"));
}

void TestSerialPort::deniedDevice()
{
    if (::geteuid() == 0)
        QSKIP("file permissions do not stop root");
    Pty pty;
    QVERIFY(pty.isValid());
    QCOMPARE(::chmod(QFile::encodeName(pty.slavePath()).constData(), 0), 0);
    QtSerialPort port(alwaysPath(pty.slavePath()));
    const Failure error = failureOf([&] { port.setPortOpen(true); });
    QCOMPARE(error.number, 8016);
    QVERIFY2(error.description.contains(pty.slavePath()), qPrintable(error.description));
    QVERIFY2(error.description.contains(QStringLiteral("dialout")), qPrintable(error.description));
}

void TestSerialPort::openingTwiceIsHarmlessAndClosingReleases()
{
    Pty pty;
    QVERIFY(pty.isValid());
    QtSerialPort first(alwaysPath(pty.slavePath()));
    first.setPortOpen(true);
    first.setPortOpen(true);
    QVERIFY(first.portOpen());
    first.setPortOpen(false);
    QVERIFY(!first.portOpen());
    first.setPortOpen(false);

    QtSerialPort second(alwaysPath(pty.slavePath()));
    second.setPortOpen(true); // the lock went with the close
    QVERIFY(second.portOpen());
    second.setPortOpen(false);
    first.setPortOpen(true); // and the same object opens again
    first.output(QStringLiteral("again"));
    QCOMPARE(pty.readMaster(5), QByteArray("again"));
}

void TestSerialPort::writeOnClosedPortFails()
{
    Pty pty;
    QVERIFY(pty.isValid());
    QtSerialPort port(alwaysPath(pty.slavePath()));
    QCOMPARE(failureOf([&] { port.output(QStringLiteral("x")); }).number, 8012);
    port.setPortOpen(true);
    port.setPortOpen(false);
    QCOMPARE(failureOf([&] { port.output(QStringLiteral("x")); }).number, 8012);
    QCOMPARE(pty.readMasterUntilQuiet(50), QByteArray());
}

void TestSerialPort::everyByteValueReachesTheDevice()
{
    Pty pty;
    QVERIFY(pty.isValid());
    QtSerialPort port(alwaysPath(pty.slavePath()));
    port.setPortOpen(true);
    port.output(allBytesAsText());
    // No event loop ran: the bytes went out before output() returned.
    const QByteArray received = pty.readMaster(256, 2000);
    QCOMPARE(received, platform::encodeCp1252(allBytesAsText()));
    QCOMPARE(received.size(), 256);
    for (int b = 0; b < 256; ++b)
        QCOMPARE(quint8(received[b]), quint8(b));
}

void TestSerialPort::bytesFromTheDeviceAreCountedAndRead()
{
    Pty pty;
    QVERIFY(pty.isValid());
    QtSerialPort port(alwaysPath(pty.slavePath()));
    QCOMPARE(port.inBufferCount(), qint16(0)); // closed
    port.setPortOpen(true);
    QCOMPARE(port.inBufferCount(), qint16(0));

    QVERIFY(pty.writeMaster("OK\r\n"));
    QTRY_COMPARE(port.inBufferCount(), qint16(4));
    QCOMPARE(port.input(), QStringLiteral("OK\r\n"));
    QCOMPARE(port.inBufferCount(), qint16(0));
    QCOMPARE(port.input(), QString());

    QVERIFY(pty.writeMaster(platform::encodeCp1252(allBytesAsText())));
    QTRY_COMPARE(port.inBufferCount(), qint16(256));
    QCOMPARE(port.input(), allBytesAsText());
}

void TestSerialPort::countIsCappedButNothingIsDropped()
{
    Pty pty;
    QVERIFY(pty.isValid());
    QtSerialPort port(alwaysPath(pty.slavePath()));
    port.setPortOpen(true);
    const QByteArray burst = streampattern::bytes(0, 40000);
    bool written = false;
    std::thread writer([&] { written = pty.writeMaster(burst, 20000); });
    QTRY_COMPARE_WITH_TIMEOUT(port.inBufferCount(), qint16(32767), 20000);
    QTest::qWait(100); // more keeps arriving; the count stays capped
    QCOMPARE(port.inBufferCount(), qint16(32767));
    QByteArray received = platform::encodeCp1252(port.input());
    QVERIFY(received.size() >= 32767);
    QVERIFY(QTest::qWaitFor(
        [&] { return (received += platform::encodeCp1252(port.input())).size() >= burst.size(); }, 20000));
    writer.join();
    QVERIFY(written);
    QCOMPARE(received, burst);
}

void TestSerialPort::megabyteArrivesCompleteAndInOrder()
{
    constexpr qint64 kTotal = 1 << 20;
    Pty pty;
    QVERIFY(pty.isValid());
    QtSerialPort port(alwaysPath(pty.slavePath()));
    port.setSettings(QStringLiteral("115200,N,8,1"));
    port.setPortOpen(true);

    bool written = false;
    std::thread writer([&] { written = pty.writeMaster(streampattern::bytes(0, kTotal), 60000); });
    streampattern::StreamChecker checker;
    const auto drain = [&] {
        checker.consume(platform::encodeCp1252(port.input()));
        return checker.bytesSeen() >= kTotal;
    };
    QVERIFY(QTest::qWaitFor(drain, 60000));
    writer.join();
    QVERIFY(written);
    QCOMPARE(checker.firstErrorOffset(), qint64(-1));
    QVERIFY(checker.isComplete(kTotal));
}

void TestSerialPort::vanishedDeviceClosesThePortWithoutSpinning()
{
    Pty pty;
    QVERIFY(pty.isValid());
    QtSerialPort port(alwaysPath(pty.slavePath()));
    port.setPortOpen(true);
    QVERIFY(!port.takeDeviceLost());

    pty.closeMaster();
    QVERIFY(QTest::qWaitFor([&] { return port.takeDeviceLost(); }, 5000));
    QVERIFY(!port.takeDeviceLost()); // reported once
    QVERIFY(!port.portOpen());
    QCOMPARE(port.inBufferCount(), qint16(0));
    QCOMPARE(port.input(), QString());
    QCOMPARE(failureOf([&] { port.output(QStringLiteral("x")); }).number, 8012);

    // A hung-up descriptor left in the event loop would use a whole core.
    const double before = processCpuSeconds();
    QTest::qWait(1000);
    const double used = processCpuSeconds() - before;
    QVERIFY2(used < 0.3, qPrintable(QStringLiteral("%1 s of CPU in 1 s of idle event loop").arg(used)));
    QVERIFY(!port.takeDeviceLost());
}

void TestSerialPort::vanishedDeviceFailsAWrite()
{
    Pty pty;
    QVERIFY(pty.isValid());
    QtSerialPort port(alwaysPath(pty.slavePath()));
    port.setPortOpen(true);
    pty.closeMaster();
    // No event loop ran since: the write itself finds the device gone.
    const Failure error = failureOf([&] { port.output(QStringLiteral("AT\r")); });
    QCOMPARE(error.number, 8020);
    QVERIFY2(error.description.contains(pty.slavePath()), qPrintable(error.description));
    QVERIFY(!port.portOpen());
    QVERIFY(port.takeDeviceLost());
    QTest::qWait(50);
    QVERIFY(!port.portOpen());
}

void TestSerialPort::streamPatternUsesEveryByteValue()
{
    const QByteArray stream = streampattern::bytes(0, 64 * 1024);
    QList<bool> seen(256, false);
    for (const char c : stream)
        seen[quint8(c)] = true;
    QVERIFY(!seen.contains(false));
    // The block number stands at the start of every block.
    QCOMPARE(stream.mid(16 * 0x0102, 4), QByteArray("\x00\x00\x01\x02", 4));
}

void TestSerialPort::streamCheckerAcceptsTheStreamInAnyChunks()
{
    const QByteArray stream = streampattern::bytes(0, 10000);
    for (const qsizetype chunk : {1, 7, 16, 333, 10000}) {
        streampattern::StreamChecker checker;
        for (qsizetype at = 0; at < stream.size(); at += chunk)
            checker.consume(QByteArrayView(stream).sliced(at, std::min(chunk, stream.size() - at)));
        QVERIFY(checker.isComplete(10000));
        QCOMPARE(checker.bytesOk(), qint64(10000));
        QCOMPARE(checker.firstErrorOffset(), qint64(-1));
        QVERIFY(!checker.isComplete(10001));
    }
}

void TestSerialPort::streamCheckerFindsFaults_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<qint64>("fault"); // -1: in order, only short
    const QByteArray stream = streampattern::bytes(0, 4096);
    QByteArray lost = stream;
    lost.remove(1000, 1);
    QByteArray lostBlock = stream;
    lostBlock.remove(1600, 16);
    QByteArray repeated = stream;
    repeated.insert(2000, stream.at(2000));
    QByteArray swapped = stream;
    std::swap(swapped[3000], swapped[3005]);
    QByteArray flipped = stream;
    flipped[4095] = char(flipped[4095] ^ 0x01);
    QTest::newRow("lost byte") << lost << qint64(1000);
    QTest::newRow("lost block") << lostBlock << qint64(1600);
    QTest::newRow("repeated byte") << repeated << qint64(2000);
    QTest::newRow("reordered bytes") << swapped << qint64(3000);
    QTest::newRow("changed last byte") << flipped << qint64(4095);
    QTest::newRow("lost tail") << stream.left(4095) << qint64(-1);
}

void TestSerialPort::streamCheckerFindsFaults()
{
    QFETCH(QByteArray, received);
    QFETCH(qint64, fault);
    streampattern::StreamChecker checker;
    checker.consume(received);
    QVERIFY(!checker.isComplete(4096));
    if (fault < 0) {
        QCOMPARE(checker.firstErrorOffset(), qint64(-1));
        QCOMPARE(checker.bytesOk(), qint64(received.size()));
        return;
    }
    // A fault shows at the first byte that differs from the pattern: within the same block.
    const qint64 found = checker.firstErrorOffset();
    QVERIFY2(found >= fault && found < fault + streampattern::kBlockSize, qPrintable(QString::number(found)));
    QCOMPARE(checker.bytesOk(), found);
}

void TestSerialPort::simulatorAnswers_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("command AT") << "command" << QByteArray("AT\r") << QByteArray("OK\r\n");
    QTest::newRow("command *IDN?") << "command" << QByteArray("*IDN?\n")
                                   << QByteArray("TELLURIX-SIM,Model 1,0001,1.0\r\n");
    QTest::newRow("command unknown") << "command" << QByteArray("VOLT 3\r") << QByteArray("ERROR\r\n");
    QTest::newRow("echo control bytes") << "echo" << QByteArray("\x00\x1a\r\n\x11\x13\xff", 7)
                                        << QByteArray("\x00\x1a\r\n\x11\x13\xff", 7);
}

void TestSerialPort::simulatorAnswers()
{
    QFETCH(QString, mode);
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, answer);
    SimulatedDevice device({QStringLiteral("--mode"), mode});
    QVERIFY(device.waitUntilReady());
    QCOMPARE(QFileInfo(device.link()).isSymLink(), true);

    QtSerialPort port(alwaysPath(device.link()));
    port.setPortOpen(true);
    port.output(platform::decodeCp1252(sent));
    QTRY_COMPARE(port.inBufferCount(), qint16(answer.size()));
    QCOMPARE(platform::encodeCp1252(port.input()), answer);
}

void TestSerialPort::simulatorSendsMeasurements()
{
    SimulatedDevice device({QStringLiteral("--mode"), QStringLiteral("periodic"),
                            QStringLiteral("--interval-ms"), QStringLiteral("20")});
    QVERIFY(device.waitUntilReady());
    QtSerialPort port(alwaysPath(device.link()));
    port.setPortOpen(true);
    QString received;
    const auto threeLines = [&] {
        received += port.input();
        return received.count(QStringLiteral("\r\n")) >= 3;
    };
    QVERIFY(QTest::qWaitFor(threeLines, 10000));
    QVERIFY2(received.startsWith(QStringLiteral("MEAS 1 20.125\r\nMEAS 2 20.250\r\nMEAS 3 20.375\r\n")),
             qPrintable(received));
}

void TestSerialPort::simulatorStreamsThePattern()
{
    constexpr qint64 kTotal = 300000;
    SimulatedDevice device({QStringLiteral("--mode"), QStringLiteral("stream"), QStringLiteral("--bytes"),
                            QString::number(kTotal), QStringLiteral("--start-immediately")});
    QVERIFY(device.waitUntilReady());
    QtSerialPort port(alwaysPath(device.link()));
    port.setPortOpen(true);
    streampattern::StreamChecker checker;
    const auto drain = [&] {
        checker.consume(platform::encodeCp1252(port.input()));
        return checker.bytesSeen() >= kTotal;
    };
    QVERIFY(QTest::qWaitFor(drain, 30000));
    QTest::qWait(50); // nothing beyond the length
    checker.consume(platform::encodeCp1252(port.input()));
    QCOMPARE(checker.firstErrorOffset(), qint64(-1));
    QVERIFY(checker.isComplete(kTotal));
}

void TestSerialPort::simulatorRemovesItsLinkWhenTerminated()
{
    SimulatedDevice device({QStringLiteral("--mode"), QStringLiteral("echo")});
    QVERIFY(device.waitUntilReady());
    QFile ready(device.readyFile());
    QVERIFY(ready.open(QIODevice::ReadOnly));
    QCOMPARE(ready.readAll(), QByteArray("ready\n"));
    QVERIFY(QFileInfo::exists(device.link()));

    device.process().terminate();
    QVERIFY(device.process().waitForFinished(5000));
    QCOMPARE(device.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(device.process().exitCode(), 0);
    QVERIFY(!QFileInfo(device.link()).isSymLink());
    QVERIFY(!QFileInfo::exists(device.readyFile()));
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"
