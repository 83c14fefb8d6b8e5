// Token conversions: the edge cases users run into, and a property test showing that the
// one-pass conversions give exactly what the row-by-row replace-all passes give.
#include "Tokens.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// The conversions written the obvious way: one replace-all per table row, in table order.
const QList<std::pair<QString, QString>> &sendRows()
{
    static const QList<std::pair<QString, QString>> rows{
        {QStringLiteral("<STX>"), QString(QChar(2))},  {QStringLiteral("<ETX>"), QString(QChar(3))},
        {QStringLiteral("<EOT>"), QString(QChar(4))},  {QStringLiteral("<ENQ>"), QString(QChar(5))},
        {QStringLiteral("<ACK>"), QString(QChar(6))},  {QStringLiteral("<LF>"), QString(QChar(10))},
        {QStringLiteral("<CR>"), QString(QChar(13))},  {QStringLiteral("<NAK>"), QString(QChar(21))},
    };
    return rows;
}

QString referenceTokensToChars(QString text)
{
    for (const auto &[token, character] : sendRows())
        text.replace(token, character, Qt::CaseSensitive);
    return text;
}

QString referenceCharsToTokens(QString text)
{
    for (const auto &[token, character] : sendRows())
        text.replace(character, token, Qt::CaseSensitive);
    text.replace(QString(QChar(0)), QStringLiteral("<NUL>"), Qt::CaseSensitive);
    return text;
}

QString chars(std::initializer_list<int> codes)
{
    QString s;
    for (int c : codes)
        s.append(QChar(char16_t(c)));
    return s;
}

// Control characters as \xNN, for failure messages.
QString escaped(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c.unicode() < 32 || c.unicode() == 127)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return u'"' + out + u'"';
}

// Texts built from the pieces tokens are made of, so that near-misses, nested brackets and
// adjacent tokens turn up often.
QString randomText(QRandomGenerator &random)
{
    static const QStringList pieces{
        QStringLiteral("<"),     QStringLiteral(">"),     QStringLiteral("<STX>"),
        QStringLiteral("<ETX>"), QStringLiteral("<EOT>"), QStringLiteral("<ENQ>"),
        QStringLiteral("<ACK>"), QStringLiteral("<LF>"),  QStringLiteral("<CR>"),
        QStringLiteral("<NAK>"), QStringLiteral("<NUL>"), QStringLiteral("<ST"),
        QStringLiteral("TX>"),   QStringLiteral("<C"),    QStringLiteral("R>"),
        QStringLiteral("<stx>"), QStringLiteral("< CR>"), QStringLiteral("<LFF>"),
        QStringLiteral("S"),     QStringLiteral("T"),     QStringLiteral("X"),
        QStringLiteral("C"),     QStringLiteral("R"),     QStringLiteral("L"),
        QStringLiteral("F"),     QStringLiteral("N"),     QStringLiteral("A"),
        QStringLiteral("K"),     QStringLiteral("E"),     QStringLiteral("Q"),
        QStringLiteral("O"),     QStringLiteral("U"),     QStringLiteral("a"),
        QStringLiteral(" "),     QStringLiteral("€"),     QStringLiteral("Ω"),
    };
    QString text;
    const int length = int(random.bounded(0, 30));
    for (int i = 0; i < length; ++i) {
        if (random.bounded(4) == 0) {
            const int code = int(random.bounded(0, 33));
            text.append(QChar(char16_t(code == 32 ? 127 : code))); // every control byte
        } else {
            text.append(pieces.at(int(random.bounded(qsizetype(pieces.size())))));
        }
    }
    return text;
}

} // namespace

class TestTokens : public QObject {
    Q_OBJECT
private slots:
    void tokensToChars_data();
    void tokensToChars();
    void charsToTokens_data();
    void charsToTokens();
    void sentNulTokenDisplaysAsWritten();
    void onePassEqualsReplacePasses();
    void longChunkEqualsReplacePasses();
    void unchangedTextIsShared();
};

void TestTokens::tokensToChars_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sent");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("no tokens") << QStringLiteral("AT+GMR") << QStringLiteral("AT+GMR");
    QTest::newRow("all eight in table order")
        << QStringLiteral("<STX><ETX><EOT><ENQ><ACK><LF><CR><NAK>") << chars({2, 3, 4, 5, 6, 10, 13, 21});
    QTest::newRow("all eight reversed")
        << QStringLiteral("<NAK><CR><LF><ACK><ENQ><EOT><ETX><STX>") << chars({21, 13, 10, 6, 5, 4, 3, 2});
    QTest::newRow("CR then LF") << QStringLiteral("<CR><LF>") << chars({13, 10});
    QTest::newRow("text with CR") << QStringLiteral("AB<CR>") << chars({'A', 'B', 13});
    QTest::newRow("small letters") << QStringLiteral("<stx><Cr>") << QStringLiteral("<stx><Cr>");
    QTest::newRow("without <") << QStringLiteral("STX>") << QStringLiteral("STX>");
    QTest::newRow("without >") << QStringLiteral("<STX") << QStringLiteral("<STX");
    QTest::newRow("space after <") << QStringLiteral("< STX>") << QStringLiteral("< STX>");
    QTest::newRow("space before >") << QStringLiteral("<STX >") << QStringLiteral("<STX >");
    QTest::newRow("space inside") << QStringLiteral("<S TX>") << QStringLiteral("<S TX>");
    QTest::newRow("extra brackets") << QStringLiteral("<<STX>>") << chars({'<', 2, '>'});
    QTest::newRow("NUL is not sent as a token") << QStringLiteral("<NUL>") << QStringLiteral("<NUL>");
    QTest::newRow("tokens without a table row")
        << QStringLiteral("<SOH><BEL><ESC><DEL>") << QStringLiteral("<SOH><BEL><ESC><DEL>");
    QTest::newRow("longer name") << QStringLiteral("<LFF><CRR>") << QStringLiteral("<LFF><CRR>");
    QTest::newRow("cut token before a token") << QStringLiteral("<CR<LF>") << chars({'<', 'C', 'R', 10});
    QTest::newRow("replacement joins no new token")
        << QStringLiteral("<C<CR>R>") << chars({'<', 'C', 13, 'R', '>'});
    QTest::newRow("token inside brackets of another")
        << QStringLiteral("<<CR>LF>") << chars({'<', 13, 'L', 'F', '>'});
    QTest::newRow("same token twice") << QStringLiteral("<STX><STX>") << chars({2, 2});
    QTest::newRow("control bytes already present")
        << (chars({2}) + QStringLiteral("<STX>") + chars({13})) << chars({2, 2, 13});
    QTest::newRow("token at both ends") << QStringLiteral("<ENQ>x<ACK>") << chars({5, 'x', 6});
    QTest::newRow("other characters kept")
        << QStringLiteral("€<EOT>Ω😀") << (QStringLiteral("€") + chars({4}) + QStringLiteral("Ω😀"));
    QTest::newRow("lone brackets") << QStringLiteral("<<>><>") << QStringLiteral("<<>><>");
}

void TestTokens::tokensToChars()
{
    QFETCH(QString, text);
    QFETCH(QString, sent);
    QCOMPARE(TokensToChars(text), sent);
}

void TestTokens::charsToTokens_data()
{
    QTest::addColumn<QString>("received");
    QTest::addColumn<QString>("shown");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("plain") << QStringLiteral("OK") << QStringLiteral("OK");
    QTest::newRow("answer with line end") << chars({'O', 'K', 13, 10}) << QStringLiteral("OK<CR><LF>");
    QTest::newRow("all nine")
        << chars({2, 3, 4, 5, 6, 10, 13, 21, 0})
        << QStringLiteral("<STX><ETX><EOT><ENQ><ACK><LF><CR><NAK><NUL>");
    QTest::newRow("NUL") << chars({0}) << QStringLiteral("<NUL>");
    QTest::newRow("two NULs") << chars({0, 0}) << QStringLiteral("<NUL><NUL>");
    QTest::newRow("NUL between") << chars({'A', 0, 'B'}) << QStringLiteral("A<NUL>B");
    QTest::newRow("start of heading stays raw") << chars({1}) << chars({1});
    QTest::newRow("escape stays raw") << chars({27, '[', 'm'}) << chars({27, '[', 'm'});
    QTest::newRow("other control bytes stay raw")
        << chars({7, 8, 9, 11, 12, 14, 20, 22, 31, 127}) << chars({7, 8, 9, 11, 12, 14, 20, 22, 31, 127});
    QTest::newRow("received token text looks like the byte")
        << QStringLiteral("<STX>") << QStringLiteral("<STX>");
    QTest::newRow("Windows-1252 characters") << QStringLiteral("€ƒ…ÿ") << QStringLiteral("€ƒ…ÿ");
    QTest::newRow("control at the end") << chars({'x', 21}) << QStringLiteral("x<NAK>");
}

void TestTokens::charsToTokens()
{
    QFETCH(QString, received);
    QFETCH(QString, shown);
    QCOMPARE(CharsToTokens(received), shown);
}

void TestTokens::sentNulTokenDisplaysAsWritten()
{
    // The sent line in raw display shows the converted text; "<NUL>" is not converted there,
    // so both display modes show the five characters.
    const QString written = QStringLiteral("<NUL>");
    QCOMPARE(TokensToChars(written), written);
    QCOMPARE(TokensToChars(written).size(), 5);
}

void TestTokens::onePassEqualsReplacePasses()
{
    const quint32 seed = 20260107;
    QRandomGenerator random(seed);
    for (int i = 0; i < 50000; ++i) {
        const QString text = randomText(random);
        const QString expectedSent = referenceTokensToChars(text);
        const QString sent = TokensToChars(text);
        if (sent != expectedSent)
            QFAIL(qPrintable(QStringLiteral("TokensToChars(%1) gave %2, passes give %3")
                                 .arg(escaped(text), escaped(sent), escaped(expectedSent))));
        const QString expectedShown = referenceCharsToTokens(text);
        const QString shown = CharsToTokens(text);
        if (shown != expectedShown)
            QFAIL(qPrintable(QStringLiteral("CharsToTokens(%1) gave %2, passes give %3")
                                 .arg(escaped(text), escaped(shown), escaped(expectedShown))));
    }
}

void TestTokens::longChunkEqualsReplacePasses()
{
    // A received chunk of many kilobytes, all 256 byte values as Windows-1252 characters.
    QRandomGenerator random(7);
    QString chunk;
    for (int i = 0; i < 64 * 1024; ++i)
        chunk.append(QChar(char16_t(random.bounded(256))));
    QCOMPARE(CharsToTokens(chunk), referenceCharsToTokens(chunk));
    const QString shown = CharsToTokens(chunk);
    QCOMPARE(TokensToChars(shown), referenceTokensToChars(shown));
}

void TestTokens::unchangedTextIsShared()
{
    // Texts without anything to convert come back without a copy.
    const QString text = QString::fromUtf8("nothing to convert here");
    QVERIFY(TokensToChars(text).isSharedWith(text));
    QVERIFY(CharsToTokens(text).isSharedWith(text));
    const QString unmatched = QString::fromUtf8("<almost> <CR >");
    QVERIFY(TokensToChars(unmatched).isSharedWith(unmatched));
}

QTEST_APPLESS_MAIN(TestTokens)
#include "tst_tokens.moc"
