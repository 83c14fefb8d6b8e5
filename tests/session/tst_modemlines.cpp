// The modem lines of the session on a fake port and fake timers: DTR and RTS after opening and
// as set, a break of a quarter second that never waits, and the input lines read only while a
// port is open, each change told once.
#include "ConnectionSettings.h"
#include "FakeClock.h"
#include "FakeSerialPort.h"
#include "FakeTimers.h"
#include "ModemLines.h"
#include "TerminalSession.h"
#include "modGlobal.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QtTest>

namespace {

struct Rig {
    Rig()
    {
        g_bytComPort = 0;
        g_bytBaudrate = 6;
        auto owned = std::make_unique<FakeSerialPort>();
        port = owned.get();
        session = std::make_unique<TerminalSession>(std::move(owned));
        lines = std::make_unique<ModemLines>(*session);
    }
    ~Rig() { lines.reset(); }

    FakeClock clock;
    FakeTimers timers{clock};
    FakeSerialPort *port = nullptr;
    std::unique_ptr<TerminalSession> session;
    std::unique_ptr<ModemLines> lines;
};

} // namespace

class TestModemLines : public QObject {
    Q_OBJECT

private slots:
    void init() { resetConnectionSettings(); }

    void outputLinesAfterOpening_data()
    {
        QTest::addColumn<int>("choice");
        QTest::addColumn<bool>("on");
        QTest::newRow("on, the usual") << 0 << true;
        QTest::newRow("off, for boards that reset on DTR") << 1 << false;
    }
    void outputLinesAfterOpening()
    {
        QFETCH(int, choice);
        QFETCH(bool, on);
        g_bytLinesAfterOpen = quint8(choice);
        Rig r;
        r.port->dtr = r.port->rts = !on;
        r.session->prc_MainOpenInterface();
        QCOMPARE(r.port->dtr, on);
        QCOMPARE(r.port->rts, on);
        QCOMPARE(r.lines->dataTerminalReady(), on);
        QCOMPARE(r.lines->requestToSend(), on);
    }

    void outputLinesAsSet()
    {
        Rig r;
        QSignalSpy changed(r.lines.get(), &ModemLines::outputLinesChanged);
        r.lines->setDataTerminalReady(false); // closed: the port is not touched
        QVERIFY(r.port->dtr);
        r.session->prc_MainOpenInterface();
        r.lines->setDataTerminalReady(false);
        QVERIFY(!r.port->dtr);
        QVERIFY(r.port->rts);
        r.lines->setRequestToSend(false);
        QVERIFY(!r.port->rts);
        r.lines->setDataTerminalReady(true);
        QVERIFY(r.port->dtr);
        QCOMPARE(changed.size(), 5); // the opening's, and every setting's
    }

    void aBreakLastsAQuarterSecondOnTheTimer()
    {
        Rig r;
        QSignalSpy changed(r.lines.get(), &ModemLines::breakChanged);
        r.lines->sendBreak(); // closed: nothing
        QVERIFY(r.port->breakChanges.isEmpty());
        r.session->prc_MainOpenInterface();
        r.lines->sendBreak();
        QCOMPARE(r.port->breakChanges, QList<bool>{true});
        QVERIFY(r.lines->breakActive());
        r.timers.advance(ModemLines::kBreakMs - 1);
        r.lines->sendBreak(); // one at a time
        QCOMPARE(r.port->breakChanges, QList<bool>{true});
        r.timers.advance(1);
        QCOMPARE(r.port->breakChanges, (QList<bool>{true, false}));
        QVERIFY(!r.lines->breakActive());
        QCOMPARE(changed.size(), 2);
        r.lines->sendBreak();
        QCOMPARE(r.port->breakChanges, (QList<bool>{true, false, true}));
        // Closed in the middle: the break ends with the port, and the timer touches nothing.
        r.session->closeInterface();
        QVERIFY(!r.lines->breakActive());
        r.timers.advance(ModemLines::kBreakMs);
        QCOMPARE(r.port->breakChanges, (QList<bool>{true, false, true}));
        QCOMPARE(changed.size(), 4);
    }

    void inputLinesTellEachChangeOnceAndOnlyWhileOpen()
    {
        Rig r;
        QSignalSpy changed(r.lines.get(), &ModemLines::inputLinesChanged);
        r.timers.advance(1000);
        QCOMPARE(r.port->pinoutReads, 0); // nothing is read while no port is open
        r.port->pinout = platform::SignalCts;
        r.session->prc_MainOpenInterface();
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.at(0).at(0).toUInt(), unsigned(platform::SignalCts));
        const int readsAtOpen = r.port->pinoutReads;
        r.timers.advance(1000);
        QCOMPARE(changed.size(), 1); // unchanged lines are not told again
        // No faster than needed: one look per poll period.
        QCOMPARE(r.port->pinoutReads - readsAtOpen, 1000 / ModemLines::kPollMs);

        r.timers.advance(7);
        r.port->pinout = platform::SignalDsr | platform::SignalDcd;
        r.timers.advance(100);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(changed.at(1).at(0).toUInt(), unsigned(platform::SignalDsr | platform::SignalDcd));
        QCOMPARE(r.lines->inputLines(), std::optional<unsigned>(platform::SignalDsr | platform::SignalDcd));
        r.port->pinout = platform::SignalRi;
        r.timers.advance(ModemLines::kPollMs);
        QCOMPARE(changed.size(), 3);

        r.session->closeInterface();
        QVERIFY(!r.lines->polling());
        const int readsAtClose = r.port->pinoutReads;
        r.timers.advance(5000);
        QCOMPARE(r.port->pinoutReads, readsAtClose);
        QCOMPARE(r.lines->inputLines(), std::nullopt);
    }

    void aDeviceWithoutInputLinesIsToldOnceAndNotAskedAgain()
    {
        Rig r;
        r.port->hasModemLines = false;
        QSignalSpy unavailable(r.lines.get(), &ModemLines::inputLinesUnavailable);
        QSignalSpy changed(r.lines.get(), &ModemLines::inputLinesChanged);
        r.session->prc_MainOpenInterface();
        QCOMPARE(unavailable.size(), 1);
        const int reads = r.port->pinoutReads;
        r.timers.advance(5000);
        QCOMPARE(unavailable.size(), 1);
        QCOMPARE(r.port->pinoutReads, reads);
        QVERIFY(!r.lines->polling());
        QCOMPARE(changed.size(), 0);
        // DTR, RTS and a break are still asked for, and the device may ignore them.
        r.lines->sendBreak();
        r.timers.advance(ModemLines::kBreakMs);
        QVERIFY(!r.lines->breakActive());
    }

};

QTEST_GUILESS_MAIN(TestModemLines)
#include "tst_modemlines.moc"
