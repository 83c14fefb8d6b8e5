// The whole receive path when a device goes away: real pty, real serial layer, the session's
// own poll. Every byte the OS delivered to the program ends up in the traffic list, in order
// and once, as received lines before the connection closes.
#include "Cp1252.h"
#include "Pty.h"
#include "QtSerialPort.h"
#include "ReadProbe.h"
#include "TerminalSession.h"
#include "TrafficLine.h"
#include "modGlobal.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <chrono>
#include <functional>
#include <thread>

namespace {

constexpr int kTrialsPerRow = 20;

struct Outcome {
    QByteArray sent;
    QByteArray delivered;
    QByteArray listed;
    bool closedAfterLastLine = false;
};

Outcome runTrial(const std::function<QByteArray(Pty &)> &device)
{
    Outcome outcome;
    Pty pty;
    if (!pty.isValid())
        return outcome;
    g_bytComPort = 0;
    g_bytBaudrate = 10;
    g_bytPeculiar = 0;
    TerminalSession session(std::make_unique<platform::QtSerialPort>(
        [path = pty.slavePath()](int) { return path; }));
    session.prc_MainOpenInterface();
    if (!session.isOpen() || !readprobe::watch(pty.slavePath()))
        return outcome;
    QSignalSpy lost(&session, &TerminalSession::deviceLost);
    qsizetype linesAtLoss = -1;
    QObject::connect(&session, &TerminalSession::deviceLost,
                     [&] { linesAtLoss = session.traffic().count(); });
    std::thread deviceThread([&] { outcome.sent = device(pty); });
    const bool seen = QTest::qWaitFor([&] { return !lost.isEmpty(); }, 10000);
    deviceThread.join();
    // Nothing may come after the loss either.
    QTest::qWait(50);
    readprobe::stop();
    outcome.delivered = readprobe::delivered();
    for (int i = 0; i < session.traffic().count(); ++i) {
        const QString line = session.traffic().lineAt(i);
        if (line.mid(12, 9) == kMarkerIn)
            outcome.listed += platform::encodeCp1252(line.mid(21));
    }
    outcome.closedAfterLastLine = seen && lost.size() == 1 && !session.isOpen()
                                  && linesAtLoss == session.traffic().count();
    return outcome;
}

void check(const Outcome &o)
{
    QVERIFY(o.closedAfterLastLine);
    QVERIFY(o.sent.startsWith(o.delivered)); // what the kernel drops at the hang-up is its own
    QCOMPARE(o.listed.size(), o.delivered.size());
    QVERIFY(o.listed == o.delivered);
}

} // namespace

class TestSessionTail : public QObject {
    Q_OBJECT
private slots:
    void lastLineReachesTheList_data()
    {
        QTest::addColumn<int>("delayMs");
        for (const int delay : {0, 1, 5, 10, 20})
            QTest::addRow("closed %d ms after BYE", delay) << delay;
    }
    void lastLineReachesTheList()
    {
        QFETCH(int, delayMs);
        qint64 delivered = 0;
        for (int trial = 0; trial < kTrialsPerRow; ++trial) {
            const Outcome o = runTrial([delayMs](Pty &pty) {
                const QByteArray line("BYE\r\n");
                if (!pty.writeMaster(line))
                    return QByteArray();
                std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
                pty.closeMaster();
                return line;
            });
            check(o);
            if (QTest::currentTestFailed())
                return;
            delivered += o.delivered.size();
        }
        qInfo("%d trials, %lld bytes delivered, all of them listed", kTrialsPerRow, delivered);
    }

    void streamCutAtRandomReachesTheList()
    {
        qint64 delivered = 0;
        for (int trial = 0; trial < kTrialsPerRow; ++trial) {
            const quint32 seed = quint32(4711 + trial);
            const Outcome o = runTrial([seed](Pty &pty) {
                QRandomGenerator random(seed);
                const int total = random.bounded(1, 50000);
                QByteArray sent;
                while (sent.size() < total) {
                    QByteArray piece(std::min(random.bounded(1, 700), total - int(sent.size())),
                                     Qt::Uninitialized);
                    for (char &byte : piece)
                        byte = char(random.bounded(256));
                    if (!pty.writeMaster(piece))
                        break;
                    sent += piece;
                    if (random.bounded(4) == 0)
                        std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(3000)));
                }
                std::this_thread::sleep_for(std::chrono::microseconds(random.bounded(30000)));
                pty.closeMaster();
                return sent;
            });
            check(o);
            if (QTest::currentTestFailed()) {
                qWarning("seed %u", seed);
                return;
            }
            delivered += o.delivered.size();
        }
        qInfo("%d trials, %lld bytes delivered, all of them listed", kTrialsPerRow, delivered);
    }
};

QTEST_GUILESS_MAIN(TestSessionTail)
#include "tst_sessiontail.moc"
