// The signal plumbing on its own, in this process: a signal raised here must come out as
// terminationRequested on the event loop, never as the default action that ends the process.
#include "TerminationSignals.h"

#include <QSignalSpy>
#include <QtTest>

#include <csignal>

namespace {

std::atomic<int> g_foreignCalls{0};
extern "C" void foreignHandler(int)
{
    g_foreignCalls.fetch_add(1);
}

} // namespace

class TestTerminationSignals : public QObject {
    Q_OBJECT
private slots:
    void eachSignalArrivesOnTheEventLoop_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void eachSignalArrivesOnTheEventLoop()
    {
        QFETCH(int, signal);
        platform::TerminationSignals termination;
        QVERIFY(termination.isValid());
        QSignalSpy spy(&termination, &platform::TerminationSignals::terminationRequested);
        QCOMPARE(::raise(signal), 0);
        // Nothing is emitted from inside the handler: only the event loop delivers it.
        QCOMPARE(spy.count(), 0);
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), signal);
    }

    void aBurstArrivesInOrder()
    {
        platform::TerminationSignals termination;
        QSignalSpy spy(&termination, &platform::TerminationSignals::terminationRequested);
        const QList<int> sent{SIGINT, SIGTERM, SIGHUP, SIGTERM, SIGINT};
        for (int s : sent)
            QCOMPARE(::raise(s), 0);
        QTRY_COMPARE(spy.count(), sent.size());
        QList<int> received;
        for (const QList<QVariant> &arguments : spy)
            received << arguments.at(0).toInt();
        QCOMPARE(received, sent);
    }

    void onlyOneInstanceListens()
    {
        platform::TerminationSignals first;
        const platform::TerminationSignals second;
        QVERIFY(first.isValid());
        QVERIFY(!second.isValid());
    }

    void thePreviousHandlersComeBackWhenNoSignalCame()
    {
        struct sigaction foreign {};
        foreign.sa_handler = foreignHandler;
        sigemptyset(&foreign.sa_mask);
        struct sigaction saved {};
        QCOMPARE(::sigaction(SIGHUP, &foreign, &saved), 0);
        {
            const platform::TerminationSignals termination;
            QVERIFY(termination.isValid());
        }
        g_foreignCalls = 0;
        QCOMPARE(::raise(SIGHUP), 0);
        QCOMPARE(g_foreignCalls.load(), 1);
        ::sigaction(SIGHUP, &saved, nullptr);
    }

    // Once a session is ending, a repeat during the last steps of the shutdown is ignored
    // instead of killing the process before it returns its exit code.
    void afterASignalRepeatsAreIgnoredForGood()
    {
        struct sigaction saved {};
        QCOMPARE(::sigaction(SIGTERM, nullptr, &saved), 0);
        {
            platform::TerminationSignals termination;
            QSignalSpy spy(&termination, &platform::TerminationSignals::terminationRequested);
            QCOMPARE(::raise(SIGTERM), 0);
            QTRY_COMPARE(spy.count(), 1);
        }
        struct sigaction now {};
        QCOMPARE(::sigaction(SIGTERM, nullptr, &now), 0);
        QVERIFY(now.sa_handler == SIG_IGN);
        QCOMPARE(::raise(SIGTERM), 0);  // survives
        ::sigaction(SIGTERM, &saved, nullptr);
    }
};

QTEST_GUILESS_MAIN(TestTerminationSignals)
#include "tst_terminationsignals.moc"
