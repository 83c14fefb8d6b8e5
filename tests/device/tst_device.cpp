// The simulated instrument's behaviour, without a pty: what it answers and when it sends.
#include "Instrument.h"
#include "StreamPattern.h"

#include <QTest>

using device::Instrument;
using device::InstrumentOptions;
using device::Mode;

namespace {

InstrumentOptions optionsFor(Mode mode)
{
    InstrumentOptions options;
    options.mode = mode;
    return options;
}

InstrumentOptions streamOptions(qint64 bytesPerSecond, qint64 length, bool immediately = false)
{
    InstrumentOptions options = optionsFor(Mode::Stream);
    options.bytesPerSecond = bytesPerSecond;
    options.streamBytes = length;
    options.startImmediately = immediately;
    return options;
}

} // namespace

class TestDevice : public QObject {
    Q_OBJECT
private slots:
    void modeNames_data();
    void modeNames();
    void commandAnswers_data();
    void commandAnswers();
    void periodicModeAnswersCommandsToo();
    void echoReturnsEveryByte();
    void periodicLinesFollowTheInterval();
    void periodicSkipsMissedLinesInsteadOfBursting();
    void periodicSendsNothingBeforeATerminalAttaches();
    void streamWaitsForTheFirstByte();
    void streamCanStartOnAttaching();
    void streamKeepsItsRate();
    void streamResumesWithoutBurstAfterReattaching();
    void streamRespectsTheRoomGiven();
};

void TestDevice::modeNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("mode"); // -1: not a mode
    QTest::newRow("echo") << "echo" << int(Mode::Echo);
    QTest::newRow("command") << "command" << int(Mode::Command);
    QTest::newRow("periodic") << "periodic" << int(Mode::Periodic);
    QTest::newRow("stream") << "stream" << int(Mode::Stream);
    QTest::newRow("capitals") << "Echo" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("unknown") << "burst" << -1;
}

void TestDevice::modeNames()
{
    QFETCH(QString, name);
    QFETCH(int, mode);
    const std::optional<Mode> parsed = device::modeFromName(name);
    QCOMPARE(parsed ? int(*parsed) : -1, mode);
}

void TestDevice::commandAnswers_data()
{
    QTest::addColumn<QByteArrayList>("chunks");
    QTest::addColumn<QByteArray>("answer");
    const QByteArray ok = "OK\r\n";
    const QByteArray error = "ERROR\r\n";
    QTest::newRow("AT with CR") << QByteArrayList{"AT\r"} << ok;
    QTest::newRow("AT with LF") << QByteArrayList{"AT\n"} << ok;
    QTest::newRow("AT with CR LF answers once") << QByteArrayList{"AT\r\n"} << ok;
    QTest::newRow("identification") << QByteArrayList{"*IDN?\n"} << device::kIdentification;
    QTest::newRow("unknown command") << QByteArrayList{"MEAS?\r"} << error;
    QTest::newRow("commands are case-sensitive") << QByteArrayList{"at\r"} << error;
    QTest::newRow("blank is a command") << QByteArrayList{" AT\r"} << error;
    QTest::newRow("unfinished command waits") << QByteArrayList{"AT"} << QByteArray();
    QTest::newRow("line ends alone say nothing") << QByteArrayList{"\r\n\r\n\n"} << QByteArray();
    QTest::newRow("split across chunks") << QByteArrayList{"A", "T", "\r"} << ok;
    QTest::newRow("several in one chunk")
        << QByteArrayList{"AT\r*IDN?\nXY\r\n"} << ok + device::kIdentification + error;
    QTest::newRow("NUL inside a command") << QByteArrayList{QByteArray("A\0T\r", 4)} << error;
}

void TestDevice::commandAnswers()
{
    QFETCH(QByteArrayList, chunks);
    QFETCH(QByteArray, answer);
    Instrument instrument(optionsFor(Mode::Command));
    instrument.attached(0);
    QByteArray said;
    for (const QByteArray &chunk : std::as_const(chunks))
        said += instrument.received(chunk, 0);
    QCOMPARE(said, answer);
}

void TestDevice::periodicModeAnswersCommandsToo()
{
    Instrument instrument(optionsFor(Mode::Periodic));
    instrument.attached(0);
    QCOMPARE(instrument.received("AT\r", 0), QByteArray("OK\r\n"));
    QCOMPARE(instrument.received("*IDN?\n", 0), device::kIdentification);
}

void TestDevice::echoReturnsEveryByte()
{
    Instrument instrument(optionsFor(Mode::Echo));
    instrument.attached(0);
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    QCOMPARE(instrument.received(all, 0), all);
    QCOMPARE(instrument.msUntilDue(0), qint64(-1));
}

void TestDevice::periodicLinesFollowTheInterval()
{
    InstrumentOptions options = optionsFor(Mode::Periodic);
    options.intervalMs = 100;
    Instrument instrument(options);
    instrument.attached(1000);
    QCOMPARE(instrument.msUntilDue(1000), qint64(100));
    QCOMPARE(instrument.due(1099, 1024), QByteArray());
    QCOMPARE(instrument.due(1100, 1024), QByteArray("MEAS 1 20.125\r\n"));
    QCOMPARE(instrument.due(1100, 1024), QByteArray());
    QCOMPARE(instrument.msUntilDue(1150), qint64(50));
    QCOMPARE(instrument.due(1205, 1024), QByteArray("MEAS 2 20.250\r\n"));
    QCOMPARE(instrument.msUntilDue(1205), qint64(95)); // the schedule does not drift
    QCOMPARE(instrument.linesMeasured(), qint64(2));
}

void TestDevice::periodicSkipsMissedLinesInsteadOfBursting()
{
    InstrumentOptions options = optionsFor(Mode::Periodic);
    options.intervalMs = 100;
    Instrument instrument(options);
    instrument.attached(0);
    QCOMPARE(instrument.due(1000, 1024), QByteArray("MEAS 1 20.125\r\n"));
    QCOMPARE(instrument.due(1000, 1024), QByteArray());
    QCOMPARE(instrument.msUntilDue(1000), qint64(100));
}

void TestDevice::periodicSendsNothingBeforeATerminalAttaches()
{
    Instrument instrument(optionsFor(Mode::Periodic));
    QCOMPARE(instrument.msUntilDue(5000), qint64(-1));
    QCOMPARE(instrument.due(5000, 1024), QByteArray());
}

void TestDevice::streamWaitsForTheFirstByte()
{
    Instrument instrument(streamOptions(0, 1000));
    instrument.attached(0);
    QCOMPARE(instrument.due(10, 4096), QByteArray());
    QCOMPARE(instrument.msUntilDue(10), qint64(-1));
    QCOMPARE(instrument.received("x", 20), QByteArray());
    QCOMPARE(instrument.msUntilDue(20), qint64(0));
    QCOMPARE(instrument.due(20, 4096), streampattern::bytes(0, 1000));
    QCOMPARE(instrument.msUntilDue(20), qint64(-1));
    QCOMPARE(instrument.due(5000, 4096), QByteArray());
}

void TestDevice::streamCanStartOnAttaching()
{
    Instrument instrument(streamOptions(0, 64, true));
    QCOMPARE(instrument.due(0, 4096), QByteArray()); // no one to send to yet
    instrument.attached(0);
    QCOMPARE(instrument.due(0, 4096), streampattern::bytes(0, 64));
}

void TestDevice::streamKeepsItsRate()
{
    Instrument instrument(streamOptions(1000, 1500, true));
    instrument.attached(0);
    QCOMPARE(instrument.due(500, 4096), streampattern::bytes(0, 500));
    QCOMPARE(instrument.due(500, 4096), QByteArray());
    QCOMPARE(instrument.msUntilDue(500), qint64(1));
    QCOMPARE(instrument.due(1000, 4096), streampattern::bytes(500, 500));
    QCOMPARE(instrument.due(60000, 4096), streampattern::bytes(1000, 500)); // no more than its length
    QCOMPARE(instrument.streamBytesSent(), qint64(1500));
    QCOMPARE(instrument.msUntilDue(60000), qint64(-1));
}

void TestDevice::streamResumesWithoutBurstAfterReattaching()
{
    Instrument instrument(streamOptions(1000, 100000, true));
    instrument.attached(0);
    QCOMPARE(instrument.due(500, 4096).size(), 500);
    instrument.attached(10000); // the terminal was away for nine and a half seconds
    QCOMPARE(instrument.due(10000, 4096), QByteArray());
    QCOMPARE(instrument.due(10100, 4096), streampattern::bytes(500, 100));
}

void TestDevice::streamRespectsTheRoomGiven()
{
    Instrument instrument(streamOptions(0, 10000, true));
    instrument.attached(0);
    QCOMPARE(instrument.due(0, 3000), streampattern::bytes(0, 3000));
    QCOMPARE(instrument.due(0, 0), QByteArray());
    QCOMPARE(instrument.due(0, 10000), streampattern::bytes(3000, 7000));
}

QTEST_GUILESS_MAIN(TestDevice)
#include "tst_device.moc"
