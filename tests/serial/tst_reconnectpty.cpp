// Reconnecting on real pseudo-terminals with the whole program in process: the device goes away
// (its master closes, its link goes) and comes back under the same link (a new pty) several
// times at random moments; a /dev/serial/by-id link that comes back pointing at another
// ttyUSB name is followed.
#include "Cp1252.h"
#include "MainProgram.h"
#include "Pty.h"
#include "Reconnector.h"
#include "TerminalSession.h"
#include "TestProgram.h"
#include "TrafficLine.h"
#include "TrafficListModel.h"
#include "frmMain.h"
#include "frmSettings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

namespace {

constexpr int kCycles = 3;
constexpr int kWaitMs = 400; // how long the unplugged device stays away
// Process CPU time as a share of the wall time of the wait: waiting on notifications costs
// next to nothing; a loop that looks for the device keeps a core busy.
constexpr double kWaitCpuShareLimit = 0.1;
constexpr int kGenerousMs = 10000; // no speed is asserted; this only ends a broken test

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The received data between the notes, as one text per stretch of connection; the notes'
// texts in order.
struct Traffic {
    QList<QByteArray> stretches{QByteArray()};
    QStringList notes;
};

Traffic readTraffic(const TrafficListModel &model)
{
    Traffic traffic;
    for (int i = 0; i < model.count(); ++i) {
        const QString line = model.lineAt(i);
        const QString marker = line.mid(12, 9);
        if (marker == kMarkerIn) {
            traffic.stretches.last() += platform::encodeCp1252(line.mid(21));
        } else if (marker == kMarkerNote) {
            traffic.notes << line.mid(21);
            traffic.stretches << QByteArray();
        }
    }
    return traffic;
}

QByteArray pattern(int cycle, char tag, int size)
{
    QByteArray bytes;
    for (int i = 0; i < size; ++i)
        bytes += char('a' + (i * 7 + cycle + tag) % 26);
    return QByteArray(1, tag) + QByteArray::number(cycle) + ':' + bytes + ';';
}

} // namespace

class TestReconnectPty : public QObject {
    Q_OBJECT

private slots:
    void unplugAndPlugBackAtRandomMoments();
    void aByIdLinkThatMovesToAnotherNodeIsFollowed();
    void theSettingsDialogAndQuittingWorkWhileWaiting();
};

void TestReconnectPty::unplugAndPlugBackAtRandomMoments()
{
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("seed %u", seed);
    QRandomGenerator random(seed);
    QTemporaryDir devices;
    const QString link = devices.filePath(QStringLiteral("ttyDevice"));
    auto pty = std::make_unique<Pty>();
    QVERIFY(pty->isValid());
    QVERIFY(QFile::link(pty->slavePath(), link));

    TestProgram p;
    p.mapPort(3, link);
    p.writeSettings(2, 10);
    QVERIFY(p.start());
    QVERIFY(p.session().isOpen());

    QList<QByteArray> expected{QByteArray()};
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        // One chunk already in the list, one that the port has taken but maybe not yet
        // logged when the device goes.
        const QByteArray logged = pattern(cycle, 'A', 100);
        QVERIFY(pty->writeMaster(logged));
        QTRY_VERIFY_WITH_TIMEOUT(readTraffic(p.traffic()).stretches.last().endsWith(logged), kGenerousMs);
        const QByteArray taken = pattern(cycle, 'B', int(random.bounded(1, 300)));
        QVERIFY(pty->writeMaster(taken));
        QTRY_VERIFY_WITH_TIMEOUT(p.session().port().inBufferCount() >= taken.size()
                                     || readTraffic(p.traffic()).stretches.last().endsWith(taken),
                                 kGenerousMs);
        QTest::qWait(int(random.bounded(0, 40)));
        expected.last() += logged + taken;

        pty->closeMaster();
        pty.reset();
        QVERIFY(QFile::remove(link));
        QTRY_COMPARE_WITH_TIMEOUT(p.form().statusText(), QStringLiteral("Warte auf COM3 ..."), kGenerousMs);
        QVERIFY(!p.form().txtSend->isEnabled());
        const double cpuBefore = cpuSeconds();
        QElapsedTimer wait;
        wait.start();
        QTest::qWait(kWaitMs + int(random.bounded(0, 100)));
        const double share = (cpuSeconds() - cpuBefore) / (double(wait.elapsed()) / 1000.0);
        qInfo("cycle %d: CPU time while waiting %.1f %% of %lld ms", cycle, share * 100, wait.elapsed());
        QVERIFY2(share < kWaitCpuShareLimit, qPrintable(QString::number(share)));

        pty = std::make_unique<Pty>();
        QVERIFY(pty->isValid());
        QElapsedTimer back;
        back.start();
        QVERIFY(QFile::link(pty->slavePath(), link));
        QTRY_VERIFY_WITH_TIMEOUT(p.session().isOpen(), kGenerousMs);
        qInfo("cycle %d: reopened %lld ms after the device came back", cycle, back.elapsed());
        QCOMPARE(p.form().statusText(), QStringLiteral("Schnittstelle COM3 mit 115200 Baud ist geöffnet."));
        QVERIFY(p.form().txtSend->isEnabled());
        expected << QByteArray() << QByteArray();

        const QByteArray after = pattern(cycle, 'C', int(random.bounded(1, 200)));
        QVERIFY(pty->writeMaster(after));
        QTRY_VERIFY_WITH_TIMEOUT(readTraffic(p.traffic()).stretches.last().endsWith(after), kGenerousMs);
        expected.last() += after;
    }
    const Traffic traffic = readTraffic(p.traffic());
    QStringList notes;
    for (int cycle = 0; cycle < kCycles; ++cycle)
        notes << QStringLiteral("Verbindung verloren") << QStringLiteral("Verbindung wiederhergestellt");
    QCOMPARE(traffic.notes, notes);
    QCOMPARE(traffic.stretches, expected);
    QCOMPARE(p.dialogs().shown.size(), 0);
}

void TestReconnectPty::aByIdLinkThatMovesToAnotherNodeIsFollowed()
{
    // /dev/ttyUSB0 and its by-id link, in a tree of the test's own; the nodes lead to ptys.
    QTemporaryDir root;
    const QString dev = root.filePath(QStringLiteral("dev"));
    const QString byId = dev + QStringLiteral("/serial/by-id");
    const QString byIdLink = byId + QStringLiteral("/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0");
    auto plugIn = [&](const Pty &pty, const QString &kernelName) {
        return QDir().mkpath(byId) && QFile::link(pty.slavePath(), dev + QLatin1Char('/') + kernelName)
               && QFile::link(QStringLiteral("../../") + kernelName, byIdLink);
    };
    auto first = std::make_unique<Pty>();
    QVERIFY(first->isValid());
    QVERIFY(plugIn(*first, QStringLiteral("ttyUSB0")));

    TestProgram p;
    p.mapPort(3, byIdLink);
    p.writeSettings(2, 10, 0, 1);
    QVERIFY(p.start());
    QVERIFY(p.session().isOpen());

    // Pulled: udev takes the node, the link and the folders it made for them.
    first->closeMaster();
    first.reset();
    QVERIFY(QFile::remove(byIdLink));
    QVERIFY(QFile::remove(dev + QStringLiteral("/ttyUSB0")));
    QVERIFY(QDir(dev + QStringLiteral("/serial")).removeRecursively());
    QTRY_COMPARE_WITH_TIMEOUT(p.form().statusText(), QStringLiteral("Waiting for COM3 ..."), kGenerousMs);
    QTest::qWait(100);
    QVERIFY(!p.session().isOpen());

    // Plugged in again, the kernel names it ttyUSB1 this time.
    Pty second;
    QVERIFY(second.isValid());
    QVERIFY(plugIn(second, QStringLiteral("ttyUSB1")));
    QTRY_VERIFY_WITH_TIMEOUT(p.session().isOpen(), kGenerousMs);
    QCOMPARE(p.form().statusText(), QStringLiteral("Interface COM3 is opened with 115200 baud."));
    QVERIFY(second.writeMaster("back"));
    QTRY_VERIFY_WITH_TIMEOUT(readTraffic(p.traffic()).stretches.last() == "back", kGenerousMs);
    QCOMPARE(readTraffic(p.traffic()).notes,
             (QStringList{QStringLiteral("Connection lost"), QStringLiteral("Connection restored")}));
}

void TestReconnectPty::theSettingsDialogAndQuittingWorkWhileWaiting()
{
    QTemporaryDir devices;
    const QString link = devices.filePath(QStringLiteral("ttyDevice"));
    auto pty = std::make_unique<Pty>();
    QVERIFY(pty->isValid());
    QVERIFY(QFile::link(pty->slavePath(), link));
    TestProgram p;
    p.mapPort(3, link);
    p.writeSettings(2, 10);
    QVERIFY(p.start());
    pty->closeMaster();
    pty.reset();
    QVERIFY(QFile::remove(link));
    QTRY_COMPARE_WITH_TIMEOUT(p.form().statusText(), QStringLiteral("Warte auf COM3 ..."), kGenerousMs);

    // OK with the same port and the language changed: the user's attempt is reported, and the
    // port still waits, now in English.
    p.form().mnuEditSettings->trigger();
    QPointer<frmSettings> dialog = p.form().findChild<frmSettings *>();
    QVERIFY(dialog);
    dialog->cboLanguageProgram->setCurrentIndex(1);
    dialog->cmdOk->click();
    QTRY_VERIFY(!dialog);
    QCOMPARE(p.dialogs().count(QStringLiteral("message")), 1);
    QCOMPARE(p.form().statusText(), QStringLiteral("Waiting for COM3 ..."));
    QVERIFY(p.program().reconnector().waiting());

    // Cancel changes nothing; quitting while waiting ends the program as ever.
    p.form().mnuEditSettings->trigger();
    dialog = p.form().findChild<frmSettings *>();
    QVERIFY(dialog);
    dialog->cmdCancel->click();
    QTRY_VERIFY(!dialog);
    QVERIFY(p.program().reconnector().waiting());
    p.stop();
    QVERIFY(!p.isRunning());
}

QTEST_MAIN(TestReconnectPty)
#include "tst_reconnectpty.moc"
