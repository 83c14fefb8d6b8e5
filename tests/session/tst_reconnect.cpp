// Reconnecting after the device went away, on a fake port, fake timers and a watcher the test
// plays; the device path is a real file the test makes and removes.
#include "ConnectionSettings.h"
#include "FakeClock.h"
#include "FakeDeviceWatcher.h"
#include "FakeSerialPort.h"
#include "FakeTimers.h"
#include "Reconnector.h"
#include "TerminalSession.h"
#include "TestFiles.h"
#include "modGlobal.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Rig {
    Rig()
    {
        g_bytComPort = 2;
        g_bytBaudrate = 6;
        g_bytPeculiar = 0;
        resetConnectionSettings();
        auto owned = std::make_unique<FakeSerialPort>();
        port = owned.get();
        port->path = dir.filePath(QStringLiteral("ttyUSB0"));
        session = std::make_unique<TerminalSession>(std::move(owned));
        reconnector = std::make_unique<Reconnector>(*session, std::make_unique<FakeDeviceWatcher>(watch));
        statusSpy = std::make_unique<QSignalSpy>(session.get(), &TerminalSession::connectionChanged);
        QVERIFY(plug());
        session->prc_MainOpenInterface();
    }
    ~Rig() { reconnector.reset(); }

    bool plug() const
    {
        QFile node(port->path);
        return node.open(QIODevice::WriteOnly);
    }
    bool pull() const { return QFile::remove(port->path); }
    // The device goes: its node first, as the kernel removes it, then the loss is noticed.
    void unplug()
    {
        QVERIFY(pull());
        port->unplug();
        timers.advance(20);
    }
    QStringList lines() const
    {
        QStringList result;
        for (int i = 0; i < session->traffic().count(); ++i)
            result << session->traffic().lineAt(i);
        return result;
    }
    QString status() const { return statusSpy->isEmpty() ? QString() : statusSpy->last().at(1).toString(); }

    QTemporaryDir dir;
    FakeClock clock;
    FakeTimers timers{clock};
    std::shared_ptr<FakeDeviceWatcher::Probe> watch = std::make_shared<FakeDeviceWatcher::Probe>();
    FakeSerialPort *port = nullptr; // owned by the session
    std::unique_ptr<TerminalSession> session;
    std::unique_ptr<Reconnector> reconnector;
    std::unique_ptr<QSignalSpy> statusSpy; // every status the session showed
};


} // namespace

class TestReconnect : public QObject {
    Q_OBJECT

private slots:
    void init() { g_bytLanguage = 0; }

    void lostWaitsQuietlyAndRestores_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("waiting");
        QTest::addColumn<QString>("lost");
        QTest::addColumn<QString>("restored");
        QTest::addColumn<QString>("open");
        QTest::newRow("German") << 0 << "Warte auf COM3 ..." << "Verbindung verloren"
                                << "Verbindung wiederhergestellt"
                                << "Schnittstelle COM3 mit 19200 Baud ist geöffnet.";
        QTest::newRow("English") << 1 << "Waiting for COM3 ..." << "Connection lost" << "Connection restored"
                                 << "Interface COM3 is opened with 19200 baud.";
    }
    void lostWaitsQuietlyAndRestores()
    {
        QFETCH(int, language);
        QFETCH(QString, waiting);
        QFETCH(QString, lost);
        QFETCH(QString, restored);
        QFETCH(QString, open);
        g_bytLanguage = quint8(language);
        Rig r;
        QSignalSpy failed(r.session.get(), &TerminalSession::openFailed);
        QVERIFY(r.session->isOpen());

        r.port->arrive("BYE");
        r.unplug();
        QCOMPARE(r.lines(), (QStringList{QStringLiteral("14:03:27.010  [IN]   BYE"),
                                         QStringLiteral("14:03:27.010  [---]  ") + lost}));
        QVERIFY(!r.session->isOpen());
        QCOMPARE(r.status(), waiting);
        QVERIFY(r.reconnector->waiting());
        QCOMPARE(r.watch->path, r.port->path);

        // Nothing there: no attempt at all, however long the wait.
        const int attempts = r.port->openAttempts;
        r.timers.advance(10000);
        QCOMPARE(r.port->openAttempts, attempts);
        QCOMPARE(r.status(), waiting);

        QVERIFY(r.plug());
        r.timers.setClockTo(14, 3, 40, 0);
        r.watch->fire();
        r.timers.advance(Reconnector::kSettleMs - 1);
        QVERIFY(!r.session->isOpen()); // the folder settles first
        r.timers.advance(1000 - Reconnector::kSettleMs);
        QVERIFY(r.session->isOpen());
        QCOMPARE(r.status(), open);
        QCOMPARE(r.port->commPort(), 3);
        QCOMPARE(r.port->settings(), QStringLiteral("19200,N,8,1"));
        QVERIFY(!r.reconnector->waiting());
        QVERIFY(r.watch->path.isEmpty());
        QCOMPARE(r.lines().last(), QStringLiteral("14:03:40.050  [---]  ") + restored);

        r.port->arrive("HI");
        r.timers.advance(60);
        QCOMPARE(r.lines().size(), 4);
        QVERIFY(r.lines().last().endsWith(QStringLiteral("  [IN]   HI")));
        QCOMPARE(failed.size(), 0);
    }

    void aNodeThatDoesNotOpenYetIsTriedQuietlyAndEverLessOften()
    {
        Rig r;
        QSignalSpy failed(r.session.get(), &TerminalSession::openFailed);
        r.port->failOpenWith = 8016; // udev has not given the node its group yet
        r.port->unplug();
        r.timers.advance(20);
        const int before = r.port->openAttempts;
        r.timers.advance(Reconnector::kRetryMs * Reconnector::kFastRetries);
        QCOMPARE(r.port->openAttempts - before, Reconnector::kFastRetries);
        r.timers.advance(10 * Reconnector::kSlowRetryMs);
        QCOMPARE(r.port->openAttempts - before, Reconnector::kFastRetries + 10);
        QCOMPARE(failed.size(), 0);
        QCOMPARE(r.status(), QStringLiteral("Warte auf COM3 ..."));

        r.port->failOpenWith = 0;
        r.timers.advance(Reconnector::kSlowRetryMs);
        QVERIFY(r.session->isOpen());
    }

    void withoutAWatcherThePathIsLookedAtTwiceASecond()
    {
        Rig r;
        r.watch->canWatch = false;
        r.unplug();
        QVERIFY(r.reconnector->waiting());
        r.timers.advance(3000);
        QVERIFY(!r.session->isOpen());
        QVERIFY(r.plug());
        r.timers.advance(Reconnector::kLookMs);
        QVERIFY(r.session->isOpen());
    }

    void switchedOffTheLossIsAsBefore()
    {
        Rig r;
        g_blnReconnect = false;
        r.port->arrive("X");
        r.unplug();
        QCOMPARE(r.lines(), QStringList{QStringLiteral("14:03:27.010  [IN]   X")});
        QCOMPARE(r.status(), QStringLiteral("Keine Schnittstelle geöffnet!"));
        QVERIFY(!r.reconnector->waiting());
        QCOMPARE(r.watch->watches, 0);
        QVERIFY(r.plug());
        r.timers.advance(10000);
        QVERIFY(!r.session->isOpen());
    }

    void theUsersChoiceOfAnotherPortEndsTheWaiting_data()
    {
        QTest::addColumn<int>("failWith");
        QTest::addColumn<QString>("status");
        QTest::newRow("opens") << 0 << "Schnittstelle COM5 mit 19200 Baud ist geöffnet.";
        QTest::newRow("fails") << 8010 << "Keine Schnittstelle geöffnet!";
    }
    void theUsersChoiceOfAnotherPortEndsTheWaiting()
    {
        QFETCH(int, failWith);
        QFETCH(QString, status);
        Rig r;
        r.unplug();
        QVERIFY(r.reconnector->waiting());
        g_bytComPort = 4;
        r.port->failOpenWith = failWith;
        r.session->prc_MainOpenInterface();
        QVERIFY(!r.reconnector->waiting());
        QCOMPARE(r.status(), status);
        QCOMPARE(r.lines().size(), 1); // the loss only: nothing was restored
        QVERIFY(r.watch->path.isEmpty());
        // The old device coming back does not take the port from the user's choice.
        r.port->failOpenWith = 0;
        QVERIFY(r.plug());
        const int attempts = r.port->openAttempts;
        r.timers.advance(5000);
        QCOMPARE(r.port->openAttempts, attempts);
    }

    void theUserTryingTheSamePortKeepsTheWaitingInTheNewLanguage()
    {
        Rig r;
        r.unplug();
        QSignalSpy failed(r.session.get(), &TerminalSession::openFailed);
        g_bytLanguage = 1; // the settings dialog's OK, with the language changed
        r.port->failOpenWith = 8010;
        r.session->prc_MainOpenInterface();
        QCOMPARE(failed.size(), 1); // the user's own attempt is reported as always
        QVERIFY(r.reconnector->waiting());
        QCOMPARE(r.status(), QStringLiteral("Waiting for COM3 ..."));
        r.port->failOpenWith = 0;
        QVERIFY(r.plug());
        r.watch->fire();
        r.timers.advance(1000);
        QVERIFY(r.session->isOpen());
        QCOMPARE(r.lines().last().mid(12), QStringLiteral("  [---]  Connection restored"));
    }

};

QTEST_GUILESS_MAIN(TestReconnect)
#include "tst_reconnect.moc"
