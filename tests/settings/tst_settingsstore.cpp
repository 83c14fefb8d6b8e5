#include "TestFiles.h"
#include "SettingsStore.h"
#include "modGlobal.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void resetRecord()
{
    g_bytComPort = 9;
    g_bytBaudrate = 9;
    g_bytPeculiar = 9;
    g_bytLanguage = 9;
}

} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
    CommandSet presets;
    QTemporaryDir dir;

private slots:
    void init()
    {
        QVERIFY(dir.isValid());
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        presets = CommandSet();
        resetRecord();
    }

    void firstRunGivesZerosAndWritesBothFiles()
    {
        prc_MainLoadSettings(dir.path(), presets);
        QCOMPARE(g_bytComPort, quint8(0));
        QCOMPARE(g_bytBaudrate, quint8(0));
        QCOMPARE(g_bytPeculiar, quint8(0));
        QCOMPARE(g_bytLanguage, quint8(0));
        for (const QString &t : presets.texts)
            QCOMPARE(t, QString());

        prc_MainSaveSettings(dir.path(), presets);
        QCOMPARE(readFile(dir.filePath("Settings.ini")),
                 QByteArray("[SETTINGS]\r\nComPort=0\r\nBaudrate=0\r\nPeculiar=0\r\nLanguage=0\r\n"));
        QCOMPARE(readFile(dir.filePath("DefaultCommands.icf")),
                 QByteArray("[SETTINGS]\r\nParam1=\r\nParam2=\r\nParam3=\r\nParam4=\r\n"
                            "Param5=\r\nParam6=\r\nParam7=\r\nParam8=\r\n"));
    }

    void languageAloneLeavesTheRestZero()
    {
        QVERIFY(writeFile(dir.filePath("Settings.ini"), "[SETTINGS]\r\nLanguage=1\r\n"));
        prc_MainLoadSettings(dir.path(), presets);
        QCOMPARE(g_bytLanguage, quint8(1));
        QCOMPARE(g_bytComPort, quint8(0));
        QCOMPARE(g_bytBaudrate, quint8(0));
        QCOMPARE(g_bytPeculiar, quint8(0));
    }

    void otherLinesSurviveASaveAndKeysKeepTheirPlace()
    {
        QVERIFY(writeFile(dir.filePath("Settings.ini"), readFile(QStringLiteral(TEST_DATA_DIR "/extra_keys.ini"))));
        prc_MainLoadSettings(dir.path(), presets);
        QCOMPARE(g_bytComPort, quint8(3)); // 'comport = 3': other case, blanks around '='
        QCOMPARE(g_bytLanguage, quint8(1));
        prc_MainSaveSettings(dir.path(), presets);
        QCOMPARE(readFile(dir.filePath("Settings.ini")),
                 readFile(QStringLiteral(TEST_DATA_DIR "/extra_keys.ref")));
    }

    void badValuesGiveZeroForThatKeyOnly_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("empty") << QByteArray("") << 0;
        QTest::newRow("letters") << QByteArray("abc") << 0;
        QTest::newRow("negative") << QByteArray("-1") << 0;
        QTest::newRow("too large") << QByteArray("300") << 0;
        QTest::newRow("trailing junk") << QByteArray("5x") << 0;
        QTest::newRow("blanks kept out") << QByteArray("  7  ") << 7;
        QTest::newRow("largest") << QByteArray("255") << 255;
        QTest::newRow("leading zeros") << QByteArray("007") << 7;
        QTest::newRow("plus sign") << QByteArray("+4") << 0;
        QTest::newRow("out of dialog range kept") << QByteArray("20") << 20;
    }
    void badValuesGiveZeroForThatKeyOnly()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, expected);
        QVERIFY(writeFile(dir.filePath("Settings.ini"),
                  "[SETTINGS]\r\nComPort=2\r\nBaudrate=" + value + "\r\nPeculiar=1\r\nLanguage=1\r\n"));
        QVERIFY(writeFile(dir.filePath("DefaultCommands.icf"), "[SETTINGS]\r\nParam4=AT<CR>\r\n"));
        prc_MainLoadSettings(dir.path(), presets);
        QCOMPARE(int(g_bytBaudrate), expected);
        QCOMPARE(g_bytComPort, quint8(2));
        QCOMPARE(g_bytPeculiar, quint8(1));
        QCOMPARE(g_bytLanguage, quint8(1));
        QCOMPARE(presets.texts[3], QStringLiteral("AT<CR>"));
    }

    void savedValuesArePlainDecimal()
    {
        g_bytComPort = 255;
        g_bytBaudrate = 10;
        g_bytPeculiar = 1;
        g_bytLanguage = 0;
        presets.texts[0] = QStringLiteral("<STX>ABC");
        prc_MainSaveSettings(dir.path(), presets);
        QCOMPARE(readFile(dir.filePath("Settings.ini")),
                 QByteArray("[SETTINGS]\r\nComPort=255\r\nBaudrate=10\r\nPeculiar=1\r\nLanguage=0\r\n"));
        resetRecord();
        presets.texts[0].clear();
        prc_MainLoadSettings(dir.path(), presets);
        QCOMPARE(g_bytComPort, quint8(255));
        QCOMPARE(g_bytBaudrate, quint8(10));
        QCOMPARE(presets.texts[0], QStringLiteral("<STX>ABC"));
    }

    void brokenFilesStartWithDefaults_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe[SET\x00TINGS]\x01\x02", 12);
        QByteArray longLine(100000, 'x');
        QTest::newRow("100000-character line") << QByteArray("[SETTINGS]\r\nComPort=" + longLine + "\r\n");
        QTest::newRow("no sections") << QByteArray("ComPort=3\r\nLanguage=1\r\n");
        QByteArray huge;
        huge.reserve(10 * 1024 * 1024);
        while (huge.size() < 10 * 1024 * 1024)
            huge += "[Section]\r\nKey=Value with some text in it\r\n";
        QTest::newRow("10 MB without the section") << huge;
    }
    void brokenFilesStartWithDefaults()
    {
        QFETCH(QByteArray, content);
        QVERIFY(writeFile(dir.filePath("Settings.ini"), content));
        QVERIFY(writeFile(dir.filePath("DefaultCommands.icf"), content));
        prc_MainLoadSettings(dir.path(), presets);
        QCOMPARE(g_bytComPort, quint8(0));
        QCOMPARE(g_bytLanguage, quint8(0));
        for (const QString &t : presets.texts)
            QVERIFY(t.size() <= 254);
    }

    void duplicateSectionsAndKeysTakeTheFirst()
    {
        QVERIFY(writeFile(dir.filePath("Settings.ini"),
                  "[SETTINGS]\r\nLanguage=1\r\nLanguage=0\r\n[SETTINGS]\r\nComPort=4\r\n"));
        prc_MainLoadSettings(dir.path(), presets);
        QCOMPARE(g_bytLanguage, quint8(1));
    }

    void unusableFolderStartsWithDefaultsAndSavesNothing()
    {
        // A folder that cannot exist: its parent is a file. Works the same for root.
        QVERIFY(writeFile(dir.filePath("plain-file"), "x"));
        const QString folder = dir.filePath("plain-file/program");
        prc_MainLoadSettings(folder, presets);
        QCOMPARE(g_bytComPort, quint8(0));
        g_bytLanguage = 1;
        presets.texts[0] = QStringLiteral("AT");
        prc_MainSaveSettings(folder, presets);
        QCOMPARE(readFile(dir.filePath("plain-file")), QByteArray("x"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("plain-file")});
    }

    void readOnlyFolderIsNotReportedAndKeepsTheOldFile()
    {
        if (geteuid() == 0)
            QSKIP("root ignores file permissions");
        QVERIFY(writeFile(dir.filePath("Settings.ini"), "[SETTINGS]\r\nComPort=1\r\n"));
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        g_bytComPort = 5;
        prc_MainSaveSettings(dir.path(), presets);
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                              | QFileDevice::ExeOwner);
        QCOMPARE(readFile(dir.filePath("Settings.ini")), QByteArray("[SETTINGS]\r\nComPort=1\r\n"));
        QVERIFY(!QFile::exists(dir.filePath("DefaultCommands.icf")));
    }
};

QTEST_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
