// Templates, field lists and the number filter, including their 16-bit position limits and the
// report they show when they hit them.
#include "ScriptedDialogs.h"
#include "modFormat.h"
#include "modGlobal.h"
#include "modTools.h"

#include <QStringList>
#include <QTest>

namespace {

const QString kSep3 = QString(QChar(3));
constexpr qsizetype kLimit = 32767;

QString insertParams(const QString &tmpl, const QStringList &p)
{
    return fkt_FormatInsertParam(tmpl, p.value(0), p.value(1), p.value(2), p.value(3), p.value(4),
                                 p.value(5), p.value(6), p.value(7), p.value(8), p.value(9),
                                 p.value(10));
}

QString unexpectedFailure(const QString &function, const QString &label)
{
    return QStringLiteral("Unerwartete Ausnahme in Funktion: ") + function + QStringLiteral("\r\n")
           + label + QStringLiteral("Overflow.");
}

QString repeated(QChar c, qsizetype count)
{
    return QString(count, c);
}

// Either no dialog at all, or exactly the one report of an overflow inside `function`.
void verifyReport(const ScriptedDialogs &dialogs, bool fails, const QString &function,
                  const QString &label = QStringLiteral("Fehler: "))
{
    if (!fails) {
        QCOMPARE(dialogs.shown.size(), 0);
        return;
    }
    QCOMPARE(dialogs.shown.size(), 1);
    const ScriptedDialogs::Shown &box = dialogs.shown.first();
    QCOMPARE(box.kind, QStringLiteral("message"));
    QCOMPARE(box.text, unexpectedFailure(function, label));
    QCOMPARE(box.title, QStringLiteral("Tellurix"));
    QCOMPARE(box.icon, platform::MessageIcon::None);
}

} // namespace

class TstFormat : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void insertParam_data();
    void insertParam();
    void insertParamPositionLimit_data();
    void insertParamPositionLimit();

    void extract_data();
    void extract();
    void extractLengthLimit_data();
    void extractLengthLimit();

    void filter_data();
    void filter();
    void filterLengthLimit_data();
    void filterLengthLimit();
};

void TstFormat::cleanup()
{
    g_bytLanguage = 0;
}

void TstFormat::insertParam_data()
{
    QTest::addColumn<QString>("tmpl");
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<QString>("expected");

    const QString command = QStringLiteral("Befehl %% [F%%]");
    QTest::newRow("command button") << command << QStringList{"3", "3"} << "Befehl 3 [F3]";
    QTest::newRow("command button English") << QStringLiteral("Command %% [F%%]")
                                            << QStringList{"3", "3"} << "Command 3 [F3]";
    QTest::newRow("port name") << "COM%%" << QStringList{"4"} << "COM4";
    QTest::newRow("empty first parameter still fills") << command << QStringList{"", "5"}
                                                       << "Befehl  [F5]";
    QTest::newRow("empty second parameter stops") << command << QStringList{"5", ""}
                                                  << "Befehl 5 [F%%]";
    QTest::newRow("only an empty first parameter") << "A%%B" << QStringList{} << "AB";
    QTest::newRow("inserted placeholder is filled next") << "A%%B%%C" << QStringList{"x%%", "y"}
                                                         << "AxyB%%C";
    QTest::newRow("inserted placeholder stays without next") << "A%%B" << QStringList{"x%%"}
                                                             << "Ax%%B";
    QTest::newRow("surplus parameters ignored") << "A%%B" << QStringList{"1", "2", "3"} << "A1B";
    QTest::newRow("gap ends filling") << "%%-%%-%%" << QStringList{"a", "", "c"} << "a-%%-%%";
    QTest::newRow("empty template") << "" << QStringList{"x", "y"} << "";
    QTest::newRow("no placeholder") << "abc" << QStringList{"x"} << "abc";
    QTest::newRow("single percent is no placeholder") << "50% of %%" << QStringList{"x"}
                                                      << "50% of x";
    QTest::newRow("three percent signs") << "%%%" << QStringList{"x"} << "x%";
    QTest::newRow("four percent signs") << "%%%%" << QStringList{"x", "y"} << "xy";
    QTest::newRow("case and spacing kept") << " %% " << QStringList{"Ab"} << " Ab ";

    QStringList eleven;
    QStringList twelvePlaceholders;
    for (int i = 1; i <= 11; ++i)
        eleven << QString::number(i);
    for (int i = 1; i <= 12; ++i)
        twelvePlaceholders << QStringLiteral("%%");
    QTest::newRow("eleven filled, twelfth stays") << twelvePlaceholders.join(QLatin1Char(','))
                                                  << eleven << "1,2,3,4,5,6,7,8,9,10,11,%%";

    QTest::newRow("status text")
        << QStringLiteral("Schnittstelle COM%% mit %% Baud ist ge\u00f6ffnet.")
        << QStringList{"2", "19200"}
        << QStringLiteral("Schnittstelle COM2 mit 19200 Baud ist ge\u00f6ffnet.");
}

void TstFormat::insertParam()
{
    QFETCH(QString, tmpl);
    QFETCH(QStringList, params);
    QFETCH(QString, expected);

    ScriptedDialogs dialogs;
    QCOMPARE(insertParams(tmpl, params), expected);
    QCOMPARE(dialogs.shown.size(), 0);
}

void TstFormat::insertParamPositionLimit_data()
{
    QTest::addColumn<QString>("tmpl");
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<bool>("fails");
    QTest::addColumn<QString>("expected");

    const QString pad = repeated(QLatin1Char('a'), kLimit - 1);
    QTest::newRow("placeholder at position 32767") << pad + "%%" << QStringList{"x"} << false
                                                   << pad + "x";
    QTest::newRow("placeholder at position 32768") << pad + "a%%" << QStringList{"x"} << true
                                                   << QString();
    QTest::newRow("long text without placeholder") << repeated(QLatin1Char('b'), 40000)
                                                   << QStringList{"x", "y"} << false
                                                   << repeated(QLatin1Char('b'), 40000);
    QTest::newRow("long text with early placeholder only") << "%%" + repeated(QLatin1Char('b'), 40000)
                                                           << QStringList{"x", "y"} << false
                                                           << "x" + repeated(QLatin1Char('b'), 40000);

    const QString farSecond = "%%" + repeated(QLatin1Char('b'), 40000) + "%%";
    QTest::newRow("second placeholder too far") << farSecond << QStringList{"x", "y"} << true
                                                << QString();
    QTest::newRow("second placeholder too far, never looked for")
        << farSecond << QStringList{"x", ""} << false
        << "x" + repeated(QLatin1Char('b'), 40000) + "%%";
    QTest::newRow("first parameter pushes the next placeholder too far")
        << "%%B%%" << QStringList{repeated(QLatin1Char('p'), kLimit), "y"} << true << QString();
    QTest::newRow("first parameter keeps the next placeholder in reach")
        << "%%%%" << QStringList{repeated(QLatin1Char('p'), kLimit - 1), "y"} << false
        << repeated(QLatin1Char('p'), kLimit - 1) + "y";
}

void TstFormat::insertParamPositionLimit()
{
    QFETCH(QString, tmpl);
    QFETCH(QStringList, params);
    QFETCH(bool, fails);
    QFETCH(QString, expected);

    ScriptedDialogs dialogs;
    QCOMPARE(insertParams(tmpl, params), expected);
    verifyReport(dialogs, fails, QStringLiteral("fkt_FormatInsertParam"));
}

void TstFormat::extract_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<quint8>("field");
    QTest::addColumn<bool>("numbersOnly");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("expected");

    const QString ports = "3" + kSep3 + "1" + kSep3 + "COM1";
    QTest::newRow("port list field 1") << ports << quint8(1) << false << kSep3 << "3";
    QTest::newRow("port list field 2") << ports << quint8(2) << false << kSep3 << "1";
    QTest::newRow("port list field 3") << ports << quint8(3) << false << kSep3 << "COM1";
    QTest::newRow("port list field 3 numbers") << ports << quint8(3) << true << kSep3 << "1";
    QTest::newRow("port list field 4") << ports << quint8(4) << false << kSep3 << "";
    QTest::newRow("port list field 0") << ports << quint8(0) << false << kSep3 << "";

    QTest::newRow("empty middle field") << "a,,b" << quint8(2) << false << "," << "";
    QTest::newRow("field after empty one") << "a,,b" << quint8(3) << false << "," << "b";
    QTest::newRow("field before empty one") << "a,,b" << quint8(1) << false << "," << "a";
    QTest::newRow("numbers keep dot and minus") << "x1-y.2z" << quint8(1) << true << ";" << "1-.2";
    QTest::newRow("numbers drop comma") << "1,5;x" << quint8(1) << true << ";" << "15";
    QTest::newRow("numbers drop other digits") << QStringLiteral("\u0661\u00b27") << quint8(1)
                                               << true << ";" << "7";
    QTest::newRow("without flag every character kept") << "x1-y.2z" << quint8(1) << false << ";"
                                                       << "x1-y.2z";
    QTest::newRow("separator never in result") << "ab;cd" << quint8(2) << false << ";" << "cd";
    QTest::newRow("long separator never matches") << "a::b" << quint8(1) << false << "::" << "a::b";
    QTest::newRow("long separator, no second field") << "a::b" << quint8(2) << false << "::" << "";
    QTest::newRow("empty separator never matches") << "a,b" << quint8(1) << false << "" << "a,b";
    QTest::newRow("empty source is one empty field") << "" << quint8(1) << false << "," << "";
    QTest::newRow("empty source has no field 2") << "" << quint8(2) << false << "," << "";
    QTest::newRow("trailing separator closes empty field") << "a," << quint8(2) << false << ","
                                                           << "";
    QTest::newRow("separator is case-sensitive") << "aXbxc" << quint8(1) << false << "x" << "aXb";
    QTest::newRow("separator is case-sensitive, second") << "aXbxc" << quint8(2) << false << "x"
                                                         << "c";

    QStringList many;
    for (int i = 0; i < 300; ++i)
        many << QString::number(i);
    QTest::newRow("field 255") << many.join(QLatin1Char(',')) << quint8(255) << false << ","
                               << "254";
}

void TstFormat::extract()
{
    QFETCH(QString, source);
    QFETCH(quint8, field);
    QFETCH(bool, numbersOnly);
    QFETCH(QString, separator);
    QFETCH(QString, expected);

    ScriptedDialogs dialogs;
    QCOMPARE(fkt_FormatExtractSpecParameter(source, field, numbersOnly, separator), expected);
    QCOMPARE(dialogs.shown.size(), 0);
}

void TstFormat::extractLengthLimit_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<quint8>("field");
    QTest::addColumn<bool>("fails");
    QTest::addColumn<QString>("expected");

    const QString longest = repeated(QLatin1Char('a'), kLimit - 1);
    QTest::newRow("32766 characters") << longest << quint8(1) << false << longest;
    QTest::newRow("32766 characters, no field 2") << longest << quint8(2) << false << QString();
    QTest::newRow("32767 characters") << repeated(QLatin1Char('a'), kLimit) << quint8(1) << true
                                      << QString();
    QTest::newRow("long text, early field") << "a," + repeated(QLatin1Char('b'), 40000) << quint8(1)
                                            << true << QString();
    QTest::newRow("long text, field 0") << repeated(QLatin1Char('a'), kLimit) << quint8(0) << true
                                        << QString();
}

void TstFormat::extractLengthLimit()
{
    QFETCH(QString, source);
    QFETCH(quint8, field);
    QFETCH(bool, fails);
    QFETCH(QString, expected);

    ScriptedDialogs dialogs;
    QCOMPARE(fkt_FormatExtractSpecParameter(source, field, false, QStringLiteral(",")), expected);
    verifyReport(dialogs, fails, QStringLiteral("fkt_FormatExtractSpecParameter"),
                 QStringLiteral("Fehler : "));
}

void TstFormat::filter_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("port name") << "COM12" << "12";
    QTest::newRow("exponent plus") << "1.5E+3" << "1.5E+3";
    QTest::newRow("exponent minus") << "2E-4" << "2E-4";
    QTest::newRow("exponent mark at start plus") << "E+5" << "5";
    QTest::newRow("exponent mark at start minus") << "E-5" << "-5";
    QTest::newRow("small e is no exponent") << "1.5e+3" << "1.53";
    QTest::newRow("exponent mark at position 2") << "xE+" << "xE+";
    QTest::newRow("later exponent mark counts") << "E+5E+3" << "E+5E+3";
    QTest::newRow("E alone") << "1E5" << "15";
    QTest::newRow("empty") << "" << "0";
    QTest::newRow("nothing numeric") << "abc" << "";
    QTest::newRow("comma kept") << "-1,5" << "-1,5";
    QTest::newRow("mixed") << " COM 1.2,3- " << "1.2,3-";
    QTest::newRow("only ASCII digits") << QStringLiteral("\u0661\u00b29") << "9";
    QTest::newRow("plus dropped") << "+7" << "7";
}

void TstFormat::filter()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);

    ScriptedDialogs dialogs;
    QCOMPARE(fkt_FormatFilterOnlyNumericValue(value), expected);
    QCOMPARE(dialogs.shown.size(), 0);
}

void TstFormat::filterLengthLimit_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("fails");
    QTest::addColumn<QString>("expected");

    QTest::newRow("32766 characters") << "x" + repeated(QLatin1Char('1'), kLimit - 3) + "x" << false
                                      << repeated(QLatin1Char('1'), kLimit - 3);
    QTest::newRow("32767 characters") << repeated(QLatin1Char('a'), kLimit) << true << QString();
    QTest::newRow("32767 digits") << repeated(QLatin1Char('1'), kLimit) << true << QString();
    const QString longExponent = "1E+5" + repeated(QLatin1Char('0'), 40000);
    QTest::newRow("long exponent number is not walked") << longExponent << false << longExponent;
}

void TstFormat::filterLengthLimit()
{
    QFETCH(QString, value);
    QFETCH(bool, fails);
    QFETCH(QString, expected);

    ScriptedDialogs dialogs;
    QCOMPARE(fkt_FormatFilterOnlyNumericValue(value), expected);
    verifyReport(dialogs, fails, QStringLiteral("fkt_FormatFilterOnlyNumericValue"));
}

QTEST_APPLESS_MAIN(TstFormat)
#include "tst_format.moc"
