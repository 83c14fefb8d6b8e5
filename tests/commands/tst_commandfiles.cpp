// Command configuration files through the File menu: the file dialog's settings, cancel,
// what comes back from a file, and what a save leaves in place.
#include "CommandFileDialogs.h"
#include "CommandFiles.h"
#include "CommandSlots.h"
#include "Dialogs.h"
#include "MainProgram.h"
#include "TerminalSession.h"
#include "TestProgram.h"
#include "TrafficLine.h"
#include "TrafficListModel.h"
#include "frmMain.h"
#include "modGlobal.h"

#include <QtTest>

#include <QAction>
#include <QLineEdit>

class TestCommandFiles : public QObject {
    Q_OBJECT

private slots:
    void loadDialogIsSetUpAnewAndRefreshesToolTips_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("filter");
        QTest::newRow("German") << 0 << QStringLiteral("Befehls-Konfigurationsdatei laden...")
                                << QStringLiteral("Befehls-Konfigurationsdateien (*.icf)|*.icf");
        QTest::newRow("English") << 1 << QStringLiteral("Load command configuration file...")
                                 << QStringLiteral("Command configuration files (*.icf)|*.icf");
    }
    void loadDialogIsSetUpAnewAndRefreshesToolTips()
    {
        QFETCH(int, language);
        QFETCH(QString, title);
        QFETCH(QString, filter);
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start({}, QStringLiteral("[SETTINGS]\r\nLanguage=%1\r\n").arg(language).toLatin1()));
        QVERIFY(p.writeFile(QStringLiteral("mine.icf"), "[settings]\r\nparam3=AT\r\n"));
        p.form().txtBefehl[0]->setText(QStringLiteral("OLD"));
        p.dialogs().fileAnswer = p.filePath(QStringLiteral("mine.icf"));
        p.form().mnuFileLoadConfig->trigger();
        QCOMPARE(p.dialogs().count(QStringLiteral("open")), 1);
        const platform::FileDialogOptions &o = p.dialogs().shown.last().file;
        QCOMPARE(o.initialFolder, p.folder());
        QCOMPARE(o.proposedName, QStringLiteral("UserDefinedCommands.icf"));
        QCOMPARE(o.filter, filter);
        QCOMPARE(o.defaultSuffix, QStringLiteral(".icf"));
        QCOMPARE(o.title, title);
        QVERIFY(o.fileMustExist);
        QCOMPARE(p.form().txtBefehl[2]->text(), QStringLiteral("AT"));
        QCOMPARE(p.form().txtBefehl[2]->toolTip(), QStringLiteral("AT"));
        QCOMPARE(p.form().txtBefehl[0]->text(), QString()); // missing keys empty their slot
        QCOMPARE(p.form().txtBefehl[0]->toolTip(), QString());
    }

    void cancelChangesNothing()
    {
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start("[SETTINGS]\r\nParam1=KEEP\r\n"));
        p.dialogs().fileAnswer.reset();
        p.form().mnuFileLoadConfig->trigger();
        p.form().mnuFileSaveConfig->trigger();
        QCOMPARE(p.dialogs().count(QStringLiteral("open")), 1);
        QCOMPARE(p.dialogs().count(QStringLiteral("save")), 1);
        QCOMPARE(p.dialogs().count(QStringLiteral("message")), 0);
        QCOMPARE(p.form().txtBefehl[0]->text(), QStringLiteral("KEEP"));
        QCOMPARE(p.form().txtBefehl[0]->toolTip(), QStringLiteral("KEEP"));
        QVERIFY(!QFile::exists(p.filePath(QStringLiteral("UserDefinedCommands.icf"))));
    }

    void saveDialogAsksBeforeOverwriting()
    {
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start());
        p.dialogs().fileAnswer = p.filePath(QStringLiteral("set.icf"));
        p.form().mnuFileSaveConfig->trigger();
        const platform::FileDialogOptions &o = p.dialogs().shown.last().file;
        QCOMPARE(o.title, QStringLiteral("Befehls-Konfigurationsdatei speichern..."));
        QVERIFY(o.confirmOverwrite);
        QVERIFY(!o.fileMustExist);
        QCOMPARE(o.proposedName, QStringLiteral("UserDefinedCommands.icf"));
    }

    void valuesComeBackAsTheFormatKeepsThem_data()
    {
        QTest::addColumn<QString>("slotText");
        QTest::addColumn<QString>("loaded");
        QTest::newRow("tokens stay text") << QStringLiteral("<STX>ABC<CR><LF>") << QStringLiteral("<STX>ABC<CR><LF>");
        QTest::newRow("300 characters give 254") << QString(300, QLatin1Char('x')) << QString(254, QLatin1Char('x'));
        QTest::newRow("blanks around are lost") << QStringLiteral("  AT  ") << QStringLiteral("AT");
        QTest::newRow("outer quotes are lost") << QStringLiteral("\"quoted\"") << QStringLiteral("quoted");
        QTest::newRow("blanks alone") << QStringLiteral("    ") << QString();
        QTest::newRow("umlauts") << QStringLiteral("Grüße") << QStringLiteral("Grüße");
    }
    void valuesComeBackAsTheFormatKeepsThem()
    {
        QFETCH(QString, slotText);
        QFETCH(QString, loaded);
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start());
        const QString path = p.filePath(QStringLiteral("round.icf"));
        p.form().txtBefehl[4]->setText(slotText);
        saveCommandFileFromMenu(p.form(), p.program().session(), path, p.folder());
        p.form().txtBefehl[4]->clear();
        loadCommandFileFromMenu(p.form(), p.program().session(), path, p.folder());
        QCOMPARE(p.form().txtBefehl[4]->text(), loaded);
    }

    void savingOverAFileKeepsItsOtherLines()
    {
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start("[SETTINGS]\r\nParam1=ONE\r\n"));
        QVERIFY(p.writeFile(QStringLiteral("old.icf"), "; my presets\r\n[SETTINGS]\r\nParam2=OLD\r\nNote=keep\r\n\r\n[Extra]\r\nA=1\r\n"));
        p.form().txtBefehl[1]->setText(QStringLiteral("NEW"));
        p.dialogs().fileAnswer = p.filePath(QStringLiteral("old.icf"));
        p.form().mnuFileSaveConfig->trigger();
        QCOMPARE(p.readFile(QStringLiteral("old.icf")),
                 QByteArray("; my presets\r\n[SETTINGS]\r\nParam2=NEW\r\nNote=keep\r\nParam1=ONE\r\n"
                            "Param3=\r\nParam4=\r\nParam5=\r\nParam6=\r\nParam7=\r\nParam8=\r\n\r\n[Extra]\r\nA=1\r\n"));
    }

    void savingIntoTheSettingsFileAddsThePresetsBesideTheSettings()
    {
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start("[SETTINGS]\r\nParam1=ONE\r\n", "[SETTINGS]\r\nComPort=0\r\nLanguage=1\r\n"));
        p.dialogs().fileAnswer = p.filePath(QStringLiteral("Settings.ini"));
        p.form().mnuFileSaveConfig->trigger();
        QCOMPARE(p.readFile(QStringLiteral("Settings.ini")),
                 QByteArray("[SETTINGS]\r\nComPort=0\r\nLanguage=1\r\nParam1=ONE\r\nParam2=\r\nParam3=\r\n"
                            "Param4=\r\nParam5=\r\nParam6=\r\nParam7=\r\nParam8=\r\n"));
    }

    void dialogFilterBecomesQtsForm()
    {
        QCOMPARE(platform::qtFileFilter(QStringLiteral("Befehls-Konfigurationsdateien (*.icf)|*.icf")),
                 QStringLiteral("Befehls-Konfigurationsdateien (*.icf)"));
        QCOMPARE(platform::qtFileFilter(QStringLiteral("Text|*.txt;*.log|All|*.*")),
                 QStringLiteral("Text (*.txt *.log);;All (*.*)"));
    }
};

QTEST_MAIN(TestCommandFiles)
#include "tst_commandfiles.moc"
