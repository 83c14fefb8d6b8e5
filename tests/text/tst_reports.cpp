// The localised report of a failed action and the short report of the send button.
#include "ScriptedDialogs.h"
#include "modFormat.h"
#include "modGlobal.h"
#include "modTools.h"

#include <QTest>

#include <limits>

class TstReports : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void failedAction_data();
    void failedAction();
    void shortReport_data();
    void shortReport();
};

void TstReports::init()
{
    g_bytLanguage = 0;
    g_strErrDescription.clear();
    g_lngErrNumber = 0;
}

void TstReports::cleanup()
{
    init();
}

void TstReports::failedAction_data()
{
    QTest::addColumn<quint8>("language");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("description");
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<QString>("expectedTitle");

    const QString openDe = QStringLiteral("Schnittstelle \u00f6ffnen");
    const QString titleDe = QStringLiteral("Fehler aufgetreten");
    const QString titleEn = QStringLiteral("Error occured");

    QTest::newRow("German")
        << quint8(0) << openDe << "X" << 8005
        << QStringLiteral("Es ist ein Fehler bei folgender Aktion aufgetreten: Schnittstelle "
                          "\u00f6ffnen.\r\nBeschreibung: X.\r\nFehler: 8005.")
        << titleDe;
    QTest::newRow("English")
        << quint8(1) << QStringLiteral("Open Interface") << "X" << 8005
        << QStringLiteral("An error occured with followning action: Open Interface.\r\n"
                          "Description: X.\r\nError: 8005.")
        << titleEn;
    QTest::newRow("German, empty description keeps placeholders")
        << quint8(0) << openDe << "" << 8005
        << QStringLiteral("Es ist ein Fehler bei folgender Aktion aufgetreten: Schnittstelle "
                          "\u00f6ffnen.\r\nBeschreibung: %%.%%Fehler: %%.")
        << titleDe;
    QTest::newRow("English, empty description keeps placeholders")
        << quint8(1) << QStringLiteral("Open Interface") << "" << 8005
        << QStringLiteral("An error occured with followning action: Open Interface.\r\n"
                          "Description: %%.%%Error: %%.")
        << titleEn;
    QTest::newRow("version test, smallest number")
        << quint8(1) << QStringLiteral("Function <fkt_ToolsIsMinWin2000>") << "Access denied"
        << std::numeric_limits<qint32>::min()
        << QStringLiteral("An error occured with followning action: Function "
                          "<fkt_ToolsIsMinWin2000>.\r\nDescription: Access denied.\r\n"
                          "Error: -2147483648.")
        << titleEn;
    QTest::newRow("number 0") << quint8(0) << openDe << "Y" << 0
                              << QStringLiteral("Es ist ein Fehler bei folgender Aktion "
                                                "aufgetreten: Schnittstelle \u00f6ffnen.\r\n"
                                                "Beschreibung: Y.\r\nFehler: 0.")
                              << titleDe;
    // A placeholder inside the description is filled by the line break that follows it.
    QTest::newRow("placeholder in description")
        << quint8(0) << openDe << "a%%b" << 5
        << QStringLiteral("Es ist ein Fehler bei folgender Aktion aufgetreten: Schnittstelle "
                          "\u00f6ffnen.\r\nBeschreibung: a\r\nb.5Fehler: %%.")
        << titleDe;
}

void TstReports::failedAction()
{
    QFETCH(quint8, language);
    QFETCH(QString, action);
    QFETCH(QString, description);
    QFETCH(qint32, number);
    QFETCH(QString, expectedText);
    QFETCH(QString, expectedTitle);

    g_bytLanguage = language;
    ScriptedDialogs dialogs;
    reportFailedAction(nullptr, action, description, number);

    QCOMPARE(g_strErrDescription, description);
    QCOMPARE(g_lngErrNumber, number);
    QCOMPARE(dialogs.shown.size(), 1);
    const ScriptedDialogs::Shown &box = dialogs.shown.first();
    QCOMPARE(box.kind, QStringLiteral("message"));
    QCOMPARE(box.text, expectedText);
    QCOMPARE(box.title, expectedTitle);
    QCOMPARE(box.icon, platform::MessageIcon::Critical);
}

void TstReports::shortReport_data()
{
    QTest::addColumn<quint8>("language");
    QTest::addColumn<QString>("description");
    QTest::addColumn<qint32>("number");
    QTest::addColumn<QString>("expectedText");

    QTest::newRow("German") << quint8(0) << "Port ist geschlossen" << 8018
                            << "Beschreibung: Port ist geschlossen\r\nFehler: 8018";
    QTest::newRow("labels stay German in English mode") << quint8(1) << "Port closed" << 8018
                                                        << "Beschreibung: Port closed\r\nFehler: 8018";
    QTest::newRow("empty description") << quint8(0) << "" << 0 << "Beschreibung: \r\nFehler: 0";
    QTest::newRow("negative number") << quint8(0) << "Z" << -5 << "Beschreibung: Z\r\nFehler: -5";
    QTest::newRow("placeholder is not filled") << quint8(0) << "a%%b" << 1
                                               << "Beschreibung: a%%b\r\nFehler: 1";
}

void TstReports::shortReport()
{
    QFETCH(quint8, language);
    QFETCH(QString, description);
    QFETCH(qint32, number);
    QFETCH(QString, expectedText);

    g_bytLanguage = language;
    ScriptedDialogs dialogs;
    reportShort(nullptr, description, number);

    QCOMPARE(dialogs.shown.size(), 1);
    const ScriptedDialogs::Shown &box = dialogs.shown.first();
    QCOMPARE(box.kind, QStringLiteral("message"));
    QCOMPARE(box.text, expectedText);
    QCOMPARE(box.title, QStringLiteral("Tellurix"));
    QCOMPARE(box.icon, platform::MessageIcon::None);
}

QTEST_APPLESS_MAIN(TstReports)
#include "tst_reports.moc"
