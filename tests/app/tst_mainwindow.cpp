// The main window in-process, offscreen: captions, layout, start-up and shutdown, also from
// outside while a dialog waits.
#include "CloseFromOutside.h"
#include "CommandSlots.h"
#include "Dialogs.h"
#include "MainProgram.h"
#include "TestProgram.h"
#include "frmMain.h"
#include "modGlobal.h"

#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TestMainWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<TestProgram> p; // no port mapped: the window starts in its port-closed state

    frmMain &form() { return p->form(); }

    void start(const QByteArray &settings = {}, const QByteArray &commands = {})
    {
        QVERIFY(p->start(commands, settings));
    }

private slots:
    void init() { p = std::make_unique<TestProgram>(); }
    void cleanup() { p.reset(); }

    void germanCaptions()
    {
        start("[SETTINGS]\r\nLanguage=0\r\n");
        QCOMPARE(form().windowTitle(), QStringLiteral("Tellurix"));
        QCOMPARE(form().mnuFile->title(), QStringLiteral("Datei"));
        QCOMPARE(form().mnuEdit->title(), QStringLiteral("Bearbeiten"));
        QCOMPARE(form().mnuQuestion->title(), QStringLiteral("?"));
        QCOMPARE(form().mnuFileLoadConfig->text(), QStringLiteral("Befehls-Konfigurationsdatei laden..."));
        QCOMPARE(form().mnuEditSettings->text(), QStringLiteral("Voreinstellungen"));
        QCOMPARE(form().labSendText->text(), QStringLiteral("Zu sendende Zeichen:"));
        QCOMPARE(form().cmdInsertSpecialChar->text(), QStringLiteral("Sonderzeichen einfügen..."));
        QCOMPARE(form().cmdDelete->text(), QStringLiteral("Liste löschen"));
        QCOMPARE(form().fraCommands->title(), QStringLiteral("Befehls-Konfiguration"));
        QCOMPARE(form().cmdBefehl[2]->text(), QStringLiteral("Befehl 3 [F3]"));
        QCOMPARE(form().cmdQuit->text(), QStringLiteral("Beenden"));
    }

    void englishCaptions()
    {
        start("[SETTINGS]\r\nLanguage=1\r\n");
        QCOMPARE(form().windowTitle(), QStringLiteral("Tellurix"));
        QCOMPARE(form().mnuFile->title(), QStringLiteral("File"));
        QCOMPARE(form().mnuEdit->title(), QStringLiteral("Edit"));
        QCOMPARE(form().labSendText->text(), QStringLiteral("Characters to send:"));
        QCOMPARE(form().cmdSend->text(), QStringLiteral("Send Characters"));
        QCOMPARE(form().cmdDelete->text(), QStringLiteral("Delete list"));
        QCOMPARE(form().cmdQuit->text(), QStringLiteral("Quit"));
        for (int n = 1; n <= 8; ++n)
            QCOMPARE(form().cmdBefehl[n - 1]->text(), QStringLiteral("Command %1 [F%1]").arg(n));
        QCOMPARE(form().statusText(), QStringLiteral("No interface connection opened!"));
    }

    void portClosedStateAfterAFailedStart()
    {
        start();
        QCOMPARE(form().statusText(), QStringLiteral("Keine Schnittstelle geöffnet!"));
        QCOMPARE(p->dialogs().count(QStringLiteral("message")), 1);
        QVERIFY(p->dialogs().shown.first().text.startsWith(
            QStringLiteral("Es ist ein Fehler bei folgender Aktion aufgetreten: Schnittstelle öffnen.\r\n")));
        QCOMPARE(p->dialogs().shown.first().icon, platform::MessageIcon::Critical);
        QVERIFY(!form().txtSend->isEnabled());
        QVERIFY(!form().lstSendReceive->isEnabled());
        QVERIFY(!form().cmdInsertSpecialChar->isEnabled());
        QVERIFY(!form().cmdSend->isEnabled());
        QVERIFY(!form().cmdDelete->isEnabled());
        for (int i = 0; i < 8; ++i) {
            QVERIFY(!form().cmdBefehl[i]->isEnabled());
            QVERIFY(form().txtBefehl[i]->isEnabled());
        }
        QVERIFY(form().cmdQuit->isEnabled());
        QCOMPARE(form().txtSend->palette().color(QPalette::Base),
                 form().cmdDelete->palette().color(QPalette::Button));
    }

    void sendFieldEmptyAndToolTipsArePresets()
    {
        const QString longPreset = QStringLiteral("*IDN?<LF>") + QString(200, QLatin1Char('x'));
        start({}, "[SETTINGS]\r\nParam1=" + longPreset.toLatin1() + "\r\nParam8=AT<CR>\r\n");
        QCOMPARE(form().txtSend->text(), QString());
        QCOMPARE(form().txtBefehl[0]->toolTip(), longPreset);
        QCOMPARE(form().txtBefehl[7]->toolTip(), QStringLiteral("AT<CR>"));
        QCOMPARE(form().txtBefehl[3]->toolTip(), QString());
    }

    void escapeClosesAndSaves()
    {
        start("[SETTINGS]\r\nBaudrate=6\r\n", "[SETTINGS]\r\nParam2=AT\r\n");
        form().txtBefehl[4]->setText(QStringLiteral("<STX>X<ETX>"));
        form().txtBefehl[4]->setFocus();
        QTest::keyClick(form().txtBefehl[4], Qt::Key_Escape);
        QTRY_VERIFY(!form().isVisible());
        QCOMPARE(readFile(p->filePath("Settings.ini")),
                 QByteArray("[SETTINGS]\r\nBaudrate=6\r\nComPort=0\r\nPeculiar=0\r\nLanguage=0\r\n"));
        QCOMPARE(readFile(p->filePath("DefaultCommands.icf")),
                 QByteArray("[SETTINGS]\r\nParam2=AT\r\nParam1=\r\nParam3=\r\nParam4=\r\n"
                            "Param5=<STX>X<ETX>\r\nParam6=\r\nParam7=\r\nParam8=\r\n"));
    }

    void everyWayOfClosingSavesOnce_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("cmdQuit") << "cmdQuit";
        QTest::newRow("menu") << "menu";
        QTest::newRow("close box") << "close";
    }
    void everyWayOfClosingSavesOnce()
    {
        QFETCH(QString, how);
        start();
        int unloads = 0;
        connect(&form(), &frmMain::unloading, this, [&] { ++unloads; });
        if (how == QLatin1String("cmdQuit"))
            QTest::mouseClick(form().cmdQuit, Qt::LeftButton);
        else if (how == QLatin1String("menu"))
            form().mnuFileQuit->trigger();
        else
            form().close();
        QTRY_VERIFY(!form().isVisible());
        form().close();
        QCOMPARE(unloads, 1);
        QVERIFY(QFile::exists(p->filePath("Settings.ini")));
    }

    // Logout, kill or Ctrl+C while a box waits for an answer: the box goes as if cancelled,
    // the code that asked goes on, and only then does the window close and save.
    void aCloseFromOutsideWaitsForTheDialogItDismisses_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::newRow("message box") << "message";
        QTest::newRow("input box") << "input";
        QTest::newRow("file dialog") << "file";
    }
    void aCloseFromOutsideWaitsForTheDialogItDismisses()
    {
        QFETCH(QString, dialog);
        start();
        int unloads = 0;
        connect(&form(), &frmMain::unloading, this, [&] { ++unloads; });
        CloseFromOutside closing(form());
        platform::setDialogs(nullptr); // the real ones, each waiting in an event loop of its own
        const auto scripted = qScopeGuard([this] { platform::setDialogs(&p->dialogs()); });
        QTimer::singleShot(0, &closing, [&closing] { closing.request(); });
        // Should the request leave the dialog open, the test must still end, and fail.
        bool leftOpen = false;
        QTimer::singleShot(10000, this, [&leftOpen] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                leftOpen = true;
                modal->close();
            }
        });

        std::optional<QString> answer = QStringLiteral("no answer");
        if (dialog == QLatin1String("message")) {
            platform::dialogs().messageBox(&form(), QStringLiteral("Text"), QStringLiteral("Title"),
                                           platform::MessageIcon::Critical);
            answer.reset();
        } else if (dialog == QLatin1String("input")) {
            answer = platform::dialogs().inputBox(&form(), QStringLiteral("Prompt"), QStringLiteral("Title"),
                                                  QStringLiteral("text"));
        } else {
            platform::FileDialogOptions options;
            options.initialFolder = p->filePath(QString());
            answer = platform::dialogs().openFile(&form(), options);
        }
        QVERIFY(!leftOpen);
        QCOMPARE(answer, std::nullopt);
        QCOMPARE(unloads, 0);
        QVERIFY(form().isVisible());
        QTRY_VERIFY(!form().isVisible());
        QCOMPARE(unloads, 1);
        QVERIFY(QFile::exists(p->filePath("Settings.ini")));
    }

    // Nothing waits: the window closes at once, a menu that was open goes first, a repeat
    // changes nothing. A window-modal dialog without a loop of its own is cancelled.
    void aCloseFromOutsideClosesAtOnceWhenNothingWaits()
    {
        start();
        int unloads = 0;
        connect(&form(), &frmMain::unloading, this, [&] { ++unloads; });
        form().mnuEditSettings->trigger();
        auto *settings = form().findChild<QDialog *>();
        QVERIFY(settings && settings->isVisible());
        QMenu menu(&form());
        menu.addAction(QStringLiteral("entry"));
        menu.popup(form().mapToGlobal(QPoint(20, 20)));
        QTRY_VERIFY(menu.isVisible());
        CloseFromOutside closing(form());
        closing.request();
        QVERIFY(!menu.isVisible());
        QCOMPARE(settings->result(), int(QDialog::Rejected));
        QVERIFY(!form().isVisible());
        closing.request();
        QCOMPARE(unloads, 1);
    }

    // The request came while the program was still loading: it closes once the window shows.
    void aCloseFromOutsideBeforeTheWindowShowsWaitsForIt()
    {
        start();
        int unloads = 0;
        connect(&form(), &frmMain::unloading, this, [&] { ++unloads; });
        form().hide();
        CloseFromOutside closing(form());
        closing.request();
        QCoreApplication::processEvents();
        QCOMPARE(unloads, 0);
        form().show();
        QTRY_COMPARE(unloads, 1);
        QVERIFY(!form().isVisible());
    }

    void designGeometry()
    {
        start();
        QCOMPARE(form().outerWidthTwips(), kDesignWidth);
        QCOMPARE(form().outerHeightTwips(), kDesignHeight);
        QCOMPARE(twipsGeometry(form().lstSendReceive), QRect(60, 930, 6915, 6180));
        QCOMPARE(twipsGeometry(form().txtSend), QRect(60, 360, 6915, 285));
        QCOMPARE(twipsGeometry(form().cmdSend), QRect(7080, 300, 3480, 405));
        QCOMPARE(twipsGeometry(form().cmdQuit), QRect(7080, 7170, 3480, 375));
        QCOMPARE(twipsGeometry(form().cmdDelete), QRect(60, 7170, 2400, 315));
        QCOMPARE(twipsGeometry(form().fraCommands), QRect(7080, 840, 3495, 6285));
        QCOMPARE(twipsGeometry(form().cmdInsertSpecialChar), QRect(4560, 30, 2415, 315));
        QCOMPARE(twipsGeometry(form().cmdBefehl[6]), QRect(120, 4770, 3300, 315));
        QCOMPARE(twipsGeometry(form().txtBefehl[7]), QRect(120, 5820, 3300, 315));
        QCOMPARE(twipsGeometry(form().stbStatus), QRect(0, 7605, 10650, 375));
    }

    void largerWindowMovesTheControls()
    {
        start();
        form().resizeTwips(12000, 9510);
        QTRY_COMPARE(form().outerWidthTwips(), 12000);
        QTRY_COMPARE(twipsGeometry(form().lstSendReceive), QRect(60, 930, 8145, 6900));
        QCOMPARE(twipsGeometry(form().txtSend).width(), 8145);
        QCOMPARE(twipsGeometry(form().cmdSend).left(), 8310);
        QCOMPARE(twipsGeometry(form().cmdQuit).topLeft(), QPoint(8310, 7890));
        QCOMPARE(twipsGeometry(form().fraCommands).left(), 8310);
        QCOMPARE(twipsGeometry(form().cmdInsertSpecialChar).left(), 5790);
        QCOMPARE(twipsGeometry(form().cmdDelete).topLeft(), QPoint(60, 7890));
        QCOMPARE(twipsGeometry(form().stbStatus).bottom() + 1, 9510 - kFrameExtraHeight);
    }

    void smallerWindowSnapsBack()
    {
        start();
        form().resizeTwips(12000, 9510);
        QTRY_COMPARE(form().outerWidthTwips(), 12000);
        form().resizeTwips(9000, 6990);
        QTRY_COMPARE(form().outerWidthTwips(), kDesignWidth);
        QTRY_COMPARE(form().outerHeightTwips(), kDesignHeight);
        QTRY_COMPARE(twipsGeometry(form().lstSendReceive), QRect(60, 930, 6915, 6180));
        QCOMPARE(twipsGeometry(form().cmdQuit), QRect(7080, 7170, 3480, 375));
    }

    void onlyTheWidthIsCorrectedWhenOnlyTheWidthIsTooSmall()
    {
        start();
        form().resizeTwips(9000, 9510);
        QTRY_COMPARE(form().outerHeightTwips(), 9510);
        QCOMPARE(form().outerWidthTwips(), kDesignWidth);
        QCOMPARE(twipsGeometry(form().lstSendReceive).height(), 6900);
    }

    void enforceMinimumSizeRules()
    {
        start();
        QCOMPARE(frmMain::EnforceMinimumSize(&form(), 10770, 8790, 2999, 9000), -1);
        QCOMPARE(frmMain::EnforceMinimumSize(&form(), 10770, 8790, 11000, 499), -1);
        QCOMPARE(frmMain::EnforceMinimumSize(&form(), 10770, 8790, 10770, 8790), 1);
        QCOMPARE(frmMain::EnforceMinimumSize(&form(), 10770, 8790, 10000, 8790), -1);
    }

    void minimisingLeavesTheControlsAlone()
    {
        start();
        form().resizeTwips(12000, 9510);
        QTRY_COMPARE(twipsGeometry(form().lstSendReceive).width(), 8145);
        form().showMinimized();
        QTest::qWait(20);
        QCOMPARE(twipsGeometry(form().lstSendReceive).width(), 8145);
        form().showNormal();
        QTRY_COMPARE(twipsGeometry(form().lstSendReceive).width(), 8145);
    }

    void tabOrderFollowsTheDesign()
    {
        start();
        QStringList expected{"txtSend", "cmdInsertSpecialChar", "cmdSend"};
        for (int n = 1; n <= 8; ++n)
            expected << QStringLiteral("txtBefehl%1").arg(n);
        for (int n = 1; n <= 8; ++n)
            expected << QStringLiteral("cmdBefehl%1").arg(n);
        expected << "cmdDelete" << "cmdQuit" << "lstSendReceive";
        QWidget *w = form().txtSend;
        for (qsizetype i = 1; i < expected.size(); ++i) {
            w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus || w->objectName().isEmpty())
                w = w->nextInFocusChain();
            QCOMPARE(w->objectName(), expected.at(i));
        }
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
