// The capture in the program: the File menu's entries and their save dialog, the status
// panel, one message for a failure with the terminal going on, the automatic capture from
// Settings.ini, the settings dialog's capture tab, and the section's keys in the file. Fake
// port, fake time, scripted dialogs; both languages.
#include "CaptureActions.h"
#include "CaptureControl.h"
#include "CaptureSettings.h"
#include "CaptureStatusPanel.h"
#include "CaptureTab.h"
#include "FakeAppendFiles.h"
#include "MainProgram.h"
#include "TerminalSession.h"
#include "TestProgram.h"
#include "TrafficCapture.h"
#include "frmMain.h"
#include "frmSettings.h"
#include "modGlobal.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

namespace {

const QByteArray kStandardSettings = "[SETTINGS]\r\nComPort=0\r\nBaudrate=6\r\nPeculiar=0\r\nLanguage=%1\r\n";

QByteArray settings(int language, const QByteArray &more = {})
{
    return QByteArray(kStandardSettings).replace("%1", QByteArray::number(language)) + more;
}

struct Texts {
    QString start, stop, title, idle, capturing, stopped, action, full, tab;
};

Texts texts(int language)
{
    if (language == 0)
        return {QStringLiteral("Mitschnitt starten..."), QStringLiteral("Mitschnitt beenden"),
                QStringLiteral("Mitschnitt starten"), QStringLiteral("Kein Mitschnitt"),
                QStringLiteral("Mitschnitt: %1"), QStringLiteral("Mitschnitt abgebrochen: %1"),
                QStringLiteral("Mitschnitt schreiben"), QStringLiteral("der Datenträger ist voll"),
                QStringLiteral("Mitschnitt")};
    return {QStringLiteral("Start capture..."), QStringLiteral("Stop capture"), QStringLiteral("Start capture"),
            QStringLiteral("No capture"), QStringLiteral("Capturing to %1"), QStringLiteral("Capture stopped: %1"),
            QStringLiteral("Write capture"), QStringLiteral("the disk is full"), QStringLiteral("Capture")};
}

} // namespace

class TestCaptureProgram : public QObject {
    Q_OBJECT
    std::unique_ptr<TestProgram> p;

    frmMain &form() { return p->form(); }
    CaptureControl &control() { return p->program().captureControl(); }
    QString panel() { return form().stbCapture->text(); }

    void startProgram(int language, const QByteArray &more = {})
    {
        p->useFakePort();
        p->useFakeTime();
        QVERIFY(p->start({}, settings(language, more)));
    }
    // The device answers; the poll reads it after its quiet pause, the batch follows.
    void receive(const QByteArray &bytes)
    {
        p->fakePort()->arrive(bytes);
        p->timers()->advance(40 + TrafficCapture::kFlushMs);
        control().capture().waitForWrites();
        // The writer's notice of a failure, then the report it queues in turn.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();
    }

private slots:
    void init() { p = std::make_unique<TestProgram>(); }
    void cleanup() { p.reset(); }

    void languages_data()
    {
        QTest::addColumn<int>("language");
        QTest::newRow("German") << 0;
        QTest::newRow("English") << 1;
    }

    void menuStartsAndStopsACaptureInTheFolderUsedLast_data() { languages_data(); }
    void menuStartsAndStopsACaptureInTheFolderUsedLast()
    {
        QFETCH(int, language);
        const Texts t = texts(language);
        startProgram(language);
        QCOMPARE(form().mnuFileCaptureStart->text(), t.start);
        QCOMPARE(form().mnuFileCaptureStop->text(), t.stop);
        // Above the separator, below the command files' entries.
        const QList<QAction *> entries = form().mnuFile->actions();
        QCOMPARE(entries.indexOf(form().mnuFileCaptureStart), entries.indexOf(form().mnuSpace1) - 2);
        QCOMPARE(entries.indexOf(form().mnuFileCaptureStop), entries.indexOf(form().mnuSpace1) - 1);
        QVERIFY(!form().mnuFileCaptureStop->isEnabled());
        QCOMPARE(panel(), t.idle);

        // Cancelling the dialog starts nothing.
        form().mnuFileCaptureStart->trigger();
        QCOMPARE(p->dialogs().count(QStringLiteral("save")), 1);
        const ScriptedDialogs::Shown &shown = p->dialogs().shown.last();
        QCOMPARE(shown.file.proposedName, QStringLiteral("Tellurix-20261207-140327.log"));
        QCOMPARE(shown.file.title, t.title);
        QCOMPARE(shown.file.initialFolder, p->folder());
        QVERIFY(shown.file.filter.endsWith(QStringLiteral("|*.log")));
        QVERIFY(!control().capture().isActive());

        QVERIFY(QDir(p->folder()).mkdir(QStringLiteral("logs")));
        const QString log = p->filePath(QStringLiteral("logs/run.log"));
        p->dialogs().fileAnswer = log;
        p->timers()->advance(2000);
        form().mnuFileCaptureStart->trigger();
        QVERIFY(control().capture().isActive());
        QVERIFY(!form().mnuFileCaptureStart->isEnabled());
        QVERIFY(form().mnuFileCaptureStop->isEnabled());
        QCOMPARE(panel(), t.capturing.arg(QStringLiteral("run.log")));

        p->session().SendText(QStringLiteral("AT<CR>"));
        receive("OK\r\n");
        form().mnuFileCaptureStop->trigger();
        QVERIFY(!control().capture().isActive());
        QCOMPARE(panel(), t.idle);
        const QStringList lines = QString::fromUtf8(::readFile(log)).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines.at(0), QStringLiteral("# Tellurix, COM1, 19200 baud, started 2026-12-07 14:03:29 UTC"));
        QCOMPARE(lines.at(1), p->lines().at(0).left(21) + QStringLiteral("AT<CR>")); // the list shows a raw CR
        QCOMPARE(lines.at(2), p->lines().at(1).left(21) + QStringLiteral("OK<CR><LF>"));
        QCOMPARE(lines.at(3), QString());
        QVERIFY(!QFile::exists(p->filePath(QStringLiteral("logs/run.bin")))); // Raw is off

        // The next start proposes the folder used last and a name of its own moment.
        p->dialogs().fileAnswer.reset();
        p->timers()->advance(60'000);
        form().mnuFileCaptureStart->trigger();
        QCOMPARE(p->dialogs().shown.last().file.initialFolder, p->filePath(QStringLiteral("logs")));
        QCOMPARE(p->dialogs().shown.last().file.proposedName, QStringLiteral("Tellurix-20261207-140429.log"));
    }

    void aFailureShowsOneMessageAndTheTerminalGoesOn_data() { languages_data(); }
    void aFailureShowsOneMessageAndTheTerminalGoesOn()
    {
        QFETCH(int, language);
        const Texts t = texts(language);
        FakeAppendFiles files;
        startProgram(language);
        const QString log = p->filePath(QStringLiteral("full.log"));
        p->dialogs().fileAnswer = log;
        form().mnuFileCaptureStart->trigger();
        receive("first");
        const QByteArray written = files.files[log].content();
        files.files[log].failWritesWith = ENOSPC;
        receive("second");
        receive("third");
        QCOMPARE(p->dialogs().count(QStringLiteral("message")), 1);
        const QString message = p->dialogs().shown.last().text;
        QVERIFY2(message.contains(t.action) && message.contains(t.full) && message.contains(log), qPrintable(message));
        QVERIFY(message.contains(QString::number(platform::kAppendFailureBase + ENOSPC)));
        QCOMPARE(panel(), t.stopped.arg(QStringLiteral("full.log")));
        QVERIFY(form().mnuFileCaptureStart->isEnabled());
        QVERIFY(!form().mnuFileCaptureStop->isEnabled());
        QCOMPARE(files.files[log].content(), written);
        // The terminal goes on.
        p->session().SendText(QStringLiteral("go on"));
        QCOMPARE(p->fakePort()->written, QByteArray("go on"));
        QCOMPARE(p->traffic().count(), 4);
        // The panel says it again in the other language.
        g_bytLanguage = quint8(1 - language);
        form().ApplyLanguage();
        QCOMPARE(panel(), texts(1 - language).stopped.arg(QStringLiteral("full.log")));
    }

    void closingWritesThePendingLinesAndShowsNoBox()
    {
        FakeAppendFiles files;
        startProgram(0);
        const QString log = p->filePath(QStringLiteral("exit.log"));
        p->dialogs().fileAnswer = log;
        form().mnuFileCaptureStart->trigger();
        p->session().SendText(QStringLiteral("last"));
        form().close();
        QVERIFY(files.files[log].content().endsWith("  [OUT]  last\n"));
        // A last write that fails at the exit: nothing holds the exit up.
        p->stop();
        files.files.clear();
        startProgram(0);
        p->dialogs().fileAnswer = log;
        form().mnuFileCaptureStart->trigger();
        p->session().SendText(QStringLiteral("lost"));
        files.files[log].failWritesWith = EIO;
        form().close();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(p->dialogs().count(QStringLiteral("message")), 0);
    }

    void aCaptureThatCannotStartSaysSo()
    {
        FakeAppendFiles files;
        files.refuseOpenWith = EACCES;
        startProgram(1);
        p->dialogs().fileAnswer = p->filePath(QStringLiteral("no.log"));
        form().mnuFileCaptureStart->trigger();
        QCOMPARE(p->dialogs().count(QStringLiteral("message")), 1);
        QVERIFY(p->dialogs().shown.last().text.contains(QStringLiteral("Start capture")));
        QCOMPARE(panel(), QStringLiteral("Capture stopped: no.log"));
        QVERIFY(form().mnuFileCaptureStart->isEnabled());
    }

    void rawFileBesideTheLog_data()
    {
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("raw");
        QTest::newRow("a .log") << "/c/Tellurix-1.log" << "/c/Tellurix-1.bin";
        QTest::newRow("no suffix") << "/c/capture" << "/c/capture.bin";
        QTest::newRow("two dots") << "/c/a.b.txt" << "/c/a.b.bin";
        QTest::newRow("a log named .bin") << "/c/a.bin" << "/c/a.bin.bin";
        QTest::newRow("in capitals") << "/c/a.BIN" << "/c/a.BIN.bin";
    }
    void rawFileBesideTheLog()
    {
        QFETCH(QString, log);
        QFETCH(QString, raw);
        QCOMPARE(rawCapturePath(log), raw);
    }

    void automaticCaptureRunsFromStartToExit()
    {
        // A relative folder lies beside Settings.ini and is made when missing.
        startProgram(0, "[CAPTURE]\r\nFolder=auto/captures\r\nRaw=1\r\n");
        const QString base = p->filePath(QStringLiteral("auto/captures/Tellurix-20261207-140327"));
        QVERIFY(control().capture().isActive());
        QCOMPARE(control().capture().logPath(), base + QStringLiteral(".log"));
        QCOMPARE(panel(), QStringLiteral("Mitschnitt: Tellurix-20261207-140327.log"));
        receive(QByteArray("\x00\xff", 2));
        p->session().SendText(QStringLiteral("x"));
        form().close(); // the unload writes what is pending and the settings
        const QByteArray log = ::readFile(base + QStringLiteral(".log"));
        QVERIFY(log.startsWith("# Tellurix, COM1, 19200 baud, started 2026-12-07 14:03:27 UTC\n"));
        QVERIFY(log.endsWith("  [IN]   <NUL>\xC3\xBF\n14:03:27.290  [OUT]  x\n"));
        QCOMPARE(::readFile(base + QStringLiteral(".bin")), QByteArray("\x00\xff", 2));
        // Both sections as they were.
        QCOMPARE(p->readFile(QStringLiteral("Settings.ini")), settings(0, "[CAPTURE]\r\nFolder=auto/captures\r\nRaw=1\r\n"));
    }

    void theCommandLineCaptureTakesThePlaceOfTheAutomaticOne()
    {
        // A log with its raw file named apart, whatever Raw says; the folder stays empty.
        QTemporaryDir files;
        const QString log = files.filePath(QStringLiteral("bench.log"));
        const QString raw = files.filePath(QStringLiteral("bytes.dat"));
        p->setStartupCapture(log, raw);
        startProgram(1, "[CAPTURE]\r\nFolder=auto\r\nRaw=0\r\n");
        QCOMPARE(panel(), QStringLiteral("Capturing to bench.log"));
        receive(QByteArray("\x00\xff", 2));
        form().close();
        QVERIFY(::readFile(log).endsWith("  [IN]   <NUL>\xC3\xBF\n"));
        QCOMPARE(::readFile(raw), QByteArray("\x00\xff", 2));
        QVERIFY(!QFileInfo::exists(p->filePath(QStringLiteral("auto"))));
    }

    void theCommandLineMayAskForTheRawBytesAlone()
    {
        QTemporaryDir files;
        const QString raw = files.filePath(QStringLiteral("capture.log")); // any name will do
        p->setStartupCapture(QString(), raw);
        startProgram(0);
        QCOMPARE(panel(), QStringLiteral("Mitschnitt: capture.log"));
        p->session().SendText(QStringLiteral("AT"));
        receive("OK\r\n");
        // Stopped from the menu like any capture.
        QVERIFY(form().mnuFileCaptureStop->isEnabled());
        form().mnuFileCaptureStop->trigger();
        QCOMPARE(::readFile(raw), QByteArray("OK\r\n"));
        QCOMPARE(folderEntries(files.path()), QStringList{QStringLiteral("capture.log")});
    }

    void settingsFileKeepsItsLinesWithoutACapture()
    {
        startProgram(0, "; a comment\r\n[OTHER]\r\nKey=Value\r\n");
        QVERIFY(!control().capture().isActive());
        p->program().saveSettings();
        QCOMPARE(p->readFile(QStringLiteral("Settings.ini")), settings(0, "; a comment\r\n[OTHER]\r\nKey=Value\r\n"));
    }

    void settingsDialogSetsFolderAndRaw_data() { languages_data(); }
    void settingsDialogSetsFolderAndRaw()
    {
        QFETCH(int, language);
        startProgram(language);
        form().mnuEditSettings->trigger();
        QPointer<frmSettings> dialog = form().findChild<frmSettings *>();
        QVERIFY(dialog);
        CaptureTab &tab = *dialog->captureTab;
        QCOMPARE(dialog->SSTab1->count(), 4);
        QCOMPARE(dialog->SSTab1->tabText(CaptureTab::kTabIndex), texts(language).tab);
        // The four tabs fit the design's width with their captions whole, and so do the tab's
        // captions.
        const QTabBar *bar = dialog->SSTab1->tabBar();
        QVERIFY2(bar->sizeHint().width() <= dialog->SSTab1->width(), qPrintable(QString::number(bar->sizeHint().width())));
        QVERIFY(tab.chkCaptureRaw->sizeHint().width() <= tab.chkCaptureRaw->width());
        QVERIFY(tab.labCaptureFolder->heightForWidth(tab.labCaptureFolder->width()) <= tab.labCaptureFolder->height());
        QCOMPARE(tab.txtCaptureFolder->text(), QString());
        QVERIFY(!tab.chkCaptureRaw->isChecked());
        // Only its own tab shows the capture's frame, and the other frames stay away from it.
        QVERIFY(!tab.fraCapture->isVisibleTo(dialog));
        dialog->SSTab1->setCurrentIndex(CaptureTab::kTabIndex);
        QVERIFY(tab.fraCapture->isVisibleTo(dialog));
        QVERIFY(!dialog->fraInterface->isVisibleTo(dialog) && !dialog->fraPresentation->isVisibleTo(dialog));

        const QString chosen = p->filePath(QStringLiteral("chosen"));
        p->dialogs().folderAnswer = chosen;
        tab.cmdCaptureFolder->click();
        QCOMPARE(p->dialogs().count(QStringLiteral("folder")), 1);
        QCOMPARE(tab.txtCaptureFolder->text(), chosen);
        tab.chkCaptureRaw->setChecked(true);
        dialog->cmdOk->click();
        QCOMPARE(g_strCaptureFolder, chosen);
        QCOMPARE(g_bytCaptureRaw, quint8(1));
        // Not before the exit.
        QCOMPARE(p->readFile(QStringLiteral("Settings.ini")), settings(language));
        p->program().saveSettings();
        QCOMPARE(p->readFile(QStringLiteral("Settings.ini")),
                 settings(language, "[CAPTURE]\r\nFolder=" + chosen.toUtf8() + "\r\nRaw=1\r\n"));
    }

    void settingsDialogCancelChangesNothing()
    {
        startProgram(0, "[CAPTURE]\r\nFolder=/somewhere\r\nRaw=1\r\n");
        control().stop();
        form().mnuEditSettings->trigger();
        QPointer<frmSettings> dialog = form().findChild<frmSettings *>();
        QVERIFY(dialog);
        QCOMPARE(dialog->captureTab->txtCaptureFolder->text(), QStringLiteral("/somewhere"));
        QVERIFY(dialog->captureTab->chkCaptureRaw->isChecked());
        dialog->captureTab->txtCaptureFolder->setText(QStringLiteral("/elsewhere"));
        dialog->captureTab->chkCaptureRaw->setChecked(false);
        dialog->cmdCancel->click();
        QCOMPARE(g_strCaptureFolder, QStringLiteral("/somewhere"));
        QCOMPARE(g_bytCaptureRaw, quint8(1));
    }
};

QTEST_MAIN(TestCaptureProgram)
#include "tst_captureprogram.moc"
