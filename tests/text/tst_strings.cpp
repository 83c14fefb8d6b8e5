// The bilingual string table: every text in both languages, the fallback order and the id limits.
#include "modGlobal.h"
#include "modTools.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QTest>

#include <limits>

namespace {

struct FixtureRow {
    qint32 id = 0;
    QString german;
    QString english;
};

constexpr qint32 kEnglishOffset = 10000;
constexpr qint32 kMaxId = std::numeric_limits<qint32>::max();
constexpr qint32 kMinId = std::numeric_limits<qint32>::min();

} // namespace

class TstStrings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void fixtureIsComplete();
    void everyEntryMatchesFixture_data();
    void everyEntryMatchesFixture();
    void noEntriesBesideTheTable();
    void getResString_data();
    void getResString();
    void singleLookups_data();
    void singleLookups();
    void oddSpellingsAreKept();
    void umlautsArePrecomposedUnicode();

private:
    QList<FixtureRow> m_rows;
    QHash<qint32, FixtureRow> m_byId;
};

void TstStrings::initTestCase()
{
    QFile file(QStringLiteral(TELLURIX_STRINGS_FIXTURE));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.isEmpty())
            continue;
        const QStringList cells = line.split(QLatin1Char('\t'));
        QCOMPARE(cells.size(), 3);
        bool ok = false;
        const FixtureRow row{cells.at(0).toInt(&ok), cells.at(1), cells.at(2)};
        QVERIFY2(ok, qPrintable(line));
        QVERIFY2(!m_byId.contains(row.id), qPrintable(line));
        m_rows.append(row);
        m_byId.insert(row.id, row);
    }
}

void TstStrings::init()
{
    g_bytLanguage = 0;
}

void TstStrings::cleanup()
{
    g_bytLanguage = 0;
}

void TstStrings::fixtureIsComplete()
{
    // 117 base ids, 1000 to 1810; guards against a truncated fixture hiding table entries.
    QCOMPARE(m_rows.size(), 117);
    QCOMPARE(m_rows.first().id, 1000);
    QCOMPARE(m_rows.last().id, 1810);
}

void TstStrings::everyEntryMatchesFixture_data()
{
    QTest::addColumn<qint32>("id");
    QTest::addColumn<QString>("german");
    QTest::addColumn<QString>("english");
    for (const FixtureRow &row : std::as_const(m_rows))
        QTest::addRow("%d", row.id) << row.id << row.german << row.english;
}

void TstStrings::everyEntryMatchesFixture()
{
    QFETCH(qint32, id);
    QFETCH(QString, german);
    QFETCH(QString, english);

    QCOMPARE(fkt_ToolsGetResStringGerman(id), german);
    QCOMPARE(fkt_ToolsGetResStringEnglish(id), english);
    QCOMPARE(fkt_ToolsGetResStringGerman(id + kEnglishOffset), english);

    g_bytLanguage = 0;
    QCOMPARE(fkt_ToolsGetResStringCurrent(id), german);
    QCOMPARE(fkt_ToolsGetResString(id), german);
    g_bytLanguage = 1;
    QCOMPARE(fkt_ToolsGetResStringCurrent(id), english);
    QCOMPARE(fkt_ToolsGetResString(id), english);
}

void TstStrings::noEntriesBesideTheTable()
{
    // Seen as one map, the table has the German texts under the base ids and the English ones
    // under base id + 10000, and nothing else anywhere near them.
    for (qint32 id = -12000; id <= 25000; ++id) {
        QString expected;
        if (m_byId.contains(id))
            expected = m_byId.value(id).german;
        else if (m_byId.contains(id - kEnglishOffset))
            expected = m_byId.value(id - kEnglishOffset).english;
        if (fkt_ToolsGetResStringGerman(id) != expected)
            QFAIL(qPrintable(QStringLiteral("id %1: got \"%2\", expected \"%3\"")
                                 .arg(id)
                                 .arg(fkt_ToolsGetResStringGerman(id), expected)));
    }
}

void TstStrings::getResString_data()
{
    QTest::addColumn<quint8>("language");
    QTest::addColumn<qint32>("id");
    QTest::addColumn<QString>("expected");

    const QString listDe = QStringLiteral("Liste l\u00f6schen");
    QTest::newRow("German 1034") << quint8(0) << 1034 << listDe;
    QTest::newRow("English 1034") << quint8(1) << 1034 << QStringLiteral("Delete list");
    QTest::newRow("language 7 is English") << quint8(7) << 1034 << QStringLiteral("Delete list");
    QTest::newRow("language 255 is English") << quint8(255) << 1034 << QStringLiteral("Delete list");
    QTest::newRow("English 1504") << quint8(1) << 1504 << QStringLiteral("Interface");
    QTest::newRow("English 1501") << quint8(1) << 1501 << QStringLiteral("Interface");
    QTest::newRow("German 1504") << quint8(0) << 1504 << QStringLiteral("Einstellung");
    QTest::newRow("German 1606 filter") << quint8(0) << 1606
                                        << QStringLiteral("Befehls-Konfigurationsdateien (*.icf)|*.icf");
    QTest::newRow("English 1606 filter") << quint8(1) << 1606
                                         << QStringLiteral("Command configuration files (*.icf)|*.icf");

    for (const qint32 gap : {1604, 1010, 1505, 1506, 0, -1}) {
        QTest::addRow("German %d has no entry", gap) << quint8(0) << gap << QString();
        QTest::addRow("English %d has no entry", gap) << quint8(1) << gap << QString();
    }

    // -8966 has no German entry; its English id is 1034, so German mode falls back to English.
    QTest::newRow("German missing, English taken") << quint8(0) << 1034 - kEnglishOffset << listDe;
    // 11034 has no English entry (21034 is empty); English mode falls back to the German lookup.
    QTest::newRow("English missing, German taken") << quint8(1) << 1034 + kEnglishOffset
                                                   << QStringLiteral("Delete list");
    QTest::newRow("German mode, id of an English entry") << quint8(0) << 1034 + kEnglishOffset
                                                         << QStringLiteral("Delete list");

    // English ids that would not fit in 32 bits: every step yields the empty text.
    for (const qint32 id : {kMaxId - kEnglishOffset, kMaxId - kEnglishOffset + 1, kMaxId - 1, kMaxId,
                            kMinId}) {
        QTest::addRow("German %d", id) << quint8(0) << id << QString();
        QTest::addRow("English %d", id) << quint8(1) << id << QString();
    }
}

void TstStrings::getResString()
{
    QFETCH(quint8, language);
    QFETCH(qint32, id);
    QFETCH(QString, expected);

    g_bytLanguage = language;
    QCOMPARE(fkt_ToolsGetResString(id), expected);
}

void TstStrings::singleLookups_data()
{
    QTest::addColumn<quint8>("language");
    QTest::addColumn<qint32>("id");
    QTest::addColumn<QString>("german");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("current");

    const QString listDe = QStringLiteral("Liste l\u00f6schen");
    const QString listEn = QStringLiteral("Delete list");
    QTest::newRow("1034 German") << quint8(0) << 1034 << listDe << listEn << listDe;
    QTest::newRow("1034 English") << quint8(1) << 1034 << listDe << listEn << listEn;
    QTest::newRow("11034 German") << quint8(0) << 11034 << listEn << QString() << listEn;
    QTest::newRow("11034 English") << quint8(1) << 11034 << listEn << QString() << QString();
    QTest::newRow("-8966 German") << quint8(0) << -8966 << QString() << listDe << QString();
    QTest::newRow("-8966 English") << quint8(1) << -8966 << QString() << listDe << listDe;
    QTest::newRow("1604 English") << quint8(1) << 1604 << QString() << QString() << QString();
    QTest::newRow("last id that fits") << quint8(1) << kMaxId - kEnglishOffset << QString()
                                       << QString() << QString();
    QTest::newRow("first id that overflows") << quint8(1) << kMaxId - kEnglishOffset + 1
                                             << QString() << QString() << QString();
    QTest::newRow("largest id, English") << quint8(1) << kMaxId << QString() << QString() << QString();
    QTest::newRow("largest id, German") << quint8(0) << kMaxId << QString() << QString() << QString();
    QTest::newRow("smallest id") << quint8(1) << kMinId << QString() << QString() << QString();
}

void TstStrings::singleLookups()
{
    QFETCH(quint8, language);
    QFETCH(qint32, id);
    QFETCH(QString, german);
    QFETCH(QString, english);
    QFETCH(QString, current);

    g_bytLanguage = language;
    QCOMPARE(fkt_ToolsGetResStringGerman(id), german);
    QCOMPARE(fkt_ToolsGetResStringEnglish(id), english);
    QCOMPARE(fkt_ToolsGetResStringCurrent(id), current);
}

void TstStrings::oddSpellingsAreKept()
{
    g_bytLanguage = 1;
    QCOMPARE(fkt_ToolsGetResString(1602),
             QStringLiteral("An error occured with followning action: %%.%%Description: %%.%%Error: %%."));
    QCOMPARE(fkt_ToolsGetResString(1603), QStringLiteral("Error occured"));
    g_bytLanguage = 0;
    QVERIFY(fkt_ToolsGetResString(1509).contains(QStringLiteral("keine P\u00e4rit\u00e4t,")));
}

void TstStrings::umlautsArePrecomposedUnicode()
{
    // Written with escapes so that the check does not depend on how this file is encoded.
    QCOMPARE(fkt_ToolsGetResStringGerman(1301), QStringLiteral("\u00dcbernehmen"));
    QCOMPARE(fkt_ToolsGetResStringGerman(1300),
             QStringLiteral("Sonderzeichen ausw\u00e4hlen und einf\u00fcgen"));
    QCOMPARE(fkt_ToolsGetResStringGerman(1605), QStringLiteral("Schnittstelle \u00f6ffnen"));
    QCOMPARE(fkt_ToolsGetResStringGerman(1600), QStringLiteral("Keine Schnittstelle ge\u00f6ffnet!"));
}

QTEST_APPLESS_MAIN(TstStrings)
#include "tst_strings.moc"
