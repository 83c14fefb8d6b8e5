// A device that sends 20 MB as fast as a pseudo-terminal carries it while the user types and
// presses function keys: nothing received may be lost or reordered, and no key press may be
// dropped. How long the presses waited is printed; the benchmark tabulates it.
#include "Flood.h"
#include "MainProgram.h"
#include "TerminalSession.h"
#include "TestProgram.h"
#include "TrafficLine.h"
#include "TrafficListModel.h"
#include "frmMain.h"
#include "modGlobal.h"

#include <QElapsedTimer>
#include <QtTest>

#include <QLineEdit>
#include <QSignalSpy>

using faults::FloodingDevice;
using faults::KeyPressProbe;
using faults::TrafficStreamCheck;

namespace {
constexpr qint64 kFloodBytes = 20 * 1024 * 1024;
constexpr int kKeyIntervalMs = 50;
constexpr int kFloodTimeoutMs = 180000;
// Presses are offered every kKeyIntervalMs; during the flood at least this share of them must be
// served, however long the flood takes on this machine. A terminal that starves its input
// serves none until the flood is over.
constexpr double kFewestServedShare = 0.25;
} // namespace

class TestFlood : public QObject {
    Q_OBJECT
private slots:
    void everyByteAndEveryKeyPressArrive();
};

void TestFlood::everyByteAndEveryKeyPressArrive()
{
    FloodingDevice device(kFloodBytes);
    QVERIFY(device.isValid());
    TestProgram p;
    p.mapPort(1, device.slavePath());
    QVERIFY(p.writeFile(QStringLiteral("DefaultCommands.icf"), KeyPressProbe::ProbePresets()));
    QVERIFY(p.start());
    QVERIFY(p.form().txtSend->isEnabled());
    QCOMPARE(g_bytPeculiar, quint8(0)); // raw display: one character per byte received
    p.form().txtSend->setFocus();

    TrafficStreamCheck traffic(p.traffic(), kFloodBytes);
    QSignalSpy ended(&traffic, &TrafficStreamCheck::streamEnded);
    KeyPressProbe keys(p.form(), p.traffic(), kKeyIntervalMs);
    QElapsedTimer clock;
    clock.start();
    keys.start();
    device.start();
    QVERIFY(ended.wait(kFloodTimeoutMs));
    const qint64 floodMs = clock.elapsed();
    const int handledDuringFlood = keys.handled();
    keys.stop();
    QTRY_COMPARE(keys.handled(), keys.queued());

    qInfo("flood of %lld bytes in %lld lines, %lld ms; %d key presses (%d during the flood), longest "
          "wait %lld ms, median %lld ms",
          kFloodBytes, traffic.inboundLines(), floodMs, keys.handled(), handledDuringFlood,
          keys.maxLatencyMs(), keys.medianLatencyMs());

    QCOMPARE(traffic.checker().firstErrorOffset(), qint64(-1));
    QVERIFY(traffic.checker().isComplete(kFloodBytes));
    const double offeredDuringFlood = double(floodMs) / kKeyIntervalMs;
    QVERIFY2(handledDuringFlood >= 1 && handledDuringFlood >= kFewestServedShare * offeredDuringFlood,
             qPrintable(QStringLiteral("%1 of %2 offered").arg(handledDuringFlood).arg(offeredDuringFlood)));
    QCOMPARE(keys.withoutEffect(), 0);
    QCOMPARE(p.dialogs().shown.size(), 0);

    // Every press that sends reached the device, whole and in order.
    const QByteArray expected = keys.expectedBytes();
    QTRY_COMPARE_WITH_TIMEOUT(device.received().size(), expected.size(), 10000);
    QCOMPARE(device.received(), expected);
    QByteArray logged;
    for (const QString &sent : traffic.sentData())
        logged += sent.toLatin1();
    QCOMPARE(logged, expected);
}

QTEST_MAIN(TestFlood)
#include "tst_flood.moc"
