// The capture in the real binary on a private X server, with a device on a pseudo-terminal
// played by the test: an automatic capture of a 10 MB stream with its raw file, captures cut
// by SIGKILL at random moments, and a capture folder that fills up or goes away while the
// terminal goes on. Every wait is bounded.
#include "CaptureDecode.h"
#include "Pty.h"
#include "StreamPattern.h"
#include "TestFiles.h"
#include "XSession.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

namespace {

constexpr qint64 kBigStream = 10 * 1024 * 1024;

QByteArray settingsWithCapture(const QString &folder, int raw, int language)
{
    return "[SETTINGS]\r\nComPort=0\r\nBaudrate=10\r\nPeculiar=1\r\nLanguage=" + QByteArray::number(language)
           + "\r\n[CAPTURE]\r\nFolder=" + folder.toUtf8() + "\r\nRaw=" + QByteArray::number(raw) + "\r\n";
}

// The one file with this suffix in the folder; empty while there is none.
QString onlyFile(const QString &folder, const QString &suffix)
{
    const QStringList found = QDir(folder).entryList({QStringLiteral("Tellurix-*") + suffix}, QDir::Files);
    return found.size() == 1 ? QDir(folder).filePath(found.first()) : QString();
}

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

// Milliseconds of the day of "HH:MM:SS.mmm".
qint64 dayMs(const QString &stamp)
{
    const QTime t = QTime::fromString(stamp, QStringLiteral("HH:mm:ss.zzz"));
    return t.isValid() ? t.msecsSinceStartOfDay() : -1;
}

} // namespace

class TestCaptureEndToEnd : public QObject {
    Q_OBJECT
    std::unique_ptr<XSession> x;
    std::unique_ptr<Pty> device;

    std::unique_ptr<ProgramUnderTest> program(const QByteArray &settings, const QString &folder = {})
    {
        auto p = folder.isEmpty() ? std::make_unique<ProgramUnderTest>(QStringLiteral(TELLURIX_BINARY), *x)
                                  : std::make_unique<ProgramUnderTest>(QStringLiteral(TELLURIX_BINARY), *x, folder);
        if (!p->writeFile(QStringLiteral("Ports.ini"), "[PORTS]\r\nCOM1=" + device->slavePath().toUtf8() + "\r\n")
            || !p->writeFile(QStringLiteral("Settings.ini"), settings))
            return nullptr;
        return p;
    }

    // The message boxes with this title now on the screen.
    QStringList boxes(const QString &title)
    {
        const QString found = x->xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                          QStringLiteral("--name"), QLatin1Char('^') + title + QLatin1Char('$')},
                                         3000)
                                  .value_or(QString());
        return found.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    void failingFolderStopsTheCaptureOnly(ProgramUnderTest &p, const QString &captures, const QString &title,
                                          const std::function<void()> &makeItFail);

private slots:
    void initTestCase()
    {
        x = std::make_unique<XSession>();
        QVERIFY2(x->isValid(), "Xvfb did not start");
    }
    void cleanupTestCase() { x.reset(); }
    void init()
    {
        device = std::make_unique<Pty>();
        QVERIFY(device->isValid());
    }
    void cleanup() { device.reset(); }

    void automaticCaptureOfTenMegabytesWithItsRawFile();
    void killedWhileCapturingLosesAtMostTheLastSecond();
    void captureFolderFillingUp();
    void captureFolderGoingAway();
};

void TestCaptureEndToEnd::automaticCaptureOfTenMegabytesWithItsRawFile()
{
    QTemporaryDir captures;
    auto p = program(settingsWithCapture(captures.path(), 1, 0));
    QVERIFY(p);
    QVERIFY(p->start());
    QVERIFY(!p->waitForMainWindow().isEmpty());
    QVERIFY(waitFor([&] { return !onlyFile(captures.path(), QStringLiteral(".bin")).isEmpty(); }, 10000));
    const QString bin = onlyFile(captures.path(), QStringLiteral(".bin"));
    const QString log = onlyFile(captures.path(), QStringLiteral(".log"));
    QCOMPARE(QFileInfo(bin).completeBaseName(), QFileInfo(log).completeBaseName());

    const QByteArray sent = streampattern::bytes(0, kBigStream);
    QVERIFY(device->writeMaster(sent, 240000));
    // Everything the device sent reaches the raw file, at the latest a moment after it came.
    QVERIFY2(waitFor([&] { return QFileInfo(bin).size() >= kBigStream; }, 240000),
             qPrintable(QString::number(QFileInfo(bin).size())));
    QVERIFY(p->pressKeys({QStringLiteral("Escape")}));
    QVERIFY(p->waitForExit(60000));
    QCOMPARE(p->process().exitCode(), 0);

    QVERIFY(readFile(bin) == sent);
    const capturetest::ParsedCapture parsed = capturetest::parseCapture(readFile(log));
    QVERIFY(parsed.valid);
    QVERIFY(parsed.partialTail.isEmpty());
    QVERIFY(parsed.comments.value(0).startsWith(QStringLiteral("# Tellurix 2006.1.0, COM1, 115200 baud, started ")));
    const QByteArray fromLog = capturetest::receivedBytes(parsed);
    QCOMPARE(fromLog.size(), kBigStream);
    QVERIFY(fromLog == sent);
}

// The stream flows at a steady pace; the program is killed at a random moment. The log then
// holds whole lines (the last one may be cut) up to no more than a second before the kill,
// and the raw file is a prefix of what was sent.
void TestCaptureEndToEnd::killedWhileCapturingLosesAtMostTheLastSecond()
{
    QRandomGenerator random(quint32(QDateTime::currentMSecsSinceEpoch()));
    for (int trial = 0; trial < 3; ++trial) {
        QTemporaryDir captures;
        auto p = program(settingsWithCapture(captures.path(), 1, 1));
        QVERIFY(p);
        QVERIFY(p->start());
        QVERIFY(!p->waitForMainWindow().isEmpty());
        QVERIFY(waitFor([&] { return !onlyFile(captures.path(), QStringLiteral(".bin")).isEmpty(); }, 10000));
        const QString bin = onlyFile(captures.path(), QStringLiteral(".bin"));
        const QString log = onlyFile(captures.path(), QStringLiteral(".log"));

        // About 100 kB/s in 1 kB pieces, for 0.8 to 2.3 seconds.
        const int runMs = 800 + int(random.bounded(1500));
        QDeadlineTimer end(runMs);
        qint64 offset = 0;
        while (!end.hasExpired()) {
            const QByteArray piece = streampattern::bytes(offset, 1024);
            QVERIFY(device->writeMaster(piece, 5000));
            offset += piece.size();
            QThread::msleep(10);
        }
        const QDateTime killedAtUtc = QDateTime::currentDateTimeUtc();
        p->process().kill();
        QVERIFY(p->process().waitForFinished(10000));

        const QByteArray raw = readFile(bin);
        QVERIFY(raw == streampattern::bytes(0, raw.size()));
        const capturetest::ParsedCapture parsed = capturetest::parseCapture(readFile(log));
        QVERIFY2(parsed.valid, qPrintable(QStringLiteral("trial %1").arg(trial)));
        QVERIFY(!parsed.lines.isEmpty());
        const QByteArray fromLog = capturetest::receivedBytes(parsed);
        QVERIFY(fromLog.size() <= raw.size());
        QVERIFY(fromLog == streampattern::bytes(0, fromLog.size()));
        // A cut last line holds no more than a line can: it is a beginning of the next line.
        QVERIFY(!parsed.partialTail.contains('\n'));
        // The stamps are UTC times of day.
        const qint64 killMs = killedAtUtc.time().msecsSinceStartOfDay();
        const qint64 lastMs = dayMs(parsed.lines.last().stamp);
        const qint64 behind = ((killMs - lastMs) % 86'400'000 + 86'400'000) % 86'400'000;
        qInfo("trial %d: ran %d ms, sent %lld B, raw %lld B, log %lld B, last line %lld ms before the kill",
              trial, runMs, offset, qint64(raw.size()), qint64(fromLog.size()), behind);
        // Lines come every few milliseconds while the stream flows; the newest one written
        // lies no more than the promised second (and one gap between lines) behind.
        QVERIFY2(behind <= 1100, qPrintable(QString::number(behind)));
        device->readMasterUntilQuiet(50);
    }
}

void TestCaptureEndToEnd::failingFolderStopsTheCaptureOnly(ProgramUnderTest &p, const QString &captures,
                                                           const QString &title,
                                                           const std::function<void()> &makeItFail)
{
    QVERIFY(p.start());
    QVERIFY(!p.waitForMainWindow().isEmpty());
    QVERIFY(waitFor([&] { return !onlyFile(captures, QStringLiteral(".log")).isEmpty(); }, 10000));
    const QString log = onlyFile(captures, QStringLiteral(".log"));
    QVERIFY(device->writeMaster("before\r\n"));
    QVERIFY(waitFor([&] { return readFile(log).contains("before<CR><LF>"); }, 10000));

    makeItFail();
    // Traffic goes on until the capture notices.
    qint64 offset = 0;
    QVERIFY2(waitFor([&] {
                 device->writeMaster(streampattern::bytes(offset, 4096), 2000);
                 offset += 4096;
                 return !boxes(title).isEmpty();
             }, 30000),
             "no message box");
    const QStringList shown = boxes(title);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(p.process().state(), QProcess::Running);
    // More traffic brings no second box.
    QVERIFY(device->writeMaster(streampattern::bytes(0, 8192)));
    QThread::msleep(600);
    QCOMPARE(boxes(title).size(), 1);
    QVERIFY(x->xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), shown.first()}));
    QVERIFY(x->xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    QVERIFY(waitFor([&] { return boxes(title).isEmpty(); }, 5000));
    // The terminal is alive: what the user types goes out.
    device->readMasterUntilQuiet(50);
    QVERIFY(p.typeText(QStringLiteral("XY")));
    QVERIFY(p.pressKeys({QStringLiteral("Return")}));
    QCOMPARE(device->readMaster(2), QByteArray("XY"));
    QVERIFY(p.pressKeys({QStringLiteral("Escape")}));
    QVERIFY(p.waitForExit(15000));
    QCOMPARE(p.process().exitCode(), 0);
}

void TestCaptureEndToEnd::captureFolderFillingUp()
{
    if (::geteuid() != 0)
        QSKIP("mounting a tiny tmpfs for the capture folder needs root");
    QTemporaryDir base;
    const QString captures = base.filePath(QStringLiteral("captures"));
    QVERIFY(QDir().mkpath(captures));
    if (::mount("tmpfs", QFile::encodeName(captures).constData(), "tmpfs", 0, "size=65536") != 0)
        QSKIP(qPrintable(QStringLiteral("tmpfs refused: %1").arg(QString::fromLocal8Bit(std::strerror(errno)))));
    const auto unmount = qScopeGuard([&] { ::umount2(QFile::encodeName(captures).constData(), MNT_DETACH); });
    auto p = program(settingsWithCapture(captures, 0, 0));
    QVERIFY(p);
    failingFolderStopsTheCaptureOnly(*p, captures, QStringLiteral("Fehler aufgetreten"), [] {});
    if (QTest::currentTestFailed())
        return;
    // What the full disk holds is whole lines of what came.
    const capturetest::ParsedCapture parsed = capturetest::parseCapture(readFile(onlyFile(captures, QStringLiteral(".log"))));
    QVERIFY(parsed.valid);
    QVERIFY(parsed.partialTail.isEmpty());
    QVERIFY(capturetest::receivedBytes(parsed).startsWith("before\r\n"));
}

void TestCaptureEndToEnd::captureFolderGoingAway()
{
    QTemporaryDir base;
    const QString captures = base.filePath(QStringLiteral("captures"));
    const QString moved = base.filePath(QStringLiteral("moved"));
    QVERIFY(QDir().mkpath(captures));
    auto p = program(settingsWithCapture(captures, 1, 1));
    QVERIFY(p);
    failingFolderStopsTheCaptureOnly(*p, captures, QStringLiteral("Error occured"),
                                     [&] { QVERIFY(QDir().rename(captures, moved)); });
    if (QTest::currentTestFailed())
        return;
    QVERIFY(!QFileInfo::exists(captures));
    const capturetest::ParsedCapture parsed = capturetest::parseCapture(readFile(onlyFile(moved, QStringLiteral(".log"))));
    QVERIFY(parsed.valid);
    QVERIFY(parsed.partialTail.isEmpty());
    const QByteArray received = capturetest::receivedBytes(parsed);
    QVERIFY(received.startsWith("before\r\n"));
    QVERIFY(readFile(onlyFile(moved, QStringLiteral(".bin"))).startsWith(received));
}

QTEST_GUILESS_MAIN(TestCaptureEndToEnd)
#include "tst_capturee2e.moc"
