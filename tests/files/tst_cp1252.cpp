#include "Cp1252.h"

#include <QtTest>

using platform::decodeCp1252;
using platform::encodeCp1252;

class TestCp1252 : public QObject {
    Q_OBJECT

private slots:
    void decodesByte_data();
    void decodesByte();
    void everyByteRoundTrips();
    void decodeKeepsOneCharacterPerByte();
    void encodesCharacter_data();
    void encodesCharacter();
    void encodesText_data();
    void encodesText();
    void everyBmpCharacterMapsToItsByteOrQuestionMark();
    void emptyInputs();
    void oneCharacterAmongAsciiAtEveryPlace_data();
    void oneCharacterAmongAsciiAtEveryPlace();
};

namespace {

QByteArray allBytes()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes.append(char(b));
    return bytes;
}

} // namespace

void TestCp1252::decodesByte_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("codePoint");

    QTest::newRow("NUL") << 0x00 << 0x0000;
    QTest::newRow("CR") << 0x0D << 0x000D;
    QTest::newRow("A") << 0x41 << 0x0041;
    QTest::newRow("DEL") << 0x7F << 0x007F;
    QTest::newRow("euro") << 0x80 << 0x20AC;
    QTest::newRow("hole 81") << 0x81 << 0x0081;
    QTest::newRow("low-9 quote") << 0x82 << 0x201A;
    QTest::newRow("f with hook") << 0x83 << 0x0192;
    QTest::newRow("ellipsis") << 0x85 << 0x2026;
    QTest::newRow("per mille") << 0x89 << 0x2030;
    QTest::newRow("S caron") << 0x8A << 0x0160;
    QTest::newRow("OE") << 0x8C << 0x0152;
    QTest::newRow("hole 8D") << 0x8D << 0x008D;
    QTest::newRow("Z caron") << 0x8E << 0x017D;
    QTest::newRow("hole 8F") << 0x8F << 0x008F;
    QTest::newRow("hole 90") << 0x90 << 0x0090;
    QTest::newRow("left single quote") << 0x91 << 0x2018;
    QTest::newRow("right double quote") << 0x94 << 0x201D;
    QTest::newRow("bullet") << 0x95 << 0x2022;
    QTest::newRow("en dash") << 0x96 << 0x2013;
    QTest::newRow("em dash") << 0x97 << 0x2014;
    QTest::newRow("small tilde") << 0x98 << 0x02DC;
    QTest::newRow("trade mark") << 0x99 << 0x2122;
    QTest::newRow("s caron") << 0x9A << 0x0161;
    QTest::newRow("hole 9D") << 0x9D << 0x009D;
    QTest::newRow("z caron") << 0x9E << 0x017E;
    QTest::newRow("Y diaeresis") << 0x9F << 0x0178;
    QTest::newRow("no-break space") << 0xA0 << 0x00A0;
    QTest::newRow("a umlaut") << 0xE4 << 0x00E4;
    QTest::newRow("sharp s") << 0xDF << 0x00DF;
    QTest::newRow("y diaeresis") << 0xFF << 0x00FF;
}

void TestCp1252::decodesByte()
{
    QFETCH(int, byte);
    QFETCH(int, codePoint);
    const char b = char(byte);
    const QString text = decodeCp1252(QByteArrayView(&b, 1));
    QCOMPARE(text.size(), 1);
    QCOMPARE(int(text.at(0).unicode()), codePoint);
}

void TestCp1252::everyByteRoundTrips()
{
    const QByteArray bytes = allBytes();
    QCOMPARE(encodeCp1252(decodeCp1252(bytes)), bytes);
}

void TestCp1252::decodeKeepsOneCharacterPerByte()
{
    const QString text = decodeCp1252(allBytes());
    QCOMPARE(text.size(), 256);
    // Lossless means no two bytes share a character.
    QSet<QChar> distinct(text.begin(), text.end());
    QCOMPARE(distinct.size(), 256);
}

void TestCp1252::encodesCharacter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("ASCII") << QStringLiteral("AT+CSQ") << QByteArray("AT+CSQ");
    QTest::newRow("euro") << QStringLiteral("\u20AC") << QByteArray("\x80");
    QTest::newRow("Y diaeresis") << QStringLiteral("\u0178") << QByteArray("\x9F");
    QTest::newRow("trade mark") << QStringLiteral("\u2122") << QByteArray("\x99");
    QTest::newRow("C1 hole 90") << QStringLiteral("\u0090") << QByteArray("\x90");
    QTest::newRow("German") << QStringLiteral("Pärität") << QByteArray("P\xE4rit\xE4t");
    QTest::newRow("Latin-1 top") << QStringLiteral("\u00FF") << QByteArray("\xFF");
    // The C1 controls whose byte the code page gives to another character have no byte.
    QTest::newRow("C1 control 80") << QStringLiteral("\u0080") << QByteArray("?");
    QTest::newRow("C1 control 9F") << QStringLiteral("\u009F") << QByteArray("?");
    QTest::newRow("Greek omega") << QStringLiteral("\u03A9") << QByteArray("?");
    QTest::newRow("A macron") << QStringLiteral("\u0100") << QByteArray("?");
    QTest::newRow("replacement char") << QStringLiteral("\uFFFD") << QByteArray("?");
    QTest::newRow("question mark itself") << QStringLiteral("?") << QByteArray("?");
}

void TestCp1252::encodesCharacter()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(encodeCp1252(text), bytes);
}

void TestCp1252::encodesText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    const QChar high(0xD83D);
    const QChar low(0xDE00); // with high: U+1F600
    QTest::newRow("pair is one character") << QStringLiteral("a") + high + low + QStringLiteral("b") << QByteArray("a?b");
    QTest::newRow("two pairs") << QString(high) + low + high + low << QByteArray("??");
    QTest::newRow("pair at end") << QStringLiteral("x") + high + low << QByteArray("x?");
    QTest::newRow("lone high") << QStringLiteral("a") + high + QStringLiteral("b") << QByteArray("a?b");
    QTest::newRow("lone high at end") << QStringLiteral("a") + high << QByteArray("a?");
    QTest::newRow("lone low") << QStringLiteral("a") + low + QStringLiteral("b") << QByteArray("a?b");
    QTest::newRow("low before high") << QString(low) + high << QByteArray("??");
    QTest::newRow("mixed") << QStringLiteral("\u20AC 5 \u03A9\u00E4") << QByteArray("\x80 5 ?\xE4");
}

void TestCp1252::encodesText()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(encodeCp1252(text), bytes);
}

void TestCp1252::everyBmpCharacterMapsToItsByteOrQuestionMark()
{
    int mapped = 0;
    for (int c = 0; c <= 0xFFFF; ++c) {
        const QChar ch{char16_t(c)};
        if (ch.isSurrogate())
            continue;
        const QByteArray bytes = encodeCp1252(QStringView(&ch, 1));
        QCOMPARE(bytes.size(), 1);
        if (c != '?' && bytes == "?")
            continue;
        ++mapped;
        if (decodeCp1252(bytes) != QString(ch))
            QFAIL(qPrintable(QStringLiteral("U+%1 encodes to a byte that decodes to another character")
                                 .arg(c, 4, 16, QLatin1Char('0'))));
    }
    QCOMPARE(mapped, 256);
}

void TestCp1252::emptyInputs()
{
    QVERIFY(decodeCp1252(QByteArrayView()).isEmpty());
    QVERIFY(encodeCp1252(QStringView()).isEmpty());
}

// ASCII goes a word at a time: any other character, at any place in texts of any length
// around the word size, must come out exactly as it does alone.
void TestCp1252::oneCharacterAmongAsciiAtEveryPlace_data()
{
    QTest::addColumn<QChar>("character");
    QTest::addColumn<int>("byte"); // -1: the code page has none
    QTest::newRow("euro") << QChar(0x20AC) << 0x80;
    QTest::newRow("undefined 0x9D") << QChar(0x009D) << 0x9D;
    QTest::newRow("a umlaut") << QChar(0x00E4) << 0xE4;
    QTest::newRow("DEL") << QChar(0x007F) << 0x7F;
    QTest::newRow("NUL") << QChar(0x0000) << 0x00;
    QTest::newRow("omega") << QChar(0x03A9) << -1;
}

void TestCp1252::oneCharacterAmongAsciiAtEveryPlace()
{
    QFETCH(QChar, character);
    QFETCH(int, byte);
    for (int length = 1; length <= 40; ++length) {
        for (int at = 0; at < length; ++at) {
            QString text(length, u'x');
            text[at] = character;
            QByteArray bytes(length, 'x');
            bytes[at] = byte < 0 ? '?' : char(byte);
            const QString where = QStringLiteral("length %1, at %2").arg(length).arg(at);
            QVERIFY2(encodeCp1252(text) == bytes, qPrintable(where));
            QByteArray exact(length, '\0');
            QVERIFY2(platform::encodeCp1252Exactly(text, exact.data()) == (byte >= 0), qPrintable(where));
            if (byte < 0)
                continue;
            QVERIFY2(exact == bytes, qPrintable(where));
            QVERIFY2(decodeCp1252(bytes) == text, qPrintable(where));
        }
    }
}

QTEST_APPLESS_MAIN(TestCp1252)
#include "tst_cp1252.moc"
