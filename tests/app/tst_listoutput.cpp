// Getting lines out of the traffic list (Copy, Copy all, Save list as, the context menu),
// pausing the display, the find bar, the hex display with its setting, and the byte counts
// in the status bar; in both languages. The program runs on a fake port with fake time.
#include "DisplayGlobals.h"
#include "DisplayPause.h"
#include "MainProgram.h"
#include "TerminalSession.h"
#include "TestProgram.h"
#include "TrafficLine.h"
#include "TrafficListModel.h"
#include "TrafficListOutput.h"
#include "TrafficListView.h"
#include "frmFind.h"
#include "frmMain.h"
#include "frmSettings.h"
#include "modGlobal.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

class TstListOutput : public QObject {
    Q_OBJECT
    std::unique_ptr<TestProgram> p;
    FakeSerialPort *port = nullptr;

    frmMain &form() { return p->form(); }
    TrafficListView &list() { return *p->form().lstSendReceive; }
    TrafficListModel &traffic() { return p->traffic(); }
    QString clipboard() const { return QGuiApplication::clipboard()->text(); }

    bool startOnFakes(quint8 peculiar = 0, quint8 language = 0, const QByteArray &display = {})
    {
        port = &p->useFakePort();
        p->useFakeTime();
        p->writeSettings(1, 6, peculiar, language);
        if (!display.isEmpty() && !p->writeFile(QStringLiteral("Settings.ini"),
                                                p->readFile(QStringLiteral("Settings.ini")) + display))
            return false;
        return p->start();
    }
    // The device sends bytes; the poll reads them as one line.
    void receive(const QByteArray &bytes)
    {
        port->arrive(bytes);
        p->timers()->advance(100);
    }
    void addLines(int n)
    {
        for (int i = 0; i < n; ++i)
            p->session().AddTrafficLine(kMarkerIn, QStringLiteral("line %1").arg(traffic().count()));
    }
    frmFind *openFindBar()
    {
        form().mnuEditFind->trigger();
        return form().findChild<frmFind *>(QStringLiteral("frmFind"));
    }

private slots:
    void init()
    {
        p = std::make_unique<TestProgram>();
        QGuiApplication::clipboard()->clear();
    }
    void cleanup()
    {
        p.reset();
        g_bytHexDisplay = 0;
    }

    // --- texts, menus and keys ---

    void entriesInBothLanguages_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        const QList<std::tuple<const char *, const char *, const char *>> rows{
            {"mnuEditCopy", "Kopieren", "Copy"},
            {"mnuEditCopyAll", "Alles kopieren", "Copy all"},
            {"mnuFileSaveList", "Liste speichern unter...", "Save list as..."},
            {"mnuEditPause", "Anzeige anhalten", "Pause display"},
            {"mnuEditFind", "Suchen...", "Find..."},
            {"mnuEditHex", "Hex-Anzeige", "Hex display"},
        };
        for (const auto &[name, german, english] : rows) {
            QTest::addRow("%s de", name) << 0 << name << QString::fromUtf8(german);
            QTest::addRow("%s en", name) << 1 << name << QString::fromUtf8(english);
        }
    }
    void entriesInBothLanguages()
    {
        QFETCH(int, language);
        QFETCH(QString, name);
        QFETCH(QString, text);
        QVERIFY(startOnFakes(0, quint8(language)));
        auto *action = form().findChild<QAction *>(name);
        QVERIFY(action);
        QCOMPARE(action->text(), text);
        // Switching the language at run time renames the entry as well.
        g_bytLanguage = quint8(1 - language);
        form().ApplyLanguage();
        QVERIFY(action->text() != text);
    }

    void entriesSitInTheirMenusWithTheirKeys()
    {
        QVERIFY(startOnFakes());
        const QList<QAction *> file = form().mnuFile->actions();
        QCOMPARE(file.indexOf(form().mnuFileSaveList), file.indexOf(form().mnuFileSaveConfig) + 1);
        QCOMPARE(file.indexOf(form().mnuSpace1), file.indexOf(form().mnuFileSaveList) + 1);
        const QList<QAction *> edit = form().mnuEdit->actions();
        QCOMPARE(edit.first(), form().mnuEditSettings);
        for (QAction *a : {form().mnuEditCopy, form().mnuEditCopyAll, form().mnuEditFind, form().mnuEditPause,
                           form().mnuEditHex})
            QVERIFY2(edit.contains(a), qPrintable(a->objectName()));
        QCOMPARE(form().mnuEditCopy->shortcut(), QKeySequence(QKeySequence::Copy));
        QCOMPARE(form().mnuEditFind->shortcut(), QKeySequence(QKeySequence::Find));
        QCOMPARE(form().mnuEditPause->shortcut(), QKeySequence(Qt::Key_Pause));
        QVERIFY(form().mnuEditPause->isCheckable());
        QVERIFY(!form().mnuEditPause->isChecked());
        QVERIFY(form().mnuEditHex->isCheckable());
        QCOMPARE(list().contextMenuPolicy(), Qt::ActionsContextMenu);
        QCOMPARE(list().actions(),
                 (QList<QAction *>{form().mnuEditCopy, form().mnuEditCopyAll, form().mnuFileSaveList}));
    }

    // --- copy, copy all, save ---

    void ctrlCCopiesTheSelectedLineInCaptureForm_data()
    {
        QTest::addColumn<int>("peculiar");
        QTest::addColumn<bool>("hex");
        QTest::newRow("raw") << 0 << false;
        QTest::newRow("tokens") << 1 << false;
        QTest::newRow("hex") << 0 << true;
    }
    void ctrlCCopiesTheSelectedLineInCaptureForm()
    {
        QFETCH(int, peculiar);
        QFETCH(bool, hex);
        QVERIFY(startOnFakes(quint8(peculiar)));
        if (hex)
            form().mnuEditHex->trigger();
        receive(QByteArray("OK\r\n\0\x1b", 6));
        p->session().SendText(QStringLiteral("AT<CR>"));
        QCOMPARE(traffic().count(), 2);
        list().setFocus();
        list().setCurrentIndex(traffic().index(0));
        QTest::keyClick(&list(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard(), traffic().lineAt(0).left(21) + QStringLiteral("OK<CR><LF><NUL><ESC>"));
        QVERIFY(traffic().lineAt(0).startsWith(QStringLiteral("14:03:27.")));
        list().setCurrentIndex(traffic().index(1));
        QTest::keyClick(&list(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard(), traffic().lineAt(1).left(21) + QStringLiteral("AT<CR>"));
        QCOMPARE(traffic().lineAt(1).mid(12, 9), kMarkerOut);
    }

    void ctrlCInTheSendFieldStillCopiesItsText()
    {
        QVERIFY(startOnFakes());
        receive("OK");
        form().txtSend->setText(QStringLiteral("HELLO"));
        form().txtSend->setFocus();
        form().txtSend->selectAll();
        QTest::keyClick(form().txtSend, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard(), QStringLiteral("HELLO"));
    }

    void copyWithoutSelectionLeavesTheClipboard()
    {
        QVERIFY(startOnFakes());
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        form().mnuEditCopy->trigger();
        QCOMPARE(clipboard(), QStringLiteral("before"));
    }

    void copyAllAndSaveListAreByteExact()
    {
        QVERIFY(startOnFakes());
        receive("OK\r\n");                                  // raw display
        p->session().SendText(QStringLiteral("AT<CR>"));
        g_bytPeculiar = 1;                                  // token display
        receive(QByteArray("\x02" "1\x03\x1b\xfc\x80", 6));
        form().mnuEditHex->trigger();                       // hex display
        receive(QByteArray("A\0\x81", 3));
        p->session().SendText(QStringLiteral("Z<LF>"));
        QCOMPARE(traffic().count(), 5);
        QVERIFY(traffic().lineAt(3).endsWith(QStringLiteral("  [IN]   41 00 81")));
        QVERIFY(traffic().lineAt(4).endsWith(QStringLiteral("  [OUT]  5A 0A")));
        // The display changes nothing that goes out.
        QCOMPARE(port->written, QByteArray("AT\rZ\n"));

        const QByteArray expected = "14:03:27.030  [IN]   OK<CR><LF>\n"
                                    "14:03:27.100  [OUT]  AT<CR>\n"
                                    "14:03:27.130  [IN]   <STX>1<ETX><ESC>\xc3\xbc\xe2\x82\xac\n"
                                    "14:03:27.230  [IN]   A<NUL><x81>\n"
                                    "14:03:27.300  [OUT]  Z<LF>";
        form().mnuEditCopyAll->trigger();
        QCOMPARE(clipboard().toUtf8(), expected);

        const QString path = p->filePath(QStringLiteral("saved.txt"));
        p->dialogs().fileAnswer = path;
        form().mnuFileSaveList->trigger();
        QCOMPARE(p->dialogs().count(QStringLiteral("save")), 1);
        const platform::FileDialogOptions &o = p->dialogs().shown.last().file;
        QCOMPARE(o.title, QStringLiteral("Liste speichern unter..."));
        QCOMPARE(o.filter, QStringLiteral("Textdateien (*.txt)|*.txt|Alle Dateien (*.*)|*.*"));
        QCOMPARE(o.defaultSuffix, QStringLiteral(".txt"));
        QVERIFY(o.confirmOverwrite);
        QCOMPARE(o.initialFolder, p->folder());
        QCOMPARE(p->readFile(QStringLiteral("saved.txt")), expected);
        QCOMPARE(p->dialogs().count(QStringLiteral("message")), 0);
    }

    void cancelledSaveWritesNothing()
    {
        QVERIFY(startOnFakes());
        receive("OK");
        p->dialogs().fileAnswer.reset();
        form().mnuFileSaveList->trigger();
        QCOMPARE(p->dialogs().count(QStringLiteral("save")), 1);
        QCOMPARE(QDir(p->folder()).entryList({QStringLiteral("*.txt")}), QStringList());
    }

    void failedSaveIsReported_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("start");
        QTest::newRow("de") << 0 << QStringLiteral("Die Liste konnte nicht in ");
        QTest::newRow("en") << 1 << QStringLiteral("The list could not be saved to ");
    }
    void failedSaveIsReported()
    {
        QFETCH(int, language);
        QFETCH(QString, start);
        QVERIFY(startOnFakes(0, quint8(language)));
        receive("OK");
        const QString path = p->filePath(QStringLiteral("no-such-folder/saved.txt"));
        p->dialogs().fileAnswer = path;
        form().mnuFileSaveList->trigger();
        QCOMPARE(p->dialogs().count(QStringLiteral("message")), 1);
        const QString text = p->dialogs().shown.last().text;
        QVERIFY2(text.startsWith(start + path), qPrintable(text));
        QCOMPARE(p->dialogs().shown.last().icon, platform::MessageIcon::Critical);
    }

    // --- pause ---

    void appendsWhilePausedLeaveSelectionAndScrollAlone()
    {
        QVERIFY(startOnFakes());
        addLines(60);
        QCOMPARE(list().currentIndex().row(), 59); // not paused: every append selects the last
        QScrollBar *bar = list().verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        list().setFocus();
        list().setCurrentIndex(traffic().index(5));
        bar->setValue(bar->singleStep() * 3);
        const int scrolled = bar->value();

        QTest::keyClick(&list(), Qt::Key_Pause);
        QVERIFY(form().mnuEditPause->isChecked());
        QVERIFY(list().displayPaused());
        QVERIFY(form().stbStatusPause->isVisible());
        addLines(3);
        QCOMPARE(traffic().count(), 63);
        QCOMPARE(list().currentIndex().row(), 5);
        QCOMPARE(list().selectionModel()->selectedRows(), QModelIndexList{traffic().index(5)});
        QCOMPARE(bar->value(), scrolled);
        QCOMPARE(form().stbStatusPause->text(), QStringLiteral("Anzeige angehalten: 3 neue Zeilen"));
        g_bytLanguage = 1;
        form().ApplyLanguage();
        QCOMPARE(form().stbStatusPause->text(), QStringLiteral("Display paused: 3 new lines"));

        QTest::keyClick(&list(), Qt::Key_Pause);
        QVERIFY(!form().mnuEditPause->isChecked());
        QVERIFY(!form().stbStatusPause->isVisible());
        QCOMPARE(list().currentIndex().row(), 62);
        QCOMPARE(bar->value(), bar->maximum());
        addLines(1);
        QCOMPARE(list().currentIndex().row(), 63);
    }

    void pausedListStaysReadableWithoutAPort()
    {
        QVERIFY(startOnFakes());
        addLines(5);
        p->session().closeInterface();
        QVERIFY(!list().isEnabled());
        form().mnuEditPause->trigger();
        QVERIFY(list().isEnabled());
        // A reopening that fails keeps a paused list readable too.
        port->failOpenWith = 8010;
        p->session().prc_MainOpenInterface();
        QVERIFY(list().isEnabled());
        form().mnuEditPause->trigger();
        QVERIFY(!list().isEnabled());
        QCOMPARE(traffic().count(), 5);
    }

    // --- find ---

    void findBarFindsTokensInEveryDisplayMode()
    {
        QVERIFY(startOnFakes());
        receive("A\r");                 // raw
        g_bytPeculiar = 1;
        receive("B\r");                 // tokens
        g_bytPeculiar = 0;
        form().mnuEditHex->trigger();
        receive("C\r");                 // hex
        form().mnuEditHex->trigger();
        receive("D");
        QCOMPARE(traffic().lineAt(2).mid(21), QStringLiteral("43 0D"));
        list().setCurrentIndex(QModelIndex());

        QTest::keyClick(&form(), Qt::Key_F, Qt::ControlModifier);
        frmFind *bar = form().findChild<frmFind *>(QStringLiteral("frmFind"));
        QVERIFY(bar);
        QVERIFY(bar->isVisible());
        bar->txtFind->setText(QStringLiteral("<CR>"));
        for (const int expected : {0, 1, 2, 0}) {
            bar->cmdFindNext->click();
            QCOMPARE(list().currentIndex().row(), expected);
        }
        QVERIFY(form().mnuEditPause->isChecked());
        bar->cmdFindPrevious->click();
        QCOMPARE(list().currentIndex().row(), 2);

        // A line arriving after a hit leaves the hit selected.
        receive("E\r");
        QCOMPARE(list().currentIndex().row(), 2);

        bar->txtFind->setText(QStringLiteral("c<cr>"));
        QVERIFY(bar->find(FindDirection::Forward));
        QCOMPARE(list().currentIndex().row(), 2);
        bar->chkMatchCase->setChecked(true);
        QVERIFY(!bar->find(FindDirection::Forward));
        QCOMPARE(bar->labFindResult->text(), QStringLiteral("\"c<cr>\" wurde nicht gefunden."));
        QCOMPARE(list().currentIndex().row(), 2);
    }

    void findHitIsScrolledIntoView()
    {
        QVERIFY(startOnFakes());
        p->session().AddTrafficLine(kMarkerIn, QStringLiteral("needle"));
        addLines(200);
        frmFind *bar = openFindBar();
        QVERIFY(bar);
        bar->txtFind->setText(QStringLiteral("NEEDLE"));
        QVERIFY(!list().viewport()->rect().intersects(list().visualRect(traffic().index(0))));
        QVERIFY(bar->find(FindDirection::Forward));
        QCOMPARE(list().currentIndex().row(), 0);
        QVERIFY(list().viewport()->rect().contains(list().visualRect(traffic().index(0)).topLeft()));
    }

    void findBarInBothLanguages_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("de") << 0 << QStringList{"Suchen", "Suchen nach:", "Groß-/Kleinschreibung beachten",
                                                "Weitersuchen", "Rückwärts suchen", "Schließen"};
        QTest::newRow("en") << 1 << QStringList{"Find", "Find what:", "Match case", "Find next",
                                                "Find previous", "Close"};
    }
    void findBarInBothLanguages()
    {
        QFETCH(int, language);
        QFETCH(QStringList, texts);
        QVERIFY(startOnFakes(0, quint8(language)));
        frmFind *bar = openFindBar();
        QVERIFY(bar);
        QCOMPARE((QStringList{bar->windowTitle(), bar->labFindWhat->text(), bar->chkMatchCase->text(),
                              bar->cmdFindNext->text(), bar->cmdFindPrevious->text(), bar->cmdClose->text()}),
                 texts);
        bar->cmdClose->click();
        QVERIFY(!bar->isVisible());
    }

    // --- hex display and its setting ---

    void hexSettingIsReadAndWritten()
    {
        QVERIFY(startOnFakes(0, 0, "[DISPLAY]\r\nHex=1\r\n"));
        QCOMPARE(g_bytHexDisplay, quint8(1));
        QVERIFY(form().mnuEditHex->isChecked());
        receive("OK\r\n");
        QCOMPARE(traffic().lineAt(0).mid(21), QStringLiteral("4F 4B 0D 0A"));
        form().mnuEditHex->trigger();
        QCOMPARE(g_bytHexDisplay, quint8(0));
        receive("OK");
        QCOMPARE(traffic().lineAt(1).mid(21), QStringLiteral("OK"));
        QCOMPARE(traffic().lineAt(0).mid(21), QStringLiteral("4F 4B 0D 0A")); // old lines stay
        p->program().saveSettings();
        QCOMPARE(p->readFile(QStringLiteral("Settings.ini")),
                 QByteArray("[SETTINGS]\r\nComPort=1\r\nBaudrate=6\r\nPeculiar=0\r\nLanguage=0\r\n"
                            "[DISPLAY]\r\nHex=0\r\n"));
    }

    void fileWithoutHexKeyStaysAsItWas()
    {
        QVERIFY(startOnFakes());
        const QByteArray before = p->readFile(QStringLiteral("Settings.ini"));
        p->program().saveSettings();
        QCOMPARE(p->readFile(QStringLiteral("Settings.ini")), before);
        form().mnuEditHex->trigger();
        p->program().saveSettings();
        QCOMPARE(p->readFile(QStringLiteral("Settings.ini")), before + "[DISPLAY]\r\nHex=1\r\n");
    }

    void settingsDialogHasTheHexBox_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("text");
        QTest::newRow("de") << 0 << QStringLiteral("Daten hexadezimal darstellen");
        QTest::newRow("en") << 1 << QStringLiteral("Show data as hex bytes");
    }
    void settingsDialogHasTheHexBox()
    {
        QFETCH(int, language);
        QFETCH(QString, text);
        TestProgram::resetGlobals();
        g_bytLanguage = quint8(language);
        g_bytHexDisplay = 1;
        frmSettings dialog([] { return QStringLiteral("0"); }, {});
        QVERIFY(dialog.chkHexDisplay);
        QCOMPARE(dialog.chkHexDisplay->objectName(), QStringLiteral("chkHexDisplay"));
        QCOMPARE(dialog.chkHexDisplay->parentWidget(), dialog.fraPresentation);
        QCOMPARE(dialog.chkHexDisplay->text(), text);
        QVERIFY(dialog.chkHexDisplay->isChecked());
        dialog.chkHexDisplay->setChecked(false);
        dialog.ReadControls();
        QCOMPARE(g_bytHexDisplay, quint8(0));
        QCOMPARE(g_bytPeculiar, quint8(0)); // the other box keeps its own setting
        dialog.chkHexDisplay->setChecked(true);
        dialog.ReadControls();
        QCOMPARE(g_bytHexDisplay, quint8(1));
    }

    // --- byte counts ---

    void statusBarCountsBytesSinceThePortOpened_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("counted");
        QTest::addColumn<QString>("reopened");
        QTest::newRow("de") << 0 << QStringLiteral("Empfangen: 6 Bytes, gesendet: 3 Bytes")
                            << QStringLiteral("Empfangen: 0 Bytes, gesendet: 0 Bytes");
        QTest::newRow("en") << 1 << QStringLiteral("Received: 6 bytes, sent: 3 bytes")
                            << QStringLiteral("Received: 0 bytes, sent: 0 bytes");
    }
    void statusBarCountsBytesSinceThePortOpened()
    {
        QFETCH(int, language);
        QFETCH(QString, counted);
        QFETCH(QString, reopened);
        QVERIFY(startOnFakes(1, quint8(language)));
        receive("OK\r\n");
        p->session().SendText(QStringLiteral("AT<CR>")); // shown as typed, three bytes out
        form().mnuEditHex->trigger();
        receive("12");                                    // shown as five characters
        QCOMPARE(form().stbStatusBytes->text(), counted);
        QVERIFY(form().stbStatusBytes->isVisible());
        p->session().closeInterface();
        QCOMPARE(form().stbStatusBytes->text(), counted);
        p->session().prc_MainOpenInterface();
        QCOMPARE(form().stbStatusBytes->text(), reopened);
    }
};

QTEST_MAIN(TstListOutput)
#include "tst_listoutput.moc"
