// Line format and the line store of the traffic list.
#include "MemoryReturn.h"
#include "TextChunks.h"
#include "TrafficLine.h"
#include "TrafficLineDelegate.h"
#include "TrafficListModel.h"
#include "TrafficListView.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <cstdlib>
#include <memory>
#include <vector>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

platform::SystemTime stampAt(int h, int m, int s, int ms)
{
    platform::SystemTime t{2026, 1, 3, 7, 0, 0, 0, 0};
    t.wHour = quint16(h);
    t.wMinute = quint16(m);
    t.wSecond = quint16(s);
    t.wMilliseconds = quint16(ms);
    return t;
}

QString chars(std::initializer_list<int> codes)
{
    QString s;
    for (int c : codes)
        s.append(QChar(char16_t(c)));
    return s;
}

// Every character the serial layer can produce: the 256 bytes decoded as Windows-1252.
QString allWindows1252Characters()
{
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    QString s;
    for (int b = 0; b < 256; ++b)
        s.append(QChar(b >= 0x80 && b < 0xA0 ? high[b - 0x80] : char16_t(b)));
    return s;
}

} // namespace

class TestTrafficList : public QObject {
    Q_OBJECT
private slots:
    // First: it needs a heap that no other case has left free room in.
    void freedChunksGoBackToTheSystem();
    void formatLine_data();
    void formatLine();
    void markersAreNineCharacters();
    void emptyDataGivesTwentyOneCharacters();

    void linesComeBackExactly_data();
    void linesComeBackExactly();
    void theNewestLinesComeBackAsAppended();
    void mixedLinesKeepTheirPlaces();
    void windows1252LinesTakeOneBytePerCharacter_data();
    void windows1252LinesTakeOneBytePerCharacter();
    void moreLinesThanSixteenBitPositions();
    void longLinesAcrossChunks();
    void fullChunksOfTextAreKeptCompressed();
    void dataThatDoesNotCompressIsKeptAsItIs();
    void largeLinesAreCompressedOnceNewerOnesFollow();
    void appendAnnouncesTheNewRow();
    void clearEmptiesTheList();
    void rowsOutsideTheListAreEmpty();
    void longestLineFollowsAppendsAndClearing();
    void passesTheModelTester();
};

void TestTrafficList::formatLine_data()
{
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("ms");
    QTest::addColumn<QString>("marker");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("line");

    QTest::newRow("sent, ms padded to three")
        << 14 << 3 << 27 << 45 << kMarkerOut << QStringLiteral("AB\r")
        << QStringLiteral("14:03:27.045  [OUT]  AB\r");
    QTest::newRow("received") << 9 << 5 << 7 << 5 << kMarkerIn << QStringLiteral("OK<CR><LF>")
                              << QStringLiteral("09:05:07.005  [IN]   OK<CR><LF>");
    QTest::newRow("midnight") << 0 << 0 << 0 << 0 << kMarkerIn << QStringLiteral("x")
                              << QStringLiteral("00:00:00.000  [IN]   x");
    QTest::newRow("just before midnight") << 23 << 59 << 59 << 999 << kMarkerOut << QString()
                                          << QStringLiteral("23:59:59.999  [OUT]  ");
    QTest::newRow("two-digit ms") << 10 << 10 << 10 << 10 << kMarkerOut << QStringLiteral("y")
                                  << QStringLiteral("10:10:10.010  [OUT]  y");
    QTest::newRow("three-digit ms") << 12 << 0 << 1 << 100 << kMarkerIn << QStringLiteral("z")
                                    << QStringLiteral("12:00:01.100  [IN]   z");
    QTest::newRow("data with NUL and line end")
        << 1 << 2 << 3 << 4 << kMarkerIn << chars({0, 'A', 13, 10})
        << (QStringLiteral("01:02:03.004  [IN]   ") + chars({0, 'A', 13, 10}));
}

void TestTrafficList::formatLine()
{
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(int, second);
    QFETCH(int, ms);
    QFETCH(QString, marker);
    QFETCH(QString, data);
    QFETCH(QString, line);

    const QString formatted = formatTrafficLine(stampAt(hour, minute, second, ms), marker, data);
    QCOMPARE(formatted, line);
    QCOMPARE(formatted.mid(21), data); // the data starts at position 22
}

void TestTrafficList::markersAreNineCharacters()
{
    QCOMPARE(kMarkerOut, QStringLiteral("  [OUT]  "));
    QCOMPARE(kMarkerIn, QStringLiteral("  [IN]   "));
    QCOMPARE(kMarkerOut.size(), 9);
    QCOMPARE(kMarkerIn.size(), 9);
}

void TestTrafficList::emptyDataGivesTwentyOneCharacters()
{
    QCOMPARE(formatTrafficLine(stampAt(14, 3, 27, 45), kMarkerOut, QString()).size(), 21);
    QCOMPARE(formatTrafficLine(stampAt(0, 0, 0, 0), kMarkerIn, QString()).size(), 21);
}

void TestTrafficList::linesComeBackExactly_data()
{
    QTest::addColumn<QString>("line");

    QTest::newRow("empty") << QString();
    QTest::newRow("ASCII") << QStringLiteral("14:03:27.045  [OUT]  AT+GMR");
    QTest::newRow("all Windows-1252 characters") << allWindows1252Characters();
    QTest::newRow("NUL alone") << chars({0});
    QTest::newRow("all control bytes") << chars({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
                                                16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28,
                                                29, 30, 31, 127});
    QTest::newRow("euro sign") << QStringLiteral("€ 12,50");
    QTest::newRow("omega") << QStringLiteral("R = 47 Ω");
    QTest::newRow("emoji") << QStringLiteral("ok 😀 done");
    QTest::newRow("C1 control outside Windows-1252") << chars({'a', 0x80, 'b'});
    QTest::newRow("C1 control inside Windows-1252") << chars({'a', 0x81, 0x9D, 'b'});
    QTest::newRow("lone surrogate") << chars({'a', 0xD800, 'b'});
    QTest::newRow("Cp1252 then other") << (allWindows1252Characters() + QStringLiteral("Ω"));
    QTest::newRow("CJK") << QStringLiteral("温度 21.5");
}

void TestTrafficList::linesComeBackExactly()
{
    QFETCH(QString, line);
    TrafficListModel model;
    model.appendLine(QStringLiteral("before"));
    model.appendLine(line);
    model.appendLine(QStringLiteral("after"));

    QCOMPARE(model.count(), 3);
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.lineAt(1), line);
    QCOMPARE(model.data(model.index(1), Qt::DisplayRole).toString(), line);
    QCOMPARE(model.lineAt(0), QStringLiteral("before"));
    QCOMPARE(model.lineAt(2), QStringLiteral("after"));
    // Once many lines followed, the line comes from the store itself.
    for (int i = 0; i < 100; ++i)
        model.appendLine(QStringLiteral("later %1").arg(i));
    QCOMPARE(model.lineAt(1), line);
    QCOMPARE(model.data(model.index(1), Qt::DisplayRole).toString(), line);
    QCOMPARE(model.lineAt(102), QStringLiteral("later 99"));
}

// The newest lines are kept as appended for the views; long ones, a clear and an empty list
// give the stored lines all the same.
void TestTrafficList::theNewestLinesComeBackAsAppended()
{
    TrafficListModel model;
    QCOMPARE(model.lineAt(0), QString());
    const QString longLine(200000, QLatin1Char('L'));
    const QString wideLine = QStringLiteral("Ω").repeated(150000);
    model.appendLine(QStringLiteral("first"));
    model.appendLine(longLine);
    model.appendLine(wideLine);
    model.appendLine(longLine + QStringLiteral("!"));
    QCOMPARE(model.lineAt(0), QStringLiteral("first"));
    QCOMPARE(model.lineAt(1), longLine);
    QCOMPARE(model.lineAt(2), wideLine);
    QCOMPARE(model.lineAt(3), longLine + QStringLiteral("!"));
    QCOMPARE(model.lineAt(4), QString());
    QCOMPARE(model.lineAt(-1), QString());
    model.clear();
    QCOMPARE(model.lineAt(0), QString());
    model.appendLine(QStringLiteral("after the clear"));
    model.appendLine(QString());
    QCOMPARE(model.lineAt(0), QStringLiteral("after the clear"));
    QCOMPARE(model.lineAt(1), QString());
    QCOMPARE(model.lineAt(2), QString());
}

void TestTrafficList::mixedLinesKeepTheirPlaces()
{
    const QStringList lines{
        QStringLiteral("one"), QString(), QStringLiteral("Ω two"), allWindows1252Characters(),
        QString(), QStringLiteral("😀"), chars({0, 0, 0}), QStringLiteral("last €"),
    };
    TrafficListModel model;
    for (int round = 0; round < 50; ++round) {
        for (const QString &line : lines)
            model.appendLine(line);
    }
    QCOMPARE(model.count(), 50 * lines.size());
    for (int row = 0; row < model.count(); ++row)
        QCOMPARE(model.lineAt(row), lines.at(row % lines.size()));
}

void TestTrafficList::windows1252LinesTakeOneBytePerCharacter_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<qsizetype>("bytes");

    const QString cp1252 = allWindows1252Characters();
    QTest::newRow("all Windows-1252 characters") << cp1252 << cp1252.size();
    QTest::newRow("ASCII") << QStringLiteral("12345") << qsizetype(5);
    QTest::newRow("euro sign") << QStringLiteral("€€") << qsizetype(2);
    QTest::newRow("omega") << QStringLiteral("Ω12") << qsizetype(6);
    QTest::newRow("emoji") << QStringLiteral("😀") << qsizetype(4);
    QTest::newRow("empty") << QString() << qsizetype(0);
}

void TestTrafficList::windows1252LinesTakeOneBytePerCharacter()
{
    QFETCH(QString, line);
    QFETCH(qsizetype, bytes);
    TrafficListModel model;
    model.appendLine(line);
    QCOMPARE(model.storedTextBytes(), bytes);
}

void TestTrafficList::moreLinesThanSixteenBitPositions()
{
    TrafficListModel model;
    const int lines = 40000;
    for (int i = 0; i < lines; ++i)
        model.appendLine(QStringLiteral("line %1").arg(i));
    QCOMPARE(model.count(), lines);
    QCOMPARE(model.rowCount(), lines);
    QCOMPARE(model.lineAt(32767), QStringLiteral("line 32767"));
    QCOMPARE(model.lineAt(32768), QStringLiteral("line 32768"));
    QCOMPARE(model.lineAt(lines - 1), QStringLiteral("line 39999"));
    for (int i = 0; i < lines; ++i)
        QCOMPARE(model.lineAt(i), QStringLiteral("line %1").arg(i));
}

void TestTrafficList::longLinesAcrossChunks()
{
    // Short lines that fill several storage chunks, with lines too large for any chunk and
    // wide lines in between.
    TrafficListModel model;
    QStringList expected;
    const QString huge = QString(3 * 1024 * 1024, QLatin1Char('h'));
    const QString hugeWide = QString(300 * 1024, QChar(0x03A9));
    for (int i = 0; i < 3000; ++i) {
        QString line = QString(997, QChar(char16_t(u'a' + i % 26))) + QString::number(i % 1000);
        if (i % 7 == 0)
            line += QStringLiteral("Ω");
        expected << line;
        if (i == 1000)
            expected << huge;
        if (i == 2000)
            expected << hugeWide;
    }
    for (const QString &line : expected)
        model.appendLine(line);
    QCOMPARE(model.count(), expected.size());
    for (int row = 0; row < expected.size(); ++row)
        QCOMPARE(model.lineAt(row), expected.at(row));
}

void TestTrafficList::fullChunksOfTextAreKeptCompressed()
{
    // An instrument's answers: over four megabytes, with wide lines, raw data shown as hex and
    // a line larger than a chunk between them.
    TrafficListModel model;
    QStringList expected;
    QStringList raws;
    for (int i = 0; i < 70000; ++i) {
        QString line = QStringLiteral("12:00:%1.%2  [IN]   VOLT %3 V;CURR %4 A;TEMP %5 C;OK\r\n")
                           .arg(i / 1000 % 60, 2, 10, QLatin1Char('0'))
                           .arg(i % 1000, 3, 10, QLatin1Char('0'))
                           .arg(double(i % 977) / 7.0, 0, 'f', 4)
                           .arg(double(i % 313) / 3.0, 0, 'f', 4)
                           .arg(20.0 + double(i % 97) / 10.0, 0, 'f', 1);
        if (i % 1000 == 999)
            line += QStringLiteral(" Ω");
        if (i == 30000)
            line += QString(400 * 1024, QLatin1Char('x'));
        const QString raw = i % 5000 == 0 ? QStringLiteral("\x02raw %1\x03").arg(i) : QString();
        if (raw.isEmpty())
            model.appendLine(line);
        else
            model.appendLine(line, raw);
        expected << line;
        raws << raw;
    }
    QVERIFY2(model.storedTextBytes() > 4 * 1000 * 1000,
             qPrintable(QString::number(model.storedTextBytes())));
    // Uncompressed, the text alone would take all of it, and the index and the open chunks
    // come on top.
    QVERIFY2(model.allocatedBytes() < model.storedTextBytes() / 4 * 3,
             qPrintable(QStringLiteral("%1 of %2")
                            .arg(model.allocatedBytes())
                            .arg(model.storedTextBytes())));
    // Read back in every order: forward, backward and jumping between far chunks.
    for (int row = 0; row < expected.size(); ++row)
        QCOMPARE(model.lineAt(row), expected.at(row));
    for (int row = int(expected.size()) - 1; row >= 0; row -= 7) {
        QCOMPARE(model.lineAt(row), expected.at(row));
        const int far = int(expected.size()) - 1 - row;
        QCOMPARE(model.lineAt(far), expected.at(far));
        if (!raws.at(row).isEmpty())
            QCOMPARE(model.rawDataAt(row), raws.at(row));
    }
    int visited = 0;
    model.visitCaptureLines(int(expected.size()) - 1, 0, [&](int row, QStringView text) {
        ++visited;
        const QString end = raws.at(row).isEmpty() ? QStringLiteral("<CR><LF>")
                                                   : QStringLiteral("<ETX>");
        return text.endsWith(end)
            || text.endsWith(QStringLiteral("x")) || text.endsWith(QStringLiteral("Ω"));
    });
    QCOMPARE(visited, expected.size());
    model.clear();
    model.appendLine(QStringLiteral("after"));
    QCOMPARE(model.lineAt(0), QStringLiteral("after"));
}

void TestTrafficList::dataThatDoesNotCompressIsKeptAsItIs()
{
    TrafficListModel model;
    QStringList expected;
    QRandomGenerator random(42);
    for (int i = 0; i < 1200; ++i) {
        QString line(2000, Qt::Uninitialized);
        for (QChar &c : line)
            c = QChar(char16_t(0x20 + random.bounded(0x5F)));
        expected << line;
        model.appendLine(line);
    }
    for (int row = 0; row < expected.size(); ++row)
        QCOMPARE(model.lineAt(row), expected.at(row));
    QVERIFY(model.allocatedBytes() >= model.storedTextBytes());
    // No more than a chunk's spare room is held beyond the text itself.
    QVERIFY(model.allocatedBytes() < model.storedTextBytes() + (2 << 20));
}

void TestTrafficList::largeLinesAreCompressedOnceNewerOnesFollow()
{
    // What a fast dump gives: every chunk of a tick larger than a storage chunk's quarter.
    TrafficListModel model;
    QStringList expected;
    for (int i = 0; i < 16; ++i) {
        QString line;
        for (int k = 0; line.size() < 300 * 1024; ++k)
            line += QStringLiteral("%1 %2 ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n")
                        .arg(i)
                        .arg(k, 8, 10, QLatin1Char('0'));
        expected << line;
        model.appendLine(line);
        // Each reads back as soon as it is in the list.
        QCOMPARE(model.lineAt(int(model.count() - 1)), line);
    }
    QVERIFY2(model.allocatedBytes() < model.storedTextBytes() / 2,
             qPrintable(QStringLiteral("%1 of %2")
                            .arg(model.allocatedBytes())
                            .arg(model.storedTextBytes())));
    for (int row = 0; row < expected.size(); ++row)
        QCOMPARE(model.lineAt(row), expected.at(row));
}

// Sealing frees a chunk-sized block every few seconds of a fast stream while the small
// compressed copies stay: had the allocator raised its thresholds after the first such block,
// every later one would leave a hole in the heap that the process keeps for good.
void TestTrafficList::freedChunksGoBackToTheSystem()
{
#if !defined(__GLIBC__) || defined(__SANITIZE_ADDRESS__)
    QSKIP("only glibc's own allocator keeps these counts");
#else
    platform::returnFreedMemoryPromptly();
    const auto held = [] {
        const struct mallinfo2 info = mallinfo2();
        return qint64(info.arena + info.hblkhd);
    };
    const qint64 heldBefore = held();
    std::vector<std::unique_ptr<char[]>> packed;
    for (int round = 0; round < 8; ++round) {
        auto chunk = std::make_unique<char[]>(size_t(TextChunks::kChunkBytes));
        chunk[size_t(TextChunks::kChunkBytes) - 1] = char(round);
        packed.push_back(std::make_unique<char[]>(16 * 1024));
    }
    const qint64 grown = held() - heldBefore;
    QVERIFY2(grown < TextChunks::kChunkBytes / 2, qPrintable(QString::number(grown)));
#endif
}

void TestTrafficList::appendAnnouncesTheNewRow()
{
    TrafficListModel model;
    QSignalSpy aboutToInsert(&model, &QAbstractItemModel::rowsAboutToBeInserted);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    int rowsWhenAnnounced = -1;
    connect(&model, &QAbstractItemModel::rowsInserted, this,
            [&] { rowsWhenAnnounced = model.rowCount(); });

    model.appendLine(QStringLiteral("first"));
    model.appendLine(QStringLiteral("second"));

    QCOMPARE(aboutToInsert.count(), 2);
    QCOMPARE(inserted.count(), 2);
    const QList<QVariant> second = inserted.at(1);
    QVERIFY(!second.at(0).value<QModelIndex>().isValid());
    QCOMPARE(second.at(1).toInt(), 1);
    QCOMPARE(second.at(2).toInt(), 1);
    QCOMPARE(rowsWhenAnnounced, 2); // the row is readable when the signal arrives
}

void TestTrafficList::clearEmptiesTheList()
{
    TrafficListModel model;
    for (int i = 0; i < 100; ++i)
        model.appendLine(QStringLiteral("Ω line %1").arg(i));
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

    model.clear();
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.count(), 0);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.lineAt(0), QString());
    QCOMPARE(model.storedTextBytes(), 0);

    model.appendLine(QStringLiteral("again"));
    QCOMPARE(model.count(), 1);
    QCOMPARE(model.lineAt(0), QStringLiteral("again"));
}

void TestTrafficList::rowsOutsideTheListAreEmpty()
{
    TrafficListModel model;
    model.appendLine(QStringLiteral("only"));
    QCOMPARE(model.lineAt(-1), QString());
    QCOMPARE(model.lineAt(1), QString());
    QVERIFY(!model.data(model.index(1), Qt::DisplayRole).isValid());
    QVERIFY(!model.data(QModelIndex(), Qt::DisplayRole).isValid());
    QVERIFY(!model.data(model.index(0), Qt::DecorationRole).isValid());
    QCOMPARE(model.rowCount(model.index(0)), 0); // a line has no children
}

void TestTrafficList::longestLineFollowsAppendsAndClearing()
{
    TrafficListModel model;
    QCOMPARE(model.longestLineLength(), 0);
    model.appendLine(QString(30, QLatin1Char('x')));
    model.appendLine(QString(120, QChar(0x03A9)));
    model.appendLine(QString(5, QLatin1Char('y')));
    QCOMPARE(model.longestLineLength(), 120);
    model.clear();
    QCOMPARE(model.longestLineLength(), 0);
}

void TestTrafficList::passesTheModelTester()
{
    TrafficListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (int i = 0; i < 20; ++i)
        model.appendLine(QStringLiteral("line %1\r\n").arg(i));
    model.clear();
    model.appendLine(QString());
    QCOMPARE(model.rowCount(), 1);
}

QTEST_APPLESS_MAIN(TestTrafficList)
#include "tst_trafficlist.moc"
