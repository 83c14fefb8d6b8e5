// The terminal core through the real serial layer on a real pseudo-terminal: opening the
// port, sending, receiving whole streams and the traffic list; the receive poll's chunks and
// stamps on a fake port and fake time.
#include "CommandSlots.h"
#include "Cp1252.h"
#include "MainProgram.h"
#include "TestProgram.h"
#include "TerminalPresenter.h"
#include "TerminalSession.h"
#include "TrafficLine.h"
#include "TrafficLineDelegate.h"
#include "TrafficListModel.h"
#include "TrafficListView.h"
#include "frmMain.h"
#include "modGlobal.h"

#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <ctime>

namespace {

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace

// The real serial layer on a pty for opening, sending and whole streams; the receive poll's
// logic (chunks, pauses, stamps) on a fake port with fake timers and a fake clock.
class TestTerminal : public QObject {
    Q_OBJECT
    std::unique_ptr<TestProgram> p;
    Pty *pty = nullptr; // COM2; owned by p

    frmMain &form() { return p->form(); }
    TrafficListModel &traffic() { return p->traffic(); }
    ScriptedDialogs &dialogs() { return p->dialogs(); }
    QStringList lines() { return p->lines(); }

    // COM2 is the pty; COM5 names a device that does not exist. The clock stands still.
    void start(quint8 comPort = 1, quint8 baud = 6, quint8 peculiar = 0, quint8 language = 0)
    {
        p->useFakeClock();
        p->writeSettings(comPort, baud, peculiar, language);
        QVERIFY(p->start());
    }
    // The port is a FakeSerialPort and time is the test's: the clock shows 14:03:27.000 at 0.
    FakeSerialPort &startOnFakes(quint8 peculiar = 0, qint32 failOpenWith = 0)
    {
        FakeSerialPort &port = p->useFakePort();
        port.failOpenWith = failOpenWith;
        p->useFakeTime();
        p->writeSettings(1, 6, peculiar, 0);
        [&] { QVERIFY(p->start()); }();
        return port;
    }

private slots:
    void init()
    {
        p = std::make_unique<TestProgram>();
        pty = &p->mapPty(2);
        QVERIFY(pty->isValid());
        p->mapAbsent(5);
    }
    void cleanup()
    {
        p.reset();
        pty = nullptr;
    }

    void opensTheConfiguredPort_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("status");
        QTest::newRow("German") << 0 << QStringLiteral("Schnittstelle COM2 mit 19200 Baud ist geöffnet.");
        QTest::newRow("English") << 1 << QStringLiteral("Interface COM2 is opened with 19200 baud.");
    }
    void opensTheConfiguredPort()
    {
        QFETCH(int, language);
        QFETCH(QString, status);
        start(1, 6, 0, quint8(language));
        QCOMPARE(form().statusText(), status);
        QCOMPARE(dialogs().shown.size(), 0);
        QVERIFY(form().txtSend->isEnabled());
        QVERIFY(form().lstSendReceive->isEnabled());
        QVERIFY(form().cmdInsertSpecialChar->isEnabled());
        for (QPushButton *b : form().cmdBefehl)
            QVERIFY(b->isEnabled());
        QVERIFY(!form().cmdSend->isEnabled()); // the field is empty
        QCOMPARE(form().txtSend->palette().color(QPalette::Base), QColor(Qt::white));
        QCOMPARE(pty->slaveLineSpeed(), 19200);
    }

    void unknownRatePositionsOpenAt9600_data()
    {
        QTest::addColumn<int>("position");
        QTest::newRow("5") << 5;
        QTest::newRow("11") << 11;
        QTest::newRow("255") << 255;
    }
    void unknownRatePositionsOpenAt9600()
    {
        QFETCH(int, position);
        start(1, quint8(position));
        QCOMPARE(form().statusText(), QStringLiteral("Schnittstelle COM2 mit 9600 Baud ist geöffnet."));
        QCOMPARE(pty->slaveLineSpeed(), 9600);
    }

    void missingDeviceIsReportedInBothLanguages_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("head");
        QTest::addColumn<QString>("title");
        QTest::newRow("German") << 0
            << QStringLiteral("Es ist ein Fehler bei folgender Aktion aufgetreten: Schnittstelle öffnen.\r\nBeschreibung: ")
            << QStringLiteral("Fehler aufgetreten");
        QTest::newRow("English") << 1
            << QStringLiteral("An error occured with followning action: Open Interface.\r\nDescription: ")
            << QStringLiteral("Error occured");
    }
    void missingDeviceIsReportedInBothLanguages()
    {
        QFETCH(int, language);
        QFETCH(QString, head);
        QFETCH(QString, title);
        start(4, 5, 0, quint8(language));
        QCOMPARE(dialogs().shown.size(), 1);
        const auto &box = dialogs().shown.first();
        QVERIFY2(box.text.startsWith(head), qPrintable(box.text));
        QVERIFY2(box.text.contains(p->absentPath(5)), qPrintable(box.text));
        QVERIFY2(box.text.endsWith(QStringLiteral(": 8010.")), qPrintable(box.text));
        QCOMPARE(box.title, title);
        QCOMPARE(box.icon, platform::MessageIcon::Critical);
        QCOMPARE(g_lngErrNumber, 8010);
        QVERIFY(!form().txtSend->isEnabled());
        QCOMPARE(form().statusText(), language == 0 ? QStringLiteral("Keine Schnittstelle geöffnet!")
                                                    : QStringLiteral("No interface connection opened!"));
    }

    void busyPortIsReportedBySecondCopy()
    {
        start();
        auto second = p->startAnother();
        QCOMPARE(dialogs().shown.size(), 1);
        QVERIFY(dialogs().shown.first().text.endsWith(QStringLiteral("Fehler: 8005.")));
        QCOMPARE(second->form().statusText(), QStringLiteral("Keine Schnittstelle geöffnet!"));
        QVERIFY(!second->form().cmdBefehl[0]->isEnabled());
        QVERIFY(second->form().txtBefehl[0]->isEnabled());
        second.reset();
        QVERIFY(form().txtSend->isEnabled()); // the first copy keeps its port
    }

    void reopeningWithUnchangedSettingsKeepsWorking()
    {
        start();
        p->session().prc_MainOpenInterface();
        QCOMPARE(dialogs().shown.size(), 0);
        QCOMPARE(form().statusText(), QStringLiteral("Schnittstelle COM2 mit 19200 Baud ist geöffnet."));
        form().txtBefehl[0]->setText(QStringLiteral("X"));
        form().cmdBefehl[0]->click();
        QCOMPARE(pty->readMaster(1), QByteArray("X"));
    }

    void failedReopeningClosesThePortAndSendReportsShort()
    {
        start();
        QTest::keyClicks(form().txtSend, QStringLiteral("AB"));
        QVERIFY(form().cmdSend->isEnabled());
        g_bytComPort = 4; // COM5: absent
        p->session().prc_MainOpenInterface();
        QCOMPARE(dialogs().shown.size(), 1);
        QCOMPARE(form().statusText(), QStringLiteral("Keine Schnittstelle geöffnet!"));
        QVERIFY(form().cmdSend->isEnabled()); // it follows the field only
        form().cmdSend->click();
        QCOMPARE(dialogs().shown.size(), 2);
        const auto &box = dialogs().shown.last();
        QVERIFY2(box.text.startsWith(QStringLiteral("Beschreibung: ")), qPrintable(box.text));
        QVERIFY2(box.text.endsWith(QStringLiteral("\r\nFehler: 8012")), qPrintable(box.text));
        QCOMPARE(box.title, QStringLiteral("Tellurix"));
        QCOMPARE(box.icon, platform::MessageIcon::None);
        QCOMPARE(form().txtSend->text(), QStringLiteral("AB"));
        QCOMPARE(traffic().count(), 0);
    }

    void sendingConvertsTokensAndLogsTheLine_data()
    {
        QTest::addColumn<int>("peculiar");
        QTest::addColumn<QString>("shown");
        QTest::newRow("raw") << 0 << QStringLiteral("\x02" "AB\r\n");
        QTest::newRow("tokens") << 1 << QStringLiteral("<STX>AB<CR><LF>");
    }
    void sendingConvertsTokensAndLogsTheLine()
    {
        QFETCH(int, peculiar);
        QFETCH(QString, shown);
        start(1, 6, quint8(peculiar));
        form().txtSend->setFocus();
        QTest::keyClicks(form().txtSend, QStringLiteral("<STX>AB<CR><LF>"));
        QTest::keyClick(form().txtSend, Qt::Key_Return);
        QCOMPARE(pty->readMaster(5), QByteArray("\x02" "AB\r\n"));
        QCOMPARE(pty->readMasterUntilQuiet(50), QByteArray());
        QCOMPARE(lines(), QStringList{QStringLiteral("14:03:27.045  [OUT]  ") + shown});
        QCOMPARE(form().txtSend->text(), QString());
        QVERIFY(!form().cmdSend->isEnabled());
        QVERIFY(form().cmdDelete->isEnabled());
    }

    void emptyPresetLogsAnEmptySentLine()
    {
        start();
        form().txtBefehl[2]->clear();
        form().cmdBefehl[2]->click();
        QCOMPARE(lines(), QStringList{QStringLiteral("14:03:27.045  [OUT]  ")});
        QCOMPARE(lines().first().size(), 21);
        QCOMPARE(pty->readMasterUntilQuiet(50), QByteArray());
    }

    void answerArrivesAsOneLine_data()
    {
        QTest::addColumn<int>("peculiar");
        QTest::addColumn<QString>("shown");
        QTest::newRow("raw") << 0 << QStringLiteral("OK\r\n");
        QTest::newRow("tokens") << 1 << QStringLiteral("OK<CR><LF>");
    }
    void answerArrivesAsOneLine()
    {
        QFETCH(int, peculiar);
        QFETCH(QString, shown);
        FakeSerialPort &port = startOnFakes(quint8(peculiar));
        FakeTimers &timers = *p->timers();
        port.arrive("OK");
        timers.advance(3);
        port.arrive("\r\n");
        timers.advance(40); // seen by the tick at 10 ms, read after the quiet pause
        QCOMPARE(traffic().count(), 1);
        timers.advance(80);
        QCOMPARE(lines(), QStringList{QStringLiteral("14:03:27.030  [IN]   ") + shown});
        QCOMPARE(form().lstSendReceive->currentIndex().row(), 0);
    }

    void answersApartGiveSeparateLines()
    {
        FakeSerialPort &port = startOnFakes();
        FakeTimers &timers = *p->timers();
        port.arrive("ONE");
        timers.advance(100);
        port.arrive("TWO");
        timers.advance(100);
        QCOMPARE(traffic().count(), 2);
        QCOMPARE(lines().at(0).mid(21), QStringLiteral("ONE"));
        QCOMPARE(lines().at(1).mid(21), QStringLiteral("TWO"));
        QCOMPARE(form().lstSendReceive->currentIndex().row(), 1);
    }

    void receivedNulShowsAsTokenInTokenDisplay()
    {
        FakeSerialPort &port = startOnFakes(1);
        port.arrive(QByteArray("A\0B\x01\x1b", 5));
        p->timers()->advance(100);
        QCOMPARE(traffic().count(), 1);
        QCOMPARE(lines().first().mid(21), QStringLiteral("A<NUL>B\x01\x1b"));
    }

    void stampIsTheMomentOfReading()
    {
        FakeSerialPort &port = startOnFakes();
        FakeTimers &timers = *p->timers();
        timers.setClockTo(23, 59, 59, 999);
        port.arrive("X");
        // The line is stamped when it is read, after the quiet pause: the clock moved since,
        // past midnight.
        timers.advance(100);
        QCOMPARE(traffic().count(), 1);
        QCOMPARE(lines().first(), QStringLiteral("00:00:00.029  [IN]   X"));
    }

    void sendDuringGatheringStandsFirst()
    {
        FakeSerialPort &port = startOnFakes();
        FakeTimers &timers = *p->timers();
        form().txtBefehl[0]->setText(QStringLiteral("Q"));
        port.arrive("A");
        // Once the poll has seen the byte it waits for the line to fall quiet; send now.
        for (int waited = 0; !p->session().receiving() && waited < 2000; ++waited)
            timers.advance(1);
        QVERIFY(p->session().receiving());
        form().cmdBefehl[0]->click();
        timers.advance(100);
        QCOMPARE(traffic().count(), 2);
        QCOMPARE(lines().at(0).mid(12, 9), QStringLiteral("  [OUT]  "));
        QCOMPARE(lines().at(1).mid(12), QStringLiteral("  [IN]   A"));
        QCOMPARE(port.written, QByteArray("Q"));
    }

    void megabyteStreamArrivesCompleteAndInOrder()
    {
        start(1, 10);
        QByteArray sent(1024 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < sent.size(); ++i)
            sent[i] = char((i * 7 + i / 251) & 0xff);
        qsizetype written = 0;
        QElapsedTimer timer;
        timer.start();
        while (written < sent.size() && timer.elapsed() < 60000) {
            const qsizetype n = pty->writeSomeMaster(QByteArrayView(sent).sliced(written, std::min<qsizetype>(4096, sent.size() - written)));
            QVERIFY(n >= 0);
            written += n;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        QCOMPARE(written, sent.size());
        QByteArray received;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                received.clear();
                for (int i = 0; i < traffic().count(); ++i)
                    received += platform::encodeCp1252(traffic().lineAt(i).mid(21));
                return received.size() >= sent.size();
            }(),
            30000);
        QCOMPARE(received.size(), sent.size());
        QVERIFY(received == sent);
        QVERIFY(traffic().count() > 1);
    }

    void unpluggedDeviceClosesThePortQuietly()
    {
        start();
        const qsizetype before = dialogs().shown.size();
        pty->closeMaster();
        // Reconnecting is on: the closed port says what it waits for.
        QTRY_COMPARE(form().statusText(), QStringLiteral("Warte auf COM2 ..."));
        QVERIFY(!form().txtSend->isEnabled());
        QVERIFY(!form().cmdBefehl[0]->isEnabled());
        // CPU time as a share of the wall time: a poll that spins on the closed descriptor
        // keeps a core busy, however fast the machine.
        const double cpuBefore = processCpuSeconds();
        QElapsedTimer idle;
        idle.start();
        QTest::qWait(1000);
        const double cpuShare = (processCpuSeconds() - cpuBefore) / (double(idle.elapsed()) / 1000.0);
        QVERIFY2(cpuShare < 0.3, qPrintable(QString::number(cpuShare)));
        QCOMPARE(dialogs().shown.size(), before);
        QCOMPARE(traffic().count(), 1);
        QCOMPARE(traffic().lineAt(0).mid(12), QStringLiteral("  [---]  Verbindung verloren"));
    }

    void doubleClickShowsTheLine()
    {
        start();
        form().txtBefehl[0]->setText(QStringLiteral("FIRST"));
        form().txtBefehl[1]->setText(QStringLiteral("SECOND"));
        form().cmdBefehl[0]->click();
        form().cmdBefehl[1]->click();
        auto *view = form().lstSendReceive;
        const QRect first = view->visualRect(traffic().index(0));
        dialogs().inputAnswer = QStringLiteral("edited");
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, first.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(dialogs().count(QStringLiteral("input")), 1);
        const auto &box = dialogs().shown.last();
        QCOMPARE(box.text, QStringLiteral("Inhalt der Zeile: 0"));
        QCOMPARE(box.title, QStringLiteral("Tellurix"));
        QCOMPARE(box.inputText, QStringLiteral("14:03:27.045  [OUT]  FIRST"));
        QCOMPARE(traffic().lineAt(0), QStringLiteral("14:03:27.045  [OUT]  FIRST"));
        QCOMPARE(traffic().count(), 2);
    }

    void deleteClearsTheList()
    {
        start();
        form().cmdBefehl[0]->click();
        QVERIFY(form().cmdDelete->isEnabled());
        form().cmdDelete->click();
        QCOMPARE(traffic().count(), 0);
        QVERIFY(!form().cmdDelete->isEnabled());
    }

    void closedPortTicksLeaveTheListAlone()
    {
        FakeSerialPort &port = startOnFakes(0, 8010); // the device is absent
        QCOMPARE(dialogs().shown.size(), 1);
        QVERIFY(!p->session().isOpen());
        port.arrive("ignored");
        p->timers()->advance(100);
        QCOMPARE(traffic().count(), 0);
    }
};

QTEST_MAIN(TestTerminal)
#include "tst_terminal.moc"
