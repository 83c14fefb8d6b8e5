// The capture on the session: every sent and received line becomes one file line whatever the
// display shows, in batches handed to the system a quarter of a second after their first line,
// and a failing file ends the capture once, leaving what was written alone. Fake files and
// fake time first, then the real append layer on real files.
#include "AppendFile.h"
#include "FakeAppendFiles.h"
#include "FakeClock.h"
#include "FakeSerialPort.h"
#include "FakeTimers.h"
#include "TerminalSession.h"
#include "TestFiles.h"
#include "TrafficCapture.h"
#include "TrafficLine.h"
#include "modGlobal.h"

#include <QDir>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>

namespace {

const CaptureHeader kHeader{QStringLiteral("Tellurix 2006.1.0"), 3, QStringLiteral("19200"), true};
const QByteArray kHeaderLine = "# Tellurix 2006.1.0, COM3, 19200 baud, started 2026-12-07 14:03:27 UTC\n";
const QString kLog = QStringLiteral("/capture/Tellurix.log");
const QString kBin = QStringLiteral("/capture/Tellurix.bin");

struct Rig {
    Rig()
    {
        g_bytComPort = 2;
        g_bytBaudrate = 6;
        g_bytPeculiar = 0;
        auto owned = std::make_unique<FakeSerialPort>();
        port = owned.get();
        session = std::make_unique<TerminalSession>(std::move(owned));
        session->prc_MainOpenInterface();
        capture = std::make_unique<TrafficCapture>(*session);
    }
    ~Rig() { g_bytPeculiar = 0; }
    // The device answers; the poll reads it after its quiet pause.
    void receive(const QByteArray &bytes)
    {
        port->arrive(bytes);
        advance(40);
    }
    // Time goes on; then the writer is done with what it was handed, and a failure it met is
    // told, as the event loop would tell it.
    void advance(qint64 ms)
    {
        timers.advance(ms);
        capture->waitForWrites();
        QCoreApplication::sendPostedEvents();
    }
    FakeAppendFiles::File &log() { return files.files[kLog]; }
    FakeAppendFiles::File &bin() { return files.files[kBin]; }

    FakeClock clock;
    FakeTimers timers{clock};
    FakeAppendFiles files;
    FakeSerialPort *port = nullptr; // owned by the session
    std::unique_ptr<TerminalSession> session;
    std::unique_ptr<TrafficCapture> capture;
};

} // namespace

class TestTrafficCapture : public QObject {
    Q_OBJECT

private slots:
    void linesAreTheBytesWhateverTheDisplay_data();
    void linesAreTheBytesWhateverTheDisplay();
    void everyLineReachesTheSystemWithinAQuarterSecond();
    void aLargeBatchIsWrittenAtTheNextTurn();
    void theRawBytesAloneNeedNoLog();
    void stopAndDestructionWriteWhatIsPending();
    void anOlderFileIsContinuedOnALineOfItsOwn();
    void aFailureEndsTheCaptureOnce_data();
    void aFailureEndsTheCaptureOnce();
    void aStalledDiskNeverHoldsUpTheTerminal();
    void aDiskThatDoesNotKeepUpEndsTheCapture();
    void aFileThatCannotBeOpenedStartsNothing();
    void realFileWhoseFolderIsRenamedAway();
    void realFileWhoseNameIsTakenByAnother();
    void realWriteRefusedHalfwayLeavesTheFileAsItWas();
};

void TestTrafficCapture::linesAreTheBytesWhateverTheDisplay_data()
{
    QTest::addColumn<int>("peculiar");
    QTest::newRow("raw display") << 0;
    QTest::newRow("token display") << 1;
}

void TestTrafficCapture::linesAreTheBytesWhateverTheDisplay()
{
    QFETCH(int, peculiar);
    Rig r;
    g_bytPeculiar = quint8(peculiar);
    r.capture->start(kLog, kBin, kHeader);
    r.session->SendText(QStringLiteral("AT<CR>\x01€"));
    r.advance(5);
    r.receive(QByteArray("OK\r\n\0\x81<LF>", 10));
    QCOMPARE(r.log().content(), kHeaderLine); // nothing but the header before the batch is due
    r.advance(TrafficCapture::kFlushMs);
    QCOMPARE(r.log().content(), kHeaderLine
                                    + "14:03:27.000  [OUT]  AT<CR><SOH>\xE2\x82\xAC\n"
                                      "14:03:27.030  [IN]   OK<CR><LF><NUL><x81><LT>LF>\n");
    QCOMPARE(r.log().writes.size(), 2); // the header, then one batch
    // The raw file: received bytes only.
    QCOMPARE(r.bin().content(), QByteArray("OK\r\n\0\x81<LF>", 10));
    QCOMPARE(r.port->written, QByteArray("AT\r\x01\x80"));
}

void TestTrafficCapture::everyLineReachesTheSystemWithinAQuarterSecond()
{
    Rig r;
    r.capture->start(kLog, QString(), kHeader);
    // A line every 30 ms for three seconds: each is in the file no later than 250 ms after it
    // appeared, and the lines go out in batches, not one write each.
    QStringList expected;
    QList<qint64> appearedAt;
    for (int i = 0; i < 100; ++i) {
        r.session->SendText(QString::number(i));
        appearedAt.append(r.timers.nowMs());
        expected.append(r.session->traffic().lineAt(i));
        r.advance(30);
        const QStringList written = QString::fromUtf8(r.log().content()).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1);
        for (int k = 0; k <= i; ++k) {
            if (r.timers.nowMs() - appearedAt.at(k) >= TrafficCapture::kFlushMs)
                QVERIFY2(k < written.size(), qPrintable(QStringLiteral("line %1 missing").arg(k)));
        }
        QCOMPARE(written, expected.mid(0, written.size()));
    }
    QVERIFY2(r.log().writes.size() <= 1 + 3000 / TrafficCapture::kFlushMs + 1,
             qPrintable(QString::number(r.log().writes.size())));
    QVERIFY(r.log().writes.size() >= 10);
}

void TestTrafficCapture::aLargeBatchIsWrittenAtTheNextTurn()
{
    Rig r;
    r.capture->start(kLog, kBin, kHeader);
    const QByteArray big(TrafficCapture::kFlushBytes, 'x');
    r.capture->addLine(r.clock.now, kMarkerIn, big);
    QCOMPARE(r.log().writes.size(), 1); // not inside the line's own append
    r.advance(1);
    QCOMPARE(r.log().writes.size(), 2);
    QCOMPARE(r.bin().content(), big);
}

void TestTrafficCapture::theRawBytesAloneNeedNoLog()
{
    Rig r;
    r.capture->start(QString(), kBin, kHeader);
    QVERIFY(r.capture->isActive());
    QCOMPARE(r.capture->namedPath(), kBin);
    r.session->SendText(QStringLiteral("AT<CR>"));
    r.advance(TrafficCapture::kFlushMs);
    QCOMPARE(r.files.files.count(kBin), size_t(1));
    QVERIFY(r.bin().writes.isEmpty()); // what went out is not in it, and no empty write either
    r.receive(QByteArray("OK\r\n\0\xFF", 6));
    r.receive("<CR>");
    r.advance(TrafficCapture::kFlushMs);
    QCOMPARE(r.bin().content(), QByteArray("OK\r\n\0\xFF<CR>", 10));
    QCOMPARE(r.bin().writes.size(), 1);
    QCOMPARE(r.files.files.count(kLog), size_t(0)); // no log was ever opened
    // A failure names the raw file, the only one there is.
    QSignalSpy failed(r.capture.get(), &TrafficCapture::failed);
    r.bin().failWritesWith = ENOSPC;
    r.receive("more");
    r.advance(TrafficCapture::kFlushMs);
    QCOMPARE(failed.size(), 1);
    QVERIFY(failed.at(0).at(0).value<platform::Failure>().textValues.contains(kBin));
    QVERIFY(!r.capture->isActive());
}

void TestTrafficCapture::stopAndDestructionWriteWhatIsPending()
{
    Rig r;
    QSignalSpy active(r.capture.get(), &TrafficCapture::activeChanged);
    r.capture->start(kLog, kBin, kHeader);
    r.session->SendText(QStringLiteral("A"));
    r.capture->stop();
    QVERIFY(!r.capture->isActive());
    QCOMPARE(r.log().content(), kHeaderLine + "14:03:27.000  [OUT]  A\n");
    r.session->SendText(QStringLiteral("B")); // after the stop: not captured
    r.advance(1000);
    QCOMPARE(r.log().content(), kHeaderLine + "14:03:27.000  [OUT]  A\n");
    QCOMPARE(active.size(), 2);

    r.capture->start(kLog, QString(), kHeader);
    r.receive("C");
    r.capture.reset();
    QVERIFY(r.log().content().endsWith("[IN]   C\n"));
}

void TestTrafficCapture::anOlderFileIsContinuedOnALineOfItsOwn()
{
    Rig r;
    r.log().writes.append("12:00:00.000  [IN]   half a li");
    r.log().midLine = true;
    r.capture->start(kLog, QString(), kHeader);
    QCOMPARE(r.log().content(), "12:00:00.000  [IN]   half a li\n" + kHeaderLine);
}

void TestTrafficCapture::aFailureEndsTheCaptureOnce_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("folderGone");
    QTest::addColumn<bool>("rawFails");
    QTest::addColumn<int>("textId");
    QTest::newRow("full disk") << ENOSPC << false << false << 1720;
    QTest::newRow("full disk, raw file") << ENOSPC << false << true << 1720;
    QTest::newRow("quota") << EDQUOT << false << false << 1720;
    QTest::newRow("input/output error") << EIO << false << false << 1722;
    QTest::newRow("folder removed") << 0 << true << false << 1721;
}

void TestTrafficCapture::aFailureEndsTheCaptureOnce()
{
    QFETCH(int, error);
    QFETCH(bool, folderGone);
    QFETCH(bool, rawFails);
    QFETCH(int, textId);
    Rig r;
    QSignalSpy failed(r.capture.get(), &TrafficCapture::failed);
    r.capture->start(kLog, kBin, kHeader);
    r.receive("before");
    r.advance(TrafficCapture::kFlushMs);
    const QByteArray written = r.log().content();
    QVERIFY(written.endsWith("[IN]   before\n"));

    FakeAppendFiles::File &failing = rawFails ? r.bin() : r.log();
    failing.failWritesWith = error;
    failing.gone = folderGone;
    r.receive("after");
    r.advance(TrafficCapture::kFlushMs);
    QCOMPARE(failed.size(), 1);
    QVERIFY(!r.capture->isActive());
    const auto failure = failed.at(0).at(0).value<platform::Failure>();
    QCOMPARE(failure.textId, textId);
    QCOMPARE(failure.number, platform::kAppendFailureBase + (folderGone ? ENOENT : error));
    QVERIFY(failure.textValues.contains(rawFails ? kBin : kLog));

    // The terminal goes on; the capture stays ended and says nothing more.
    r.session->SendText(QStringLiteral("still here"));
    r.receive("more");
    r.advance(2000);
    QCOMPARE(failed.size(), 1);
    QCOMPARE(r.port->written, QByteArray("still here"));
    QCOMPARE(r.session->traffic().count(), 4);
    // A refused write left the log as it was. (Lines written to a file whose folder is gone
    // went nowhere: nothing to compare.)
    if (!rawFails && !folderGone)
        QCOMPARE(r.log().content(), written);
}

void TestTrafficCapture::aStalledDiskNeverHoldsUpTheTerminal()
{
    QSemaphore gate; // outlives the rig, whose writer may wait for it
    Rig r;
    r.capture->start(kLog, kBin, kHeader);
    r.log().gate = &gate;
    r.bin().gate = &gate;
    // The disk takes nothing for a while: sends, receives and flushes go on regardless.
    for (int i = 0; i < 20; ++i) {
        r.session->SendText(QStringLiteral("S%1").arg(i));
        r.port->arrive("R" + QByteArray::number(i));
        r.timers.advance(300);
    }
    QCOMPARE(r.session->traffic().count(), 40);
    QCOMPARE(r.port->written.size(), 50);
    gate.release(1000);
    r.capture->stop();
    QCOMPARE(r.log().appendsGivenUp + r.bin().appendsGivenUp, 0);
    const QStringList written = QString::fromUtf8(r.log().content()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(written.size(), 41);
    for (int i = 0; i < 40; ++i)
        QCOMPARE(written.at(i + 1).left(21), r.session->traffic().lineAt(i).left(21));
    QVERIFY(r.bin().content().startsWith("R0R1R2"));
}

void TestTrafficCapture::aDiskThatDoesNotKeepUpEndsTheCapture()
{
    QSemaphore gate;
    Rig r;
    QSignalSpy failed(r.capture.get(), &TrafficCapture::failed);
    r.capture->start(kLog, QString(), kHeader);
    r.log().gate = &gate;
    const QByteArray megabyte(1 << 20, 'x');
    for (int i = 0; i * megabyte.size() <= CaptureWriter::kMostQueuedBytes + megabyte.size() && failed.isEmpty(); ++i) {
        r.capture->addLine(r.clock.now, kMarkerIn, megabyte);
        r.timers.advance(1);
        QCoreApplication::sendPostedEvents();
    }
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.at(0).at(0).value<platform::Failure>().textId, 1723);
    QVERIFY(!r.capture->isActive());
    // Ending the capture did not wait for the stalled write.
    QCOMPARE(r.log().appendsGivenUp.load(), 0);
    r.session->SendText(QStringLiteral("on"));
    QCOMPARE(r.port->written, QByteArray("on"));
    gate.release(1000);
}

void TestTrafficCapture::aFileThatCannotBeOpenedStartsNothing()
{
    Rig r;
    r.files.refuseOpenWith = EACCES;
    QSignalSpy active(r.capture.get(), &TrafficCapture::activeChanged);
    QVERIFY_THROWS_EXCEPTION(platform::Failure, r.capture->start(kLog, kBin, kHeader));
    QVERIFY(!r.capture->isActive());
    QCOMPARE(active.size(), 0);
    r.session->SendText(QStringLiteral("x"));
    r.advance(1000);
    QVERIFY(r.files.files.empty());
}

void TestTrafficCapture::realFileWhoseFolderIsRenamedAway()
{
    Rig r;
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("captures")));
    const QString log = dir.filePath(QStringLiteral("captures/a.log"));
    QSignalSpy failed(r.capture.get(), &TrafficCapture::failed);
    platform::setAppendFileFactory({}); // the real files, not the rig's fakes
    r.capture->start(log, QString(), kHeader);
    r.receive("one");
    r.advance(TrafficCapture::kFlushMs);
    QVERIFY(QDir(dir.path()).rename(QStringLiteral("captures"), QStringLiteral("moved")));
    r.receive("two");
    r.advance(TrafficCapture::kFlushMs);
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.at(0).at(0).value<platform::Failure>().textId, 1721);
    // The file went with its folder; what it holds is whole lines.
    const QByteArray moved = readFile(dir.filePath(QStringLiteral("moved/a.log")));
    QVERIFY(moved.startsWith(kHeaderLine));
    QVERIFY(moved.endsWith('\n'));
    QVERIFY(moved.contains("[IN]   one\n"));
    QVERIFY(!QFile::exists(log));
}

void TestTrafficCapture::realFileWhoseNameIsTakenByAnother()
{
    Rig r;
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("a.log"));
    QSignalSpy failed(r.capture.get(), &TrafficCapture::failed);
    platform::setAppendFileFactory({});
    r.capture->start(log, QString(), kHeader);
    QVERIFY(QFile::remove(log));
    QVERIFY(writeFile(log, "someone else's\n"));
    r.receive("x");
    r.advance(TrafficCapture::kFlushMs);
    QCOMPARE(failed.size(), 1);
    QCOMPARE(readFile(log), QByteArray("someone else's\n"));
}

// A file-size limit stands in for a disk that fills up in the middle of a batch: the system
// takes part of it, then refuses. The part is taken back.
void TestTrafficCapture::realWriteRefusedHalfwayLeavesTheFileAsItWas()
{
    Rig r;
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("a.log"));
    QSignalSpy failed(r.capture.get(), &TrafficCapture::failed);
    platform::setAppendFileFactory({});
    r.capture->start(log, QString(), kHeader);
    r.receive("complete");
    r.advance(TrafficCapture::kFlushMs);
    const QByteArray before = readFile(log);

    rlimit old{};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &old) == 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{rlim_t(before.size() + 100), old.rlim_max};
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
    r.receive(QByteArray(1000, 'y'));
    r.advance(TrafficCapture::kFlushMs);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);

    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed.at(0).at(0).value<platform::Failure>().textId, 1720);
    QCOMPARE(readFile(log), before);
}

QTEST_GUILESS_MAIN(TestTrafficCapture)
#include "tst_trafficcapture.moc"
