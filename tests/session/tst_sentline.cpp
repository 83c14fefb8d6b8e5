// What the traffic list shows of a sent line: in the raw display the characters that went
// out, in the token display the text as written.
#include "FakeClock.h"
#include "FakeSerialPort.h"
#include "FakeTimers.h"
#include "TerminalSession.h"
#include "modGlobal.h"

#include <QCoreApplication>
#include <QtTest>

class TestSentLine : public QObject {
    Q_OBJECT

    // The data part of the one line a send produced, and the bytes that went out.
    static QPair<QString, QByteArray> send(const QString &text, int peculiar)
    {
        g_bytComPort = 0;
        g_bytBaudrate = 6;
        g_bytLanguage = 0;
        g_bytPeculiar = quint8(peculiar);
        FakeClock clock;
        FakeTimers timers{clock};
        auto owned = std::make_unique<FakeSerialPort>();
        FakeSerialPort *port = owned.get();
        TerminalSession session(std::move(owned));
        session.prc_MainOpenInterface();
        session.SendText(text);
        const QString line = session.traffic().lineAt(0);
        // "hh:mm:ss.zzz  [OUT]  " comes before the data.
        const qsizetype data = line.indexOf(QStringLiteral("[OUT]"));
        g_bytPeculiar = 0;
        return {data < 0 ? QString() : line.mid(data + 7), port->written};
    }

private slots:
    void rawDisplayShowsWhatWentOut_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("omega") << QStringLiteral("U=5Ω") << QByteArray("U=5?") << QStringLiteral("U=5?");
        QTest::newRow("euro and umlaut stay") << QStringLiteral("5€ ä") << QByteArray("5\x80 \xe4")
                                              << QStringLiteral("5€ ä");
        QTest::newRow("emoji") << QStringLiteral("a\U0001F600b") << QByteArray("a?b") << QStringLiteral("a?b");
        QTest::newRow("token and greek") << QStringLiteral("μ<CR>") << QByteArray("?\r")
                                         << QStringLiteral("?\r");
    }
    void rawDisplayShowsWhatWentOut()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        const auto [line, written] = send(text, 0);
        QCOMPARE(written, bytes);
        QCOMPARE(line, shown);
    }

    void tokenDisplayShowsTheTextAsWritten()
    {
        const auto [line, written] = send(QStringLiteral("U=5Ω<CR>"), 1);
        QCOMPARE(written, QByteArray("U=5?\r"));
        QCOMPARE(line, QStringLiteral("U=5Ω<CR>"));
    }
};

QTEST_GUILESS_MAIN(TestSentLine)
#include "tst_sentline.moc"
