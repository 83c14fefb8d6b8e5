// The terminal session without any window: a fake port, a fake clock and fake timers, so the
// poll's ticks and pauses run on the test's time.
#include "FakeClock.h"
#include "FakeSerialPort.h"
#include "FakeTimers.h"
#include "TerminalSession.h"
#include "TrafficLine.h"
#include "modGlobal.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QtTest>

namespace {

struct Rig {
    explicit Rig(PollCadence cadence = PollCadence::RestWhileIdle)
    {
        g_bytComPort = 2;
        g_bytBaudrate = 6;
        g_bytPeculiar = 0;
        g_bytLanguage = 0;
        auto owned = std::make_unique<FakeSerialPort>();
        port = owned.get();
        session = std::make_unique<TerminalSession>(std::move(owned), cadence);
    }
    QStringList lines() const
    {
        QStringList result;
        for (int i = 0; i < session->traffic().count(); ++i)
            result << session->traffic().lineAt(i);
        return result;
    }

    FakeClock clock;
    FakeTimers timers{clock};
    FakeSerialPort *port = nullptr; // owned by the session
    std::unique_ptr<TerminalSession> session;
};

} // namespace

class TestSession : public QObject {
    Q_OBJECT

private slots:
    void openSendReceiveAndLoseTheDevice()
    {
        Rig r;
        QSignalSpy connection(r.session.get(), &TerminalSession::connectionChanged);
        QSignalSpy appended(r.session.get(), &TerminalSession::lineAppended);
        QSignalSpy lost(r.session.get(), &TerminalSession::deviceLost);

        r.session->prc_MainOpenInterface();
        QCOMPARE(connection.size(), 2);
        QCOMPARE(connection.at(0).at(0).toBool(), false);
        QCOMPARE(connection.at(0).at(1).toString(), QStringLiteral("Keine Schnittstelle geöffnet!"));
        QCOMPARE(connection.at(1).at(0).toBool(), true);
        QCOMPARE(connection.at(1).at(1).toString(),
                 QStringLiteral("Schnittstelle COM3 mit 19200 Baud ist geöffnet."));
        QVERIFY(r.session->isOpen());
        QCOMPARE(r.port->commPort(), 3);
        QCOMPARE(r.port->settings(), QStringLiteral("19200,N,8,1"));

        r.session->SendText(QStringLiteral("AB<CR>"));
        QCOMPARE(r.port->written, QByteArray("AB\r"));
        QCOMPARE(appended.size(), 1);
        QCOMPARE(appended.at(0).at(0).toInt(), 0);

        // Bytes arriving at 5 ms are seen by the tick at 10 ms and read after the quiet pause.
        r.timers.advance(5);
        r.port->arrive("OK\r\n");
        r.timers.advance(60);
        QCOMPARE(r.lines(), (QStringList{QStringLiteral("14:03:27.000  [OUT]  AB\r"),
                                         QStringLiteral("14:03:27.030  [IN]   OK\r\n")}));

        // The device goes away with bytes not yet read: they become the last line, then the
        // connection closes once.
        r.timers.advance(3);
        r.port->arrive("BYE");
        r.port->unplug();
        r.timers.advance(10);
        QCOMPARE(r.lines().last(), QStringLiteral("14:03:27.070  [IN]   BYE"));
        QCOMPARE(lost.size(), 1);
        QCOMPARE(connection.size(), 3);
        QCOMPARE(connection.last().at(0).toBool(), false);
        QVERIFY(!r.session->isOpen());
        r.timers.advance(1000);
        QCOMPARE(r.lines().size(), 3);
        QCOMPARE(lost.size(), 1);
    }

    void aFailedOpeningLeavesTheConnectionClosed()
    {
        Rig r;
        r.port->failOpenWith = 8005;
        QSignalSpy connection(r.session.get(), &TerminalSession::connectionChanged);
        QSignalSpy failed(r.session.get(), &TerminalSession::openFailed);
        r.session->prc_MainOpenInterface();
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(0).value<platform::Failure>().number, 8005);
        QCOMPARE(connection.size(), 1);
        QCOMPARE(connection.at(0).at(0).toBool(), false);
        QVERIFY(!r.session->isOpen());
    }

    void aFailedWriteThrowsTellsAndLogsNothing()
    {
        Rig r;
        QSignalSpy failed(r.session.get(), &TerminalSession::sendFailed);
        QVERIFY_THROWS_EXCEPTION(platform::Failure, r.session->SendText(QStringLiteral("X")));
        QCOMPARE(failed.size(), 1);
        QCOMPARE(r.session->traffic().count(), 0);
    }

    void chunkBoundariesFollowTheQuietPause_data()
    {
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<int>("lines");
        // The second piece arrives gapMs after the first, which arrives 1 ms before a tick.
        for (int gap = 0; gap <= 100; gap += 5)
            QTest::addRow("gap %d ms", gap) << gap << (gap < 20 ? 1 : gap < 30 ? -1 : 2);
    }
    void chunkBoundariesFollowTheQuietPause()
    {
        QFETCH(int, gapMs);
        QFETCH(int, lines);
        Rig r;
        r.session->prc_MainOpenInterface();
        r.timers.advance(9);
        r.port->arrive("AAAA");
        r.timers.advance(gapMs);
        r.port->arrive("BBBB");
        r.timers.advance(200);
        QString data;
        for (const QString &line : r.lines())
            data += line.mid(21);
        QCOMPARE(data, QStringLiteral("AAAABBBB")); // nothing lost or repeated, in order
        if (lines > 0)
            QCOMPARE(r.lines().size(), lines);
        else
            QVERIFY(r.lines().size() == 1 || r.lines().size() == 2);
        // Every stamp is a moment of reading: at least one pause after the last byte.
        const QString last = r.lines().last();
        const int stampMs = last.mid(6, 2).toInt() * 1000 + last.mid(9, 3).toInt();
        QVERIFY2(stampMs - 27000 >= 9 + gapMs + 20 || r.lines().size() == 2, qPrintable(last));
    }

    void aFullBufferEndsTheChunkAtOnce()
    {
        Rig r;
        r.session->prc_MainOpenInterface();
        r.port->arrive(QByteArray(600, 'x'));
        r.timers.advance(10);
        QCOMPARE(r.session->traffic().count(), 1);
        QCOMPARE(r.lines().first().size(), 21 + 600);
    }

    void tokenDisplayConvertsReceivedControlCharacters()
    {
        Rig r;
        g_bytPeculiar = 1;
        r.session->prc_MainOpenInterface();
        r.port->arrive(QByteArray("\x02OK\r\n\0", 6));
        r.timers.advance(50);
        QCOMPARE(r.lines().first().mid(21), QStringLiteral("<STX>OK<CR><LF><NUL>"));
    }

    void presetsAreValuesAndLoadingTellsTheWindows()
    {
        Rig r;
        QSignalSpy changed(r.session.get(), &TerminalSession::presetsChanged);
        CommandSet set;
        set.texts[0] = QStringLiteral("AT<CR>");
        r.session->setPresets(set);
        QCOMPARE(changed.size(), 1);
        r.session->setPreset(8, QStringLiteral("*IDN?"));
        QCOMPARE(changed.size(), 1); // an edit comes from a window, which shows it already
        QCOMPARE(r.session->presets().text(1), QStringLiteral("AT<CR>"));
        QCOMPARE(r.session->presets().text(8), QStringLiteral("*IDN?"));
    }

    // The resting poll gives the same lines with the same stamps as the poll that never rests,
    // whatever the gaps around the quiet pause and wherever the bytes fall between two ticks.
    void restingPollIsTheAlwaysRunningPoll_data()
    {
        QTest::addColumn<int>("offsetMs");
        QTest::addColumn<int>("gapMs");
        for (const int offset : {0, 1, 4, 9, 10, 137})
            for (int gap = 0; gap <= 100; gap += 3)
                QTest::addRow("at %d ms, gap %d ms", offset, gap) << offset << gap;
    }
    void restingPollIsTheAlwaysRunningPoll()
    {
        QFETCH(int, offsetMs);
        QFETCH(int, gapMs);
        const auto play = [&](PollCadence cadence) {
            Rig r(cadence);
            r.session->prc_MainOpenInterface();
            r.timers.advance(300 + offsetMs); // long enough for the poll to rest
            r.port->arrive("ping\r");
            r.timers.advance(gapMs);
            r.port->arrive("pong\r\n");
            r.timers.advance(gapMs / 2 + 1);
            r.port->arrive(QByteArray(700, 'z'));
            r.timers.advance(500);
            r.port->arrive("BYE");
            r.port->unplug();
            r.timers.advance(100);
            return std::pair{r.lines(), r.session->isOpen()};
        };
        const auto always = play(PollCadence::Always);
        const auto resting = play(PollCadence::RestWhileIdle);
        QVERIFY(always.first.size() >= 2);
        QCOMPARE(resting.first, always.first);
        QCOMPARE(resting.second, always.second);
    }

    // While a chunk is gathered the poll waits for the pause; a loss in the middle is still
    // noticed on the beat the always-running tick would notice it.
    void aLossWhileGatheringIsNoticedOnTheSameBeat_data()
    {
        QTest::addColumn<int>("offsetMs");
        QTest::addColumn<int>("lossAfterMs");
        for (const int offset : {0, 3, 10})
            for (int loss = 0; loss <= 45; loss += 4)
                QTest::addRow("at %d ms, lost %d ms later", offset, loss) << offset << loss;
    }
    void aLossWhileGatheringIsNoticedOnTheSameBeat()
    {
        QFETCH(int, offsetMs);
        QFETCH(int, lossAfterMs);
        const auto play = [&](PollCadence cadence) {
            Rig r(cadence);
            r.session->prc_MainOpenInterface();
            r.timers.advance(300 + offsetMs);
            r.port->arrive("MEAS");
            r.timers.advance(lossAfterMs / 2);
            r.port->arrive("URE");
            r.timers.advance(lossAfterMs - lossAfterMs / 2);
            r.port->arrive("D");
            r.port->unplug();
            r.timers.advance(100);
            return r.lines();
        };
        const QStringList always = play(PollCadence::Always);
        QVERIFY(!always.isEmpty());
        QCOMPARE(play(PollCadence::RestWhileIdle), always);
    }

    void anIdleLineLetsThePollRest()
    {
        Rig r;
        r.session->prc_MainOpenInterface();
        // Only a resting poll needs the port to tell it of bytes.
        QVERIFY(r.port->readerPolling);
        r.timers.advance(10);
        QVERIFY(r.session->pollResting());
        QVERIFY(!r.port->readerPolling);
        QVERIFY(!r.session->timTimer().isActive());
        r.timers.advance(7);
        const int switchesBeforeTheAnswer = r.port->readerPollingSwitches;
        r.port->arrive("x");
        QVERIFY(!r.session->pollResting() || r.timers.nowMs() % 10 != 0);
        r.timers.advance(3); // the beat at 20 ms notices the byte
        QVERIFY(!r.session->pollResting());
        r.timers.advance(20);
        QCOMPARE(r.lines(), QStringList{QStringLiteral("14:03:27.040  [IN]   x")});
        // Nothing waits once the chunk is read: the poll rests at once, no beat needed. A short
        // answer leaves the port's watch on all along: each switch would wake the loop.
        QVERIFY(r.session->pollResting());
        QVERIFY(!r.port->readerPolling);
        QCOMPARE(r.port->readerPollingSwitches, switchesBeforeTheAnswer);
        QVERIFY(!r.session->timTimer().isActive());
        // The next byte is counted as the always-running tick would count it on the next
        // beat, and read at the end of the pause from that beat: the answer wakes the poll
        // only for that pause's end.
        r.timers.advance(5);
        const int wakesBeforeTheByte = r.timers.firedCount();
        r.port->arrive("y");
        QVERIFY(!r.session->pollResting());
        QVERIFY(r.session->receiving());
        r.timers.advance(105);
        QCOMPARE(r.lines().last(), QStringLiteral("14:03:27.070  [IN]   y"));
        QCOMPARE(r.timers.firedCount() - wakesBeforeTheByte, 1);
        QVERIFY(r.session->pollResting());
        // More bytes while a chunk is gathered: the pause's end counts them, so the port stops
        // telling of each until the line is idle again.
        r.timers.advance(10 - r.timers.nowMs() % 10);
        r.port->arrive("a");
        r.timers.advance(10);
        QVERIFY(!r.port->readerPolling);
        r.port->arrive("b");
        QVERIFY(r.port->readerPolling);
        r.port->arrive("c");
        r.timers.advance(100);
        QCOMPARE(r.lines().last(), QStringLiteral("14:03:27.210  [IN]   abc"));
        QVERIFY(r.session->pollResting());
        QVERIFY(!r.port->readerPolling);
        // The looks at an idle line leave the port's watch as it is.
        const int switches = r.port->readerPollingSwitches;
        r.timers.advance(3000);
        QCOMPARE(r.port->readerPollingSwitches, switches);
        QVERIFY(r.session->pollResting());
    }

    // A stream fills chunk after chunk at the pause's end: the poll goes on to the next beat by
    // itself instead of resting until told of the next byte.
    void aFullChunkAtThePausesEndLooksOnTheNextBeat()
    {
        Rig r;
        r.session->prc_MainOpenInterface();
        r.timers.advance(300);
        QVERIFY(r.session->pollResting());
        r.port->arrive(QByteArray(300, 'a'));
        r.timers.advance(10); // the beat at 310 counts them
        r.port->arrive(QByteArray(300, 'b'));
        r.timers.advance(20); // the pause's end finds 600 bytes: a full chunk
        QCOMPARE(r.session->traffic().count(), 1);
        QVERIFY(!r.session->pollResting());
        QVERIFY(r.port->readerPolling);
        r.timers.advance(10); // the look at 340 finds the line idle
        QVERIFY(r.session->pollResting());
        QVERIFY(!r.port->readerPolling);
        // Bytes that come right after a full chunk are noticed on that look.
        r.port->arrive(QByteArray(300, 'c'));
        r.timers.advance(10);
        r.port->arrive(QByteArray(300, 'd'));
        r.timers.advance(20);
        QCOMPARE(r.session->traffic().count(), 2);
        r.port->arrive("tail");
        QVERIFY(!r.session->pollResting());
        r.timers.advance(100);
        QCOMPARE(r.lines().size(), 3);
        QCOMPARE(r.lines().last(), QStringLiteral("14:03:27.400  [IN]   tail"));
    }

    void nothingHappensWhileNoPortIsOpen()
    {
        Rig r;
        r.port->arrive("stray");
        r.timers.advance(500);
        QCOMPARE(r.session->traffic().count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
