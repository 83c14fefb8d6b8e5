// The rate the program opens at, as the kernel holds it for a real pty: the eleven positions
// of the table as ever, a custom rate winning over them, and the status text naming it.
#include "Pty.h"
#include "TerminalSession.h"
#include "TestProgram.h"
#include "frmMain.h"

#include <QtTest>

class TestCustomRate : public QObject {
    Q_OBJECT

private slots:
    void opensAtTheStoredRate_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QByteArray>("connection"); // the CONNECTION section's lines
        QTest::addColumn<int>("speed");
        QTest::addColumn<QString>("status");
        QTest::newRow("position 0") << 0 << QByteArray() << 300 << "Schnittstelle COM1 mit 300 Baud ist geöffnet.";
        QTest::newRow("position 8") << 8 << QByteArray() << 56000 << "Schnittstelle COM1 mit 56000 Baud ist geöffnet.";
        QTest::newRow("position 10") << 10 << QByteArray() << 115200
                                     << "Schnittstelle COM1 mit 115200 Baud ist geöffnet.";
        QTest::newRow("position 11") << 11 << QByteArray() << 9600 << "Schnittstelle COM1 mit 9600 Baud ist geöffnet.";
        QTest::newRow("fast") << 10 << QByteArray("BaudrateCustom=921600\r\n") << 921600
                              << "Schnittstelle COM1 mit 921600 Baud ist geöffnet.";
        QTest::newRow("3000000") << 0 << QByteArray("BaudrateCustom=3000000\r\n") << 3000000
                                 << "Schnittstelle COM1 mit 3000000 Baud ist geöffnet.";
        QTest::newRow("typed") << 4 << QByteArray("BaudrateCustom=250000\r\n") << 250000
                               << "Schnittstelle COM1 mit 250000 Baud ist geöffnet.";
        QTest::newRow("none") << 6 << QByteArray("BaudrateCustom=0\r\n") << 19200
                              << "Schnittstelle COM1 mit 19200 Baud ist geöffnet.";
    }
    void opensAtTheStoredRate()
    {
        QFETCH(int, position);
        QFETCH(QByteArray, connection);
        QFETCH(int, speed);
        QFETCH(QString, status);
        TestProgram p;
        Pty &pty = p.mapPty(1);
        QByteArray settings = "[SETTINGS]\r\nComPort=0\r\nBaudrate=" + QByteArray::number(position) + "\r\n";
        if (!connection.isEmpty())
            settings += "[CONNECTION]\r\n" + connection;
        QVERIFY(p.start({}, settings));
        QVERIFY(p.session().isOpen());
        QCOMPARE(pty.slaveLineSpeed(), speed);
        QCOMPARE(p.form().statusText(), status);
        QCOMPARE(p.dialogs().shown.size(), 0);
    }

    void aRefusedRateIsReportedAsEver()
    {
        TestProgram p;
        FakeSerialPort &port = p.useFakePort();
        port.failOpenWith = 8015;
        QVERIFY(p.start({}, "[SETTINGS]\r\nLanguage=1\r\n[CONNECTION]\r\nBaudrateCustom=2000000\r\n"));
        QCOMPARE(port.settings(), QStringLiteral("2000000,N,8,1"));
        QCOMPARE(p.dialogs().count(QStringLiteral("message")), 1);
        QVERIFY(p.dialogs().shown.first().text.startsWith(
            QStringLiteral("An error occured with followning action: Open Interface.")));
        QVERIFY(p.dialogs().shown.first().text.endsWith(QStringLiteral("Error: 8015.")));
        QCOMPARE(p.form().statusText(), QStringLiteral("No interface connection opened!"));
    }
};

QTEST_MAIN(TestCustomRate)
#include "tst_customrate.moc"
