// Qt's own texts in the program's language: the file dialogs, their questions and the line
// edits' context menus speak German while the program does, English otherwise, switching at
// run time with the language.
#include "QtLanguage.h"
#include "frmMain.h"
#include "modGlobal.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

// The action texts without their shortcuts ("&Undo\tCtrl+Z"), separators left out.
QStringList contextMenuTexts(QLineEdit &edit)
{
    const std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction *action : menu->actions()) {
        if (!action->isSeparator())
            texts << action->text().section(QLatin1Char('\t'), 0, 0);
    }
    return texts;
}

const QStringList kGermanMenu{QStringLiteral("&Rückgängig"), QStringLiteral("Wieder&herstellen"),
                              QStringLiteral("&Ausschneiden"), QStringLiteral("&Kopieren"),
                              QStringLiteral("Einf&ügen"), QStringLiteral("Löschen"),
                              QStringLiteral("Alles auswählen")};
const QStringList kEnglishMenu{QStringLiteral("&Undo"), QStringLiteral("&Redo"), QStringLiteral("Cu&t"),
                               QStringLiteral("&Copy"), QStringLiteral("&Paste"), QStringLiteral("Delete"),
                               QStringLiteral("Select All")};

// Accepts the dialog and answers the message box it raises with its last button (No, OK);
// the box's text, or "<none>" when no box came.
QString questionOnAccept(QFileDialog &dialog)
{
    QString text = QStringLiteral("<none>");
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            text = box->text();
            box->reject();
            poll.stop();
        }
    });
    poll.start(10);
    static_cast<QDialog &>(dialog).accept();  // QFileDialog::accept, which asks first
    return text;
}

} // namespace

class TestQtLanguage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(!platform::qtGermanTranslationFile().isEmpty(),
                 qPrintable(QStringLiteral("Qt's German translation qtbase_de.qm is missing in %1; "
                                           "scripts/install-deps.sh installs it (package qt6-translations-l10n)")
                                .arg(QLibraryInfo::path(QLibraryInfo::TranslationsPath))));
    }
    void cleanup() { platform::applyQtLanguage(false); }

    // German, English and back: each row switches at run time from the one before.
    void fileDialogLabels_data()
    {
        QTest::addColumn<bool>("german");
        QTest::addColumn<QStringList>("texts");  // look in, file name, type, accept, cancel
        const QStringList german{QStringLiteral("Suchen in:"), QStringLiteral("Datei&name:"),
                                 QStringLiteral("Dateien des Typs:"), QStringLiteral("&Öffnen"),
                                 QStringLiteral("Abbrechen")};
        const QStringList english{QStringLiteral("Look in:"), QStringLiteral("File &name:"),
                                  QStringLiteral("Files of type:"), QStringLiteral("&Open"),
                                  QStringLiteral("Cancel")};
        QTest::newRow("German") << true << german;
        QTest::newRow("English") << false << english;
        QTest::newRow("German again") << true << german;
    }
    void fileDialogLabels()
    {
        QFETCH(bool, german);
        QFETCH(QStringList, texts);
        platform::applyQtLanguage(german);
        QFileDialog dialog(nullptr, QStringLiteral("Title"), QDir::tempPath(), QStringLiteral("Files (*.icf)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        QStringList shown;
        for (const char *name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) {
            const auto *label = dialog.findChild<QLabel *>(QLatin1String(name));
            QVERIFY2(label, name);
            shown << label->text();
        }
        const auto *buttons = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        QVERIFY(buttons);
        shown << buttons->button(QDialogButtonBox::Open)->text()
              << buttons->button(QDialogButtonBox::Cancel)->text();
        QCOMPARE(shown, texts);
        QCOMPARE(QLocale().language(), german ? QLocale::German : QLocale::English);
    }

    void fileDialogQuestions_data()
    {
        QTest::addColumn<bool>("german");
        QTest::addColumn<QString>("overwrite");
        QTest::addColumn<QString>("notFound");
        QTest::newRow("German") << true << QStringLiteral("Die Datei %1 existiert bereits.\nSoll sie überschrieben werden?")
                                << QStringLiteral("%1\nDie Datei konnte nicht gefunden werden.\n"
                                                  "Stellen Sie sicher, dass der Dateiname richtig ist.");
        QTest::newRow("English") << false << QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                 << QStringLiteral("%1\nFile not found.\nPlease verify the correct file name was given.");
    }
    void fileDialogQuestions()
    {
        QFETCH(bool, german);
        QFETCH(QString, overwrite);
        QFETCH(QString, notFound);
        platform::applyQtLanguage(german);
        QTemporaryDir dir;
        QFile existing(dir.filePath(QStringLiteral("Old.icf")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();

        QFileDialog save(nullptr, QStringLiteral("Save"), dir.path());
        save.setOption(QFileDialog::DontUseNativeDialog);
        save.setAcceptMode(QFileDialog::AcceptSave);
        save.selectFile(QStringLiteral("Old.icf"));
        QCOMPARE(questionOnAccept(save), overwrite.arg(QStringLiteral("Old.icf")));

        QFileDialog open(nullptr, QStringLiteral("Open"), dir.path());
        open.setOption(QFileDialog::DontUseNativeDialog);
        open.setFileMode(QFileDialog::ExistingFile);
        open.selectFile(QStringLiteral("Missing.icf"));
        QCOMPARE(questionOnAccept(open), notFound.arg(QStringLiteral("Missing.icf")));
    }

    void lineEditContextMenu_data()
    {
        QTest::addColumn<bool>("german");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("German") << true << kGermanMenu;
        QTest::newRow("English") << false << kEnglishMenu;
    }
    void lineEditContextMenu()
    {
        QFETCH(bool, german);
        QFETCH(QStringList, texts);
        platform::applyQtLanguage(german);
        QLineEdit edit;
        QCOMPARE(contextMenuTexts(edit), texts);
    }

    // German twice installs one translation, so one switch to English removes it all.
    void switchingIsIdempotent()
    {
        QLineEdit edit;
        platform::applyQtLanguage(true);
        platform::applyQtLanguage(true);
        QCOMPARE(contextMenuTexts(edit), kGermanMenu);
        platform::applyQtLanguage(false);
        QCOMPARE(contextMenuTexts(edit), kEnglishMenu);
        platform::applyQtLanguage(false);
        QCOMPARE(contextMenuTexts(edit), kEnglishMenu);
    }

    // The main window's captions and Qt's texts change together.
    void mainWindowLanguageCarriesQtsTexts()
    {
        frmMain form;
        g_bytLanguage = 0;
        form.ApplyLanguage();
        QCOMPARE(contextMenuTexts(*form.txtBefehl[0]), kGermanMenu);
        g_bytLanguage = 1;
        form.ApplyLanguage();
        QCOMPARE(contextMenuTexts(*form.txtSend), kEnglishMenu);
        g_bytLanguage = 0;
        form.ApplyLanguage();
        QCOMPARE(contextMenuTexts(*form.txtSend), kGermanMenu);
    }
};

QTEST_MAIN(TestQtLanguage)
#include "tst_qtlanguage.moc"
