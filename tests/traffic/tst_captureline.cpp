// The text-capture form of traffic lines: tokens for every control code, the code page's
// holes, hex bytes, the raw data each line keeps, the whole list as text and finding in it.
#include "CaptureLine.h"
#include "Cp1252.h"
#include "Tokens.h"
#include "TrafficLine.h"
#include "TrafficListModel.h"
#include "TrafficText.h"

#include <QTest>

namespace {

QString bytes(std::initializer_list<int> codes)
{
    QByteArray raw;
    for (int c : codes)
        raw.append(char(c));
    return platform::decodeCp1252(raw);
}

const QString kStampIn = QStringLiteral("14:03:27.045") + kMarkerIn;
const QString kStampOut = QStringLiteral("14:03:27.045") + kMarkerOut;

} // namespace

class TstCaptureLine : public QObject {
    Q_OBJECT

private slots:
    void controlCodeTokens_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("token");
        const char *names[] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
                               "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
                               "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
        for (int code = 0; code < 32; ++code)
            QTest::addRow("%d", code) << code << QStringLiteral("<%1>").arg(QLatin1String(names[code]));
        QTest::newRow("127") << 127 << QStringLiteral("<DEL>");
        QTest::newRow("hole 0x81") << 0x81 << QStringLiteral("<x81>");
        QTest::newRow("hole 0x8D") << 0x8D << QStringLiteral("<x8D>");
        QTest::newRow("hole 0x8F") << 0x8F << QStringLiteral("<x8F>");
        QTest::newRow("hole 0x90") << 0x90 << QStringLiteral("<x90>");
        QTest::newRow("hole 0x9D") << 0x9D << QStringLiteral("<x9D>");
    }
    void controlCodeTokens()
    {
        QFETCH(int, code);
        QFETCH(QString, token);
        QCOMPARE(tokenizedData(bytes({code})), token);
        QCOMPARE(tokenizedData(QByteArray(1, char(code))), token);
        // Between other characters the token stands alone, nothing lost or doubled.
        QCOMPARE(tokenizedData(bytes({'a', code, 'b'})), QLatin1Char('a') + token + QLatin1Char('b'));
    }

    void tableTokensAreTheDisplayTokens()
    {
        // Where the token table has a token, the capture form writes exactly that one.
        for (int code = 0; code < 32; ++code) {
            const QString one = bytes({code});
            const QString shown = CharsToTokens(one);
            if (shown != one)
                QCOMPARE(tokenizedData(one), shown);
        }
    }

    void printableBytesStay_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("blank") << 0x20 << QStringLiteral(" ");
        QTest::newRow("<") << int('<') << QStringLiteral("<");
        QTest::newRow("tilde") << 0x7E << QStringLiteral("~");
        QTest::newRow("euro") << 0x80 << QStringLiteral("\u20AC");
        QTest::newRow("quote 0x93") << 0x93 << QStringLiteral("\u201C");
        QTest::newRow("y diaeresis 0x9F") << 0x9F << QStringLiteral("\u0178");
        QTest::newRow("nbsp") << 0xA0 << QStringLiteral("\u00A0");
        QTest::newRow("umlaut") << 0xFC << QStringLiteral("\u00FC");
        QTest::newRow("0xFF") << 0xFF << QStringLiteral("\u00FF");
    }
    void printableBytesStay()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(tokenizedData(QByteArray(1, char(code))), text);
    }

    void mixedData_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("tokenized");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("answer") << bytes({'O', 'K', 13, 10}) << QStringLiteral("OK<CR><LF>");
        QTest::newRow("frame") << bytes({2, '1', '2', 3, 0x1B, 0x7F}) << QStringLiteral("<STX>12<ETX><ESC><DEL>");
        QTest::newRow("runs of controls") << bytes({0, 0, 9, 9}) << QStringLiteral("<NUL><NUL><HT><HT>");
        // Text that would read back as a token is told apart from the byte it names.
        QTest::newRow("typed token text") << QStringLiteral("<CR>") << QStringLiteral("<LT>CR>");
        QTest::newRow("typed less-than token") << QStringLiteral("<LT>") << QStringLiteral("<LT>LT>");
        QTest::newRow("other angle text stays") << QStringLiteral("<ab> <X> <") << QStringLiteral("<ab> <X> <");
    }
    void mixedData()
    {
        QFETCH(QString, raw);
        QFETCH(QString, tokenized);
        QCOMPARE(tokenizedData(raw), tokenized);
    }

    void hexFormatting_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("hex");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("one byte") << bytes({0}) << QStringLiteral("00");
        QTest::newRow("answer") << bytes({'A', 'B', 13, 10}) << QStringLiteral("41 42 0D 0A");
        QTest::newRow("upper-case digits") << bytes({0xAB, 0xCD, 0xEF}) << QStringLiteral("AB CD EF");
        QTest::newRow("euro is 80") << QStringLiteral("\u20AC") << QStringLiteral("80");
        QTest::newRow("hole stays its byte") << bytes({0x81, 0x9D}) << QStringLiteral("81 9D");
        QTest::newRow("0xFF") << bytes({0xFF, 0x7F}) << QStringLiteral("FF 7F");
    }
    void hexFormatting()
    {
        QFETCH(QString, raw);
        QFETCH(QString, hex);
        QCOMPARE(hexData(raw), hex);
    }

    void captureLineKeepsStampAndMarker()
    {
        const platform::SystemTime stamp{2026, 1, 3, 7, 9, 5, 3, 7};
        QCOMPARE(captureLineText(stamp, kMarkerOut, bytes({'A', 13})),
                 QStringLiteral("09:05:03.007  [OUT]  A<CR>"));
        // From a list line: whatever the line shows after position 21 is replaced.
        QCOMPARE(captureLineText(kStampIn + QStringLiteral("41 0D"), bytes({'A', 13})),
                 kStampIn + QStringLiteral("A<CR>"));
        QCOMPARE(captureLineText(kStampIn, QString()), kStampIn);
    }

    void modelKeepsRawDataBesideTheShownLine()
    {
        TrafficListModel model;
        model.appendLine(kStampIn + QStringLiteral("OK\r\n"), bytes({'O', 'K', 13, 10}));
        model.appendLine(kStampIn + QStringLiteral("4F 4B"), QStringLiteral("OK"));
        model.appendLine(kStampOut + QStringLiteral("AB<CR>"), bytes({'A', 'B', 13}));
        model.appendLine(kStampOut + QStringLiteral("old style"));
        QCOMPARE(model.count(), 4);
        QCOMPARE(model.lineAt(1), kStampIn + QStringLiteral("4F 4B"));
        QCOMPARE(model.rawDataAt(0), bytes({'O', 'K', 13, 10}));
        QCOMPARE(model.rawDataAt(1), QStringLiteral("OK"));
        QCOMPARE(model.rawDataAt(2), bytes({'A', 'B', 13}));
        QCOMPARE(model.rawDataAt(3), QStringLiteral("old style"));
        QCOMPARE(model.captureLineAt(0), kStampIn + QStringLiteral("OK<CR><LF>"));
        QCOMPARE(model.captureLineAt(1), kStampIn + QStringLiteral("OK"));
        QCOMPARE(model.captureLineAt(2), kStampOut + QStringLiteral("AB<CR>"));
        QCOMPARE(model.rawDataAt(4), QString());

        model.clear();
        model.appendLine(kStampIn + QStringLiteral("shown"));
        // A cleared list forgets the raw data of its old rows.
        QCOMPARE(model.rawDataAt(0), QStringLiteral("shown"));
    }

    void wholeListAsText()
    {
        TrafficListModel model;
        QCOMPARE(trafficCaptureText(model), QString());
        model.appendLine(kStampOut + QStringLiteral("AT<CR>"), bytes({'A', 'T', 13}));
        model.appendLine(kStampIn + QStringLiteral("4F 4B 0D 0A"), bytes({'O', 'K', 13, 10}));
        model.appendLine(kStampIn, QString());
        QCOMPARE(trafficCaptureText(model),
                 kStampOut + QStringLiteral("AT<CR>\n") + kStampIn + QStringLiteral("OK<CR><LF>\n") + kStampIn);
    }

    void findLines_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<int>("found");
        // Rows: 0 "AT<CR>" sent, 1 "OK<CR><LF>" raw, 2 "ok" shown as hex, 3 "ERROR<CR>" as tokens.
        QTest::newRow("first from nothing") << "OK" << -1 << true << false << 1;
        QTest::newRow("next after a hit") << "OK" << 1 << true << false << 2;
        QTest::newRow("match case skips ok") << "OK" << 1 << true << true << 1;
        QTest::newRow("wraps to the start") << "AT" << 2 << true << false << 0;
        QTest::newRow("backward") << "OK" << 3 << false << false << 2;
        QTest::newRow("backward wraps to the end") << "ERROR" << 0 << false << false << 3;
        QTest::newRow("token in a raw line") << "<LF>" << -1 << true << true << 1;
        QTest::newRow("token in a token line") << "<CR>" << 1 << true << true << 3;
        QTest::newRow("hex line found by its text") << "ok" << 0 << true << true << 2;
        QTest::newRow("hex digits are not data") << "6F 6B" << -1 << true << false << -1;
        QTest::newRow("marker") << "[OUT]" << 0 << true << false << 0;
        QTest::newRow("only hit is the start") << "AT" << 0 << true << false << 0;
        QTest::newRow("nothing") << "XYZ" << -1 << true << false << -1;
        QTest::newRow("empty needle") << "" << -1 << true << false << -1;
    }
    void findLines()
    {
        QFETCH(QString, needle);
        QFETCH(int, from);
        QFETCH(bool, forward);
        QFETCH(bool, matchCase);
        QFETCH(int, found);
        TrafficListModel model;
        model.appendLine(kStampOut + QStringLiteral("AT<CR>"), bytes({'A', 'T', 13}));
        model.appendLine(kStampIn + QStringLiteral("OK\r\n"), bytes({'O', 'K', 13, 10}));
        model.appendLine(kStampIn + QStringLiteral("6F 6B"), QStringLiteral("ok"));
        model.appendLine(kStampIn + QStringLiteral("ERROR<CR>"), bytes({'E', 'R', 'R', 'O', 'R', 13}));
        QCOMPARE(findTrafficLine(model, needle, from, forward ? FindDirection::Forward : FindDirection::Backward,
                                 matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive),
                 found);
    }

    void passOverLinesMatchesEachLine_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::newRow("all forward") << 0 << 29;
        QTest::newRow("all backward") << 29 << 0;
        QTest::newRow("middle forward") << 7 << 21;
        QTest::newRow("middle backward") << 22 << 3;
        QTest::newRow("one row") << 12 << 12;
    }
    void passOverLinesMatchesEachLine()
    {
        QFETCH(int, first);
        QFETCH(int, last);
        // Raw, token and hex lines mixed irregularly, so that walking the noted rows alongside
        // must skip and meet them at every distance.
        TrafficListModel model;
        for (int i = 0; i < 30; ++i) {
            const QString raw = bytes({'L', '0' + i % 10, i % 3 ? 13 : 0});
            const QString shown = i % 7 == 0 ? hexData(raw) : i % 4 == 1 ? CharsToTokens(raw) : raw;
            model.appendLine(kStampIn + shown, raw);
        }
        QList<int> visited;
        model.visitCaptureLines(first, last, [&](int row, QStringView text) {
            visited << row;
            [&] { QCOMPARE(text.toString(), model.captureLineAt(row)); }();
            return true;
        });
        const int step = first <= last ? 1 : -1;
        QList<int> expected;
        for (int row = first; row != last + step; row += step)
            expected << row;
        QCOMPARE(visited, expected);
        // Ending early stops the pass.
        int calls = 0;
        model.visitCaptureLines(first, last, [&](int, QStringView) { return ++calls < 2; });
        QCOMPARE(calls, std::min(2, int(expected.size())));
    }

    void findInAnEmptyList()
    {
        TrafficListModel model;
        QCOMPARE(findTrafficLine(model, QStringLiteral("A"), -1, FindDirection::Forward, Qt::CaseSensitive), -1);
    }
};

QTEST_GUILESS_MAIN(TstCaptureLine)
#include "tst_captureline.moc"
