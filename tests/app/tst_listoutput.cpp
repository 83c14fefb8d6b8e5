// Getting lines out of the traffic list: the menu entries and their keys in both languages,
// Copy, Copy all, Save list as and the context menu, all in the text-capture form.
#include "ListOutputFixture.h"

class TstListOutput : public ListOutputFixture {
    Q_OBJECT

private slots:
    void init() { startFresh(); }
    void cleanup() { finish(); }

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
        const QList<QAction *> order{form().mnuFileLoadConfig, form().mnuFileSaveConfig,
                                     form().mnuFileSaveList,   form().mnuFileCaptureStart,
                                     form().mnuFileCaptureStop, form().mnuSpace1,
                                     form().mnuFileQuit};
        QCOMPARE(file, order);
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
        QSignalSpy changed(QGuiApplication::clipboard(), &QClipboard::dataChanged);
        QTest::keyClick(&list(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(changed.count(), 1);
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
        QSignalSpy changed(QGuiApplication::clipboard(), &QClipboard::dataChanged);
        form().mnuEditCopy->trigger();
        QCOMPARE(changed.count(), 0);
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
        QCOMPARE(p->readFile(QStringLiteral("saved.txt")), expected + '\n');
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
};

QTEST_MAIN(TstListOutput)
#include "tst_listoutput.moc"
