// The text capture's format: the pieces each byte becomes, the look-ahead for "<", the header,
// the date line and the file name, a golden capture holding every byte value received and
// sent across a change of the UTC date, and the round trip through the test's own reader.
#include "CaptureDecode.h"
#include "CaptureFormat.h"
#include "FakeClock.h"
#include "FakeTimers.h"
#include "FakeSerialPort.h"
#include "TerminalSession.h"
#include "TestFiles.h"
#include "TrafficCapture.h"
#include "TrafficLine.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

namespace {

platform::SystemTime at(int y, int mo, int d, int h, int mi, int s, int ms)
{
    platform::SystemTime t;
    t.wYear = quint16(y);
    t.wMonth = quint16(mo);
    t.wDay = quint16(d);
    t.wHour = quint16(h);
    t.wMinute = quint16(mi);
    t.wSecond = quint16(s);
    t.wMilliseconds = quint16(ms);
    return t;
}

QByteArray allBytes()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes.append(char(b));
    return bytes;
}

QByteArray dataOf(QByteArrayView bytes)
{
    QByteArray out;
    appendCaptureData(out, bytes);
    return out;
}

} // namespace

class TestCaptureFormat : public QObject {
    Q_OBJECT

private slots:
    void byteBecomes_data();
    void byteBecomes();
    void lessThanIsEscapedOnlyWhereItWouldReadAsAToken_data();
    void lessThanIsEscapedOnlyWhereItWouldReadAsAToken();
    void everyByteIsOnePieceWithoutLineBreak();
    void trafficLineHasTheListsStampAndMarker();
    void headerDateLineAndFileName();
    void goldenCaptureOfEveryByteAcrossMidnight();
    void randomDataReadsBackExactly();
};

void TestCaptureFormat::byteBecomes_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<QByteArray>("text");
    // The token table's nine.
    QTest::newRow("NUL") << 0 << QByteArray("<NUL>");
    QTest::newRow("STX") << 2 << QByteArray("<STX>");
    QTest::newRow("ETX") << 3 << QByteArray("<ETX>");
    QTest::newRow("EOT") << 4 << QByteArray("<EOT>");
    QTest::newRow("ENQ") << 5 << QByteArray("<ENQ>");
    QTest::newRow("ACK") << 6 << QByteArray("<ACK>");
    QTest::newRow("LF") << 10 << QByteArray("<LF>");
    QTest::newRow("CR") << 13 << QByteArray("<CR>");
    QTest::newRow("NAK") << 21 << QByteArray("<NAK>");
    // The other controls by their ASCII abbreviations.
    QTest::newRow("SOH") << 1 << QByteArray("<SOH>");
    QTest::newRow("BEL") << 7 << QByteArray("<BEL>");
    QTest::newRow("BS") << 8 << QByteArray("<BS>");
    QTest::newRow("HT") << 9 << QByteArray("<HT>");
    QTest::newRow("VT") << 11 << QByteArray("<VT>");
    QTest::newRow("FF") << 12 << QByteArray("<FF>");
    QTest::newRow("SO") << 14 << QByteArray("<SO>");
    QTest::newRow("SI") << 15 << QByteArray("<SI>");
    QTest::newRow("DLE") << 16 << QByteArray("<DLE>");
    QTest::newRow("DC1") << 17 << QByteArray("<DC1>");
    QTest::newRow("DC4") << 20 << QByteArray("<DC4>");
    QTest::newRow("SYN") << 22 << QByteArray("<SYN>");
    QTest::newRow("ETB") << 23 << QByteArray("<ETB>");
    QTest::newRow("CAN") << 24 << QByteArray("<CAN>");
    QTest::newRow("EM") << 25 << QByteArray("<EM>");
    QTest::newRow("SUB") << 26 << QByteArray("<SUB>");
    QTest::newRow("ESC") << 27 << QByteArray("<ESC>");
    QTest::newRow("FS") << 28 << QByteArray("<FS>");
    QTest::newRow("US") << 31 << QByteArray("<US>");
    QTest::newRow("DEL") << 127 << QByteArray("<DEL>");
    // Printable ASCII stays.
    QTest::newRow("blank") << 32 << QByteArray(" ");
    QTest::newRow("A") << 65 << QByteArray("A");
    QTest::newRow("greater than") << 62 << QByteArray(">");
    QTest::newRow("tilde") << 126 << QByteArray("~");
    // Windows-1252 as UTF-8; its holes as tokens.
    QTest::newRow("euro") << 0x80 << QByteArray("\xE2\x82\xAC");
    QTest::newRow("hole 81") << 0x81 << QByteArray("<x81>");
    QTest::newRow("hole 8D") << 0x8D << QByteArray("<x8D>");
    QTest::newRow("hole 8F") << 0x8F << QByteArray("<x8F>");
    QTest::newRow("hole 90") << 0x90 << QByteArray("<x90>");
    QTest::newRow("hole 9D") << 0x9D << QByteArray("<x9D>");
    QTest::newRow("Y diaeresis 9F") << 0x9F << QByteArray("\xC5\xB8");
    QTest::newRow("no-break space") << 0xA0 << QByteArray("\xC2\xA0");
    QTest::newRow("a umlaut") << 0xE4 << QByteArray("\xC3\xA4");
    QTest::newRow("y diaeresis FF") << 0xFF << QByteArray("\xC3\xBF");
}

void TestCaptureFormat::byteBecomes()
{
    QFETCH(int, byte);
    QFETCH(QByteArray, text);
    QCOMPARE(dataOf(QByteArray(1, char(byte))), text);
}

void TestCaptureFormat::lessThanIsEscapedOnlyWhereItWouldReadAsAToken_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("alone") << QByteArray("<") << QByteArray("<");
    QTest::newRow("comparison") << QByteArray("a<b>c") << QByteArray("a<b>c");
    QTest::newRow("token text") << QByteArray("<CR>") << QByteArray("<LT>CR>");
    QTest::newRow("a table token") << QByteArray("<NUL>") << QByteArray("<LT>NUL>");
    QTest::newRow("another control's name") << QByteArray("<ESC>") << QByteArray("<LT>ESC>");
    QTest::newRow("a hole's name") << QByteArray("<x90>") << QByteArray("<LT>x90>");
    QTest::newRow("the escape itself") << QByteArray("<LT>") << QByteArray("<LT>LT>");
    QTest::newRow("lower case is no token") << QByteArray("<cr>") << QByteArray("<cr>");
    QTest::newRow("too long for a token") << QByteArray("<CRLF>") << QByteArray("<CRLF>");
    QTest::newRow("before a real control") << QByteArray("<\r") << QByteArray("<<CR>");
    QTest::newRow("two in a row") << QByteArray("<<LF>") << QByteArray("<<LT>LF>");
    QTest::newRow("unclosed") << QByteArray("<CR") << QByteArray("<CR");
}

void TestCaptureFormat::lessThanIsEscapedOnlyWhereItWouldReadAsAToken()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, text);
    QCOMPARE(dataOf(bytes), text);
    QCOMPARE(capturetest::decodeData(QString::fromUtf8(text)).value_or("(unreadable)"), bytes);
}

void TestCaptureFormat::everyByteIsOnePieceWithoutLineBreak()
{
    // No byte, whatever follows it, can end a line or leave a character the reader rejects.
    for (int b = 0; b < 256; ++b) {
        for (const QByteArray &after : {QByteArray(), QByteArray("CR>"), QByteArray("\n")}) {
            const QByteArray bytes = char(b) + after;
            const QByteArray text = dataOf(bytes);
            QVERIFY2(!text.contains('\n') && !text.contains('\r'), qPrintable(QString::number(b)));
            QCOMPARE(capturetest::decodeData(QString::fromUtf8(text)).value_or("(unreadable)"), bytes);
        }
    }
}

void TestCaptureFormat::trafficLineHasTheListsStampAndMarker()
{
    const platform::SystemTime t = at(2026, 12, 8, 9, 5, 7, 45);
    for (const QString &marker : {kMarkerOut, kMarkerIn}) {
        const QByteArray line = captureTrafficLine(t, marker, "OK\r\n");
        QCOMPARE(line, formatTrafficLine(t, marker, QString()).toUtf8() + "OK<CR><LF>\n");
    }
    QCOMPARE(captureTrafficLine(t, kMarkerIn, {}), QByteArray("09:05:07.045  [IN]   \n"));
}

void TestCaptureFormat::headerDateLineAndFileName()
{
    const platform::SystemTime t = at(2026, 1, 2, 3, 4, 5, 678);
    QCOMPARE(captureHeaderLine({QStringLiteral("Tellurix 2006.1.0"), 3, QStringLiteral("9600"), true}, t),
             QByteArray("# Tellurix 2006.1.0, COM3, 9600 baud, started 2026-01-02 03:04:05 UTC\n"));
    QCOMPARE(captureHeaderLine({QStringLiteral("Tellurix"), 256, QStringLiteral("300"), false}, t),
             QByteArray("# Tellurix, COM256 (closed), 300 baud, started 2026-01-02 03:04:05 UTC\n"));
    QCOMPARE(captureDateLine(t), QByteArray("# 2026-01-02\n"));
    QCOMPARE(captureFileName(t), QStringLiteral("Tellurix-20260102-030405.log"));
    QCOMPARE(captureFileName(at(2026, 12, 31, 23, 59, 59, 999)), QStringLiteral("Tellurix-20261231-235959.log"));
    QVERIFY(!isOtherDate(t, at(2026, 1, 2, 23, 0, 0, 0)));
    QVERIFY(isOtherDate(t, at(2026, 1, 3, 0, 0, 0, 0)));
    QVERIFY(isOtherDate(t, at(2027, 1, 2, 3, 4, 5, 678)));
}

// The capture as a whole, through TrafficCapture with real files: every byte value received
// and sent, an empty line, the date line before the first line of the new UTC date.
void TestCaptureFormat::goldenCaptureOfEveryByteAcrossMidnight()
{
    FakeClock clock;
    FakeTimers timers(clock);
    clock.now = at(2026, 12, 7, 23, 59, 58, 120);
    QTemporaryDir dir;
    // The session is only the capture's source of lines here.
    TerminalSession session(std::make_unique<FakeSerialPort>());
    TrafficCapture capture(session);
    const QString path = dir.filePath(QStringLiteral("every_byte.log"));
    capture.start(path, QString(), {QStringLiteral("Tellurix 2006.1.0"), 3, QStringLiteral("9600"), true});
    capture.addLine(at(2026, 12, 7, 23, 59, 58, 500), kMarkerIn, allBytes());
    capture.addLine(at(2026, 12, 7, 23, 59, 59, 250), kMarkerOut, allBytes());
    capture.addLine(at(2026, 12, 7, 23, 59, 59, 999), kMarkerIn, {});
    capture.addLine(at(2026, 12, 8, 0, 0, 0, 1), kMarkerIn, "<CR><LT>\r<<x81>\x81<A>OK\r\n");
    capture.addLine(at(2026, 12, 8, 0, 0, 1, 0), kMarkerOut, "AT\r");
    capture.stop();
    QCOMPARE(readFile(path), readFile(QStringLiteral(TEST_DATA_DIR "/every_byte.log"), "(no golden file)"));

    const QString closed = dir.filePath(QStringLiteral("closed_port.log"));
    clock.now = at(2026, 12, 7, 14, 3, 27, 45);
    capture.start(closed, QString(), {QStringLiteral("Tellurix 2006.1.0"), 1, QStringLiteral("115200"), false});
    capture.stop();
    QCOMPARE(readFile(closed), readFile(QStringLiteral(TEST_DATA_DIR "/closed_port.log"), "(no golden file)"));
}

void TestCaptureFormat::randomDataReadsBackExactly()
{
    // Bytes drawn mostly from the characters tokens are made of, so that text looking like a
    // token turns up often.
    const QByteArray alphabet = QByteArray("<>CRLFNULTxX8190DSEOHBAK") + allBytes();
    QRandomGenerator random(20261208);
    for (int trial = 0; trial < 300; ++trial) {
        QByteArray bytes;
        const int length = random.bounded(1, 40);
        for (int i = 0; i < length; ++i)
            bytes.append(alphabet.at(random.bounded(random.bounded(2) ? 24 : int(alphabet.size()))));
        const QByteArray text = dataOf(bytes);
        QVERIFY(!text.contains('\n'));
        QCOMPARE(capturetest::decodeData(QString::fromUtf8(text)).value_or("(unreadable)"), bytes);
    }
}

QTEST_GUILESS_MAIN(TestCaptureFormat)
#include "tst_captureformat.moc"
