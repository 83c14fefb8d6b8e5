// The connection's section of Settings.ini: reconnecting and the custom rate, read with their
// defaults and written only when they matter, the rest of the file left as it was.
#include "ConnectionSettings.h"
#include "SettingsStore.h"
#include "TestFiles.h"
#include "modGlobal.h"

#include <QTemporaryDir>
#include <QtTest>

class TestConnectionSettings : public QObject {
    Q_OBJECT
    CommandSet presets;
    QTemporaryDir dir;

    QString settingsFile() const { return dir.filePath(QStringLiteral("Settings.ini")); }

private slots:
    void init()
    {
        QVERIFY(dir.isValid());
        QFile::remove(settingsFile());
        g_blnReconnect = false;
        g_lngBaudrateCustom = 12345;
    }

    void aFileWithoutTheSectionGivesTheDefaultsAndStaysAsItWas()
    {
        const QByteArray before = readFile(QStringLiteral(TEST_DATA_DIR "/connection_defaults.ini"));
        QVERIFY(writeFile(settingsFile(), before));
        prc_MainLoadSettings(dir.path(), presets);
        QVERIFY(g_blnReconnect);
        QCOMPARE(g_lngBaudrateCustom, 0);
        QCOMPARE(effectiveBaudRateText(), QStringLiteral("115200"));
        prc_MainSaveSettings(dir.path(), presets);
        QCOMPARE(readFile(settingsFile()), before);
    }

    void changedValuesGoIntoTheirOwnSection()
    {
        QVERIFY(writeFile(settingsFile(), readFile(QStringLiteral(TEST_DATA_DIR "/connection_defaults.ini"))));
        prc_MainLoadSettings(dir.path(), presets);
        g_blnReconnect = false;
        g_lngBaudrateCustom = 921600;
        prc_MainSaveSettings(dir.path(), presets);
        QCOMPARE(readFile(settingsFile()), readFile(QStringLiteral(TEST_DATA_DIR "/connection_changed.ref")));

        prc_MainLoadSettings(dir.path(), presets);
        QVERIFY(!g_blnReconnect);
        QCOMPARE(g_lngBaudrateCustom, 921600);
        QCOMPARE(g_bytBaudrate, quint8(10)); // kept for copies that know only the table
        QCOMPARE(effectiveBaudRateText(), QStringLiteral("921600"));
    }

    void backToTheDefaultsTheKeysSaySo()
    {
        QVERIFY(writeFile(settingsFile(), readFile(QStringLiteral(TEST_DATA_DIR "/connection_changed.ref"))));
        prc_MainLoadSettings(dir.path(), presets);
        g_blnReconnect = true;
        g_lngBaudrateCustom = 0;
        prc_MainSaveSettings(dir.path(), presets);
        QVERIFY(readFile(settingsFile()).endsWith("[CONNECTION]\r\nReconnect=1\r\nBaudrateCustom=0\r\n"));
        prc_MainLoadSettings(dir.path(), presets);
        QVERIFY(g_blnReconnect);
        QCOMPARE(g_lngBaudrateCustom, 0);
        QCOMPARE(effectiveBaudRateText(), QStringLiteral("115200"));
    }

    void linesAfterOpen_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("choice");
        QTest::newRow("off") << QByteArray("1") << 1;
        QTest::newRow("on") << QByteArray("0") << 0;
        QTest::newRow("any other number is off") << QByteArray("7") << 1;
        QTest::newRow("unreadable: on") << QByteArray("off") << 0;
    }
    void linesAfterOpen()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, choice);
        g_bytLinesAfterOpen = 5;
        QVERIFY(writeFile(settingsFile(), "[CONNECTION]\r\nLinesAfterOpen=" + value + "\r\n"));
        prc_MainLoadSettings(dir.path(), presets);
        QCOMPARE(int(g_bytLinesAfterOpen), choice);
        prc_MainSaveSettings(dir.path(), presets);
        QVERIFY(readFile(settingsFile()).contains("[CONNECTION]\r\nLinesAfterOpen=" + QByteArray::number(choice) + "\r\n"));
    }

    void values_data()
    {
        QTest::addColumn<QByteArray>("reconnectValue");
        QTest::addColumn<QByteArray>("rateValue");
        QTest::addColumn<bool>("reconnect");
        QTest::addColumn<int>("rate");
        QTest::newRow("off, fast") << QByteArray("0") << QByteArray("3000000") << false << 3000000;
        QTest::newRow("on, typed") << QByteArray("1") << QByteArray("74880") << true << 74880;
        QTest::newRow("blanks") << QByteArray(" 0 ") << QByteArray(" 250000 ") << false << 250000;
        QTest::newRow("any other number is on") << QByteArray("2") << QByteArray("0") << true << 0;
        QTest::newRow("unreadable: defaults") << QByteArray("off") << QByteArray("fast") << true << 0;
        QTest::newRow("empty: defaults") << QByteArray("") << QByteArray("") << true << 0;
        QTest::newRow("negative rate") << QByteArray("1") << QByteArray("-9600") << true << 0;
        QTest::newRow("rate too high") << QByteArray("1") << QByteArray("12000001") << true << 0;
        QTest::newRow("highest rate") << QByteArray("1") << QByteArray("12000000") << true << 12000000;
    }
    void values()
    {
        QFETCH(QByteArray, reconnectValue);
        QFETCH(QByteArray, rateValue);
        QFETCH(bool, reconnect);
        QFETCH(int, rate);
        QVERIFY(writeFile(settingsFile(), "[SETTINGS]\r\nBaudrate=4\r\n[connection]\r\nreconnect=" + reconnectValue
                                              + "\r\nBAUDRATECUSTOM=" + rateValue + "\r\n"));
        prc_MainLoadSettings(dir.path(), presets);
        QCOMPARE(g_blnReconnect, reconnect);
        QCOMPARE(g_lngBaudrateCustom, rate);
        QCOMPARE(effectiveBaudRateText(), rate != 0 ? QString::number(rate) : QStringLiteral("4800"));
    }
};

QTEST_GUILESS_MAIN(TestConnectionSettings)
#include "tst_connectionsettings.moc"
