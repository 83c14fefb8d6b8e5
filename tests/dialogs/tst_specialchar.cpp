// The special character dialog in the running program, offscreen: choosing a box with the
// mouse and the keyboard, and typing its token into the send field. The port is a pty so that
// the send field and the dialog's button are enabled.
#include "MainProgram.h"
#include "TestProgram.h"
#include "frmMain.h"
#include "frmSpecialChar.h"
#include "modGlobal.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Counts the key events a widget receives.
class KeyCounter : public QObject {
public:
    int presses = 0;
    int releases = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        presses += event->type() == QEvent::KeyPress ? 1 : 0;
        releases += event->type() == QEvent::KeyRelease ? 1 : 0;
        return false;
    }
};

} // namespace

class TestSpecialChar : public QObject {
    Q_OBJECT
    std::unique_ptr<TestProgram> p;
    Pty *pty = nullptr; // COM1; owned by p

    frmMain &form() { return p->form(); }

    void start(int language = 0)
    {
        p->writeSettings(0, 6, 0, language);
        QVERIFY(p->start());
        QVERIFY(form().cmdInsertSpecialChar->isEnabled());
        QVERIFY(form().txtSend->isEnabled());
    }

    // The send field holding text with the caret at `caret`, and the dialog opened from it
    // by a click on the main window's button.
    QPointer<frmSpecialChar> openFromField(const QString &text, int caret)
    {
        form().txtSend->setFocus();
        form().txtSend->setText(text);
        form().txtSend->setCursorPosition(caret);
        QTest::mouseClick(form().cmdInsertSpecialChar, Qt::LeftButton);
        return shownDialog();
    }

    QPointer<frmSpecialChar> shownDialog()
    {
        for (frmSpecialChar *d : form().findChildren<frmSpecialChar *>()) {
            // Activation arrives from the window system after the dialog was shown.
            if (d->isVisible() && QTest::qWaitFor([d] { return QApplication::activeWindow() == d; }))
                return d;
        }
        return nullptr;
    }

    static QPushButton *box(frmSpecialChar *dialog, const QString &name)
    {
        return dialog->findChild<QPushButton *>(name);
    }

    static QStringList ticked(frmSpecialChar *dialog)
    {
        QStringList names;
        for (const char *name : {"chkStx", "chkEtx", "chkEot", "chkEnq", "chkLf", "chkCr", "chkNak", "chkAck"}) {
            if (box(dialog, QString::fromLatin1(name))->isChecked())
                names << QString::fromLatin1(name);
        }
        return names;
    }

    // Waits until the dialog is gone and the focus is back in the send field.
    void expectClosedIntoField(QPointer<frmSpecialChar> &dialog)
    {
        QTRY_VERIFY(dialog.isNull());
        QTRY_COMPARE(QApplication::focusWidget(), form().txtSend);
    }

private slots:
    void init()
    {
        p = std::make_unique<TestProgram>();
        pty = &p->mapPty(1);
        QVERIFY(pty->isValid());
    }
    void cleanup()
    {
        p.reset();
        pty = nullptr;
    }

    void mouseChoiceGoesInAtTheCaret_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("caretAfter");
        QTest::newRow("CR between two letters") << QStringLiteral("ab") << 1 << QStringList{"chkCr"}
                                                << QStringLiteral("a<CR>b") << 5;
        QTest::newRow("STX then ETX keeps only ETX") << QString() << 0 << QStringList{"chkStx", "chkEtx"}
                                                     << QStringLiteral("<ETX>") << 5;
        QTest::newRow("a ticked box clicked again stays ticked")
            << QStringLiteral("x") << 1 << QStringList{"chkNak", "chkNak"} << QStringLiteral("x<NAK>") << 6;
        QTest::newRow("at the start") << QStringLiteral("AT") << 0 << QStringList{"chkEnq"}
                                      << QStringLiteral("<ENQ>AT") << 5;
        // Each box's own token.
        const QList<std::pair<const char *, const char *>> tokens{
            {"chkStx", "<STX>"}, {"chkEtx", "<ETX>"}, {"chkEot", "<EOT>"}, {"chkEnq", "<ENQ>"},
            {"chkAck", "<ACK>"}, {"chkLf", "<LF>"},   {"chkCr", "<CR>"},   {"chkNak", "<NAK>"}};
        for (const auto &[name, token] : tokens) {
            QTest::addRow("%s alone", name) << QStringLiteral("#") << 1 << QStringList{name}
                                            << QStringLiteral("#") + QString::fromLatin1(token)
                                            << 1 + int(qstrlen(token));
        }
    }
    void mouseChoiceGoesInAtTheCaret()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QStringList, clicks);
        QFETCH(QString, expected);
        QFETCH(int, caretAfter);
        start();
        QPointer<frmSpecialChar> dialog = openFromField(text, caret);
        QVERIFY(dialog);
        for (const QString &name : clicks)
            QTest::mouseClick(box(dialog, name), Qt::LeftButton);
        QCOMPARE(ticked(dialog), QStringList{clicks.last()});

        QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);

        expectClosedIntoField(dialog);
        QCOMPARE(form().txtSend->text(), expected);
        QCOMPARE(form().txtSend->cursorPosition(), caretAfter);
        QCOMPARE(pty->readMasterUntilQuiet(50), QByteArray()); // inserted, not sent
    }

    void selectedTextIsReplaced()
    {
        start();
        form().txtSend->setText(QStringLiteral("AT+XYZ?"));
        form().txtSend->setFocus();
        form().txtSend->setSelection(3, 3);
        // Opened while the field keeps its selection: only the window loses the focus.
        p->program().showSpecialCharDialog();
        QPointer<frmSpecialChar> dialog = shownDialog();
        QVERIFY(dialog);
        QTest::mouseClick(dialog->chkLf, Qt::LeftButton);
        QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
        expectClosedIntoField(dialog);
        QCOMPARE(form().txtSend->text(), QStringLiteral("AT+<LF>?"));
        QVERIFY(!form().txtSend->hasSelectedText());
    }

    void selectionSurvivesAClickOnTheButton()
    {
        start();
        form().txtSend->setText(QStringLiteral("AT+XYZ?"));
        form().txtSend->setFocus();
        form().txtSend->setSelection(3, 3);
        QTest::mouseClick(form().cmdInsertSpecialChar, Qt::LeftButton);
        QPointer<frmSpecialChar> dialog = shownDialog();
        QVERIFY(dialog);
        QTest::mouseClick(dialog->chkCr, Qt::LeftButton);
        QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
        expectClosedIntoField(dialog);
        QCOMPARE(form().txtSend->text(), QStringLiteral("AT+<CR>?"));
    }

    void doubleClickChoosesLikeAClick()
    {
        start();
        QPointer<frmSpecialChar> dialog = openFromField(QString(), 0);
        QVERIFY(dialog);
        QTest::mouseClick(dialog->chkStx, Qt::LeftButton);
        // A double click: press and release, then the second press arrives as a double-click
        // event, then its release.
        QTest::mouseClick(dialog->chkEtx, Qt::LeftButton);
        QTest::mouseDClick(dialog->chkEtx, Qt::LeftButton);
        QTest::mouseRelease(dialog->chkEtx, Qt::LeftButton);
        QCOMPARE(ticked(dialog), QStringList{"chkEtx"});
        QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
        expectClosedIntoField(dialog);
        QCOMPARE(form().txtSend->text(), QStringLiteral("<ETX>"));
    }

    void keyboardTickAddsToTheMouseChoice()
    {
        start();
        QPointer<frmSpecialChar> dialog = openFromField(QString(), 0);
        QVERIFY(dialog);
        QTest::mouseClick(dialog->chkLf, Qt::LeftButton);
        dialog->chkAck->setFocus();
        QTest::keyClick(dialog->chkAck, Qt::Key_Space);
        QCOMPARE(ticked(dialog), (QStringList{"chkLf", "chkAck"}));
        // ACK comes before LF when OK looks for a ticked box.
        QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
        expectClosedIntoField(dialog);
        QCOMPARE(form().txtSend->text(), QStringLiteral("<ACK>"));
    }

    void keyboardAloneNeitherClearsNorEnablesOk()
    {
        start();
        QPointer<frmSpecialChar> dialog = openFromField(QString(), 0);
        QVERIFY(dialog);
        QCOMPARE(QApplication::focusWidget(), dialog->chkNak);
        QTest::keyClick(dialog->chkNak, Qt::Key_Space);
        QTest::keyClick(dialog->chkNak, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog->chkCr);
        QTest::keyClick(dialog->chkCr, Qt::Key_Space);
        QCOMPARE(ticked(dialog), (QStringList{"chkCr", "chkNak"}));
        QVERIFY(!dialog->cmdOk->isEnabled());
        // A second Space on the same box unticks it again.
        QTest::keyClick(dialog->chkCr, Qt::Key_Space);
        QCOMPARE(ticked(dialog), QStringList{"chkNak"});
    }

    void rightButtonClearsWithoutTicking()
    {
        start();
        QPointer<frmSpecialChar> dialog = openFromField(QStringLiteral("ab"), 1);
        QVERIFY(dialog);
        QTest::mouseClick(dialog->chkCr, Qt::LeftButton);
        QTest::mouseClick(dialog->chkEtx, Qt::RightButton);
        QCOMPARE(ticked(dialog), QStringList());
        QVERIFY(dialog->cmdOk->isEnabled());

        QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);

        expectClosedIntoField(dialog);
        QCOMPARE(form().txtSend->text(), QStringLiteral("ab"));
    }

    void rightButtonFirstEnablesOk()
    {
        start();
        QPointer<frmSpecialChar> dialog = openFromField(QString(), 0);
        QVERIFY(dialog);
        QTest::keyClick(dialog->chkNak, Qt::Key_Space);
        QTest::mousePress(dialog->chkEot, Qt::RightButton);
        QVERIFY(dialog->cmdOk->isEnabled());
        QCOMPARE(ticked(dialog), QStringList()); // the keyboard's tick went too
        QTest::mouseRelease(dialog->chkEot, Qt::RightButton);
        QCOMPARE(ticked(dialog), QStringList());
    }

    void pressAloneClearsBeforeTheBoxReacts()
    {
        start();
        QPointer<frmSpecialChar> dialog = openFromField(QString(), 0);
        QVERIFY(dialog);
        QTest::mouseClick(dialog->chkStx, Qt::LeftButton);
        QTest::mousePress(dialog->chkStx, Qt::LeftButton);
        QVERIFY(!dialog->chkStx->isChecked());
        QVERIFY(dialog->chkStx->isDown());
        QTest::mouseRelease(dialog->chkStx, Qt::LeftButton);
        QVERIFY(dialog->chkStx->isChecked());
    }

    void enterWaitsForTheFirstClick()
    {
        start();
        QPointer<frmSpecialChar> dialog = openFromField(QStringLiteral("ab"), 2);
        QVERIFY(dialog);
        QVERIFY(dialog->cmdOk->isDefault());
        QVERIFY(!dialog->cmdOk->isEnabled());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(ticked(dialog), QStringList()); // the focused box did not take Enter either

        QTest::mouseClick(dialog->chkEot, Qt::LeftButton);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

        expectClosedIntoField(dialog);
        QCOMPARE(form().txtSend->text(), QStringLiteral("ab<EOT>"));
    }

    void escapeDoesNothing()
    {
        start();
        QPointer<frmSpecialChar> dialog = openFromField(QStringLiteral("ab"), 1);
        QVERIFY(dialog);
        QTest::mouseClick(dialog->chkStx, Qt::LeftButton);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTest::qWait(50);
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(ticked(dialog), QStringList{"chkStx"});
        QCOMPARE(form().txtSend->text(), QStringLiteral("ab"));
        QVERIFY(form().isVisible()); // the main window's own Esc did not act either
    }

    void closeBoxAndCancelInsertNothing_data()
    {
        QTest::addColumn<bool>("byCancel");
        QTest::newRow("close box") << false;
        QTest::newRow("cancel") << true;
    }
    void closeBoxAndCancelInsertNothing()
    {
        QFETCH(bool, byCancel);
        start();
        QPointer<frmSpecialChar> dialog = openFromField(QStringLiteral("ab"), 1);
        QVERIFY(dialog);
        QTest::mouseClick(dialog->chkCr, Qt::LeftButton);
        if (byCancel)
            QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
        else
            QVERIFY(dialog->close());
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(form().txtSend->text(), QStringLiteral("ab"));
    }

    void insertionRunsTheFieldsKeyHandling()
    {
        start();
        QVERIFY(!form().cmdSend->isEnabled());
        KeyCounter keys;
        form().txtSend->installEventFilter(&keys);
        QPointer<frmSpecialChar> dialog = openFromField(QString(), 0);
        QVERIFY(dialog);
        QTest::mouseClick(dialog->chkCr, Qt::LeftButton);
        QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
        expectClosedIntoField(dialog);
        QCOMPARE(form().txtSend->text(), QStringLiteral("<CR>"));
        QCOMPARE(keys.presses, 4);
        QCOMPARE(keys.releases, 4);
        QVERIFY(form().cmdSend->isEnabled());
        // The token is only in the field; the send button sends it.
        QTest::mouseClick(form().cmdSend, Qt::LeftButton);
        QCOMPARE(pty->readMaster(1, 2000), QByteArray("\r"));
    }

    void opensFreshAndModal()
    {
        start();
        QPointer<frmSpecialChar> first = openFromField(QString(), 0);
        QVERIFY(first);
        QCOMPARE(first->windowModality(), Qt::ApplicationModal);
        QCOMPARE(QApplication::activeModalWidget(), first.data());
        QVERIFY(first->testAttribute(Qt::WA_DeleteOnClose));
        QTest::mouseClick(first->chkEnq, Qt::LeftButton);
        QTest::mouseClick(first->cmdCancel, Qt::LeftButton);
        QTRY_VERIFY(first.isNull());

        QPointer<frmSpecialChar> second = openFromField(QString(), 0);
        QVERIFY(second);
        QCOMPARE(ticked(second), QStringList());
        QVERIFY(!second->cmdOk->isEnabled());
    }

    void captions_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("ok");
        QTest::addColumn<QString>("cancel");
        QTest::newRow("German") << 0 << QStringLiteral("Sonderzeichen auswählen und einfügen")
                                << QStringLiteral("Übernehmen") << QStringLiteral("Abbrechen");
        QTest::newRow("English") << 1 << QStringLiteral("Select and insert special character")
                                 << QStringLiteral("Accept") << QStringLiteral("Cancel");
    }
    void captions()
    {
        QFETCH(int, language);
        QFETCH(QString, title);
        QFETCH(QString, ok);
        QFETCH(QString, cancel);
        start(language);
        QPointer<frmSpecialChar> dialog = openFromField(QString(), 0);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), title);
        QCOMPARE(dialog->cmdOk->text(), ok);
        QCOMPARE(dialog->cmdCancel->text(), cancel);
        const QStringList captions{"STX", "ETX", "EOT", "ENQ", "LF", "CR", "NAK", "ACK"};
        const QList<QPushButton *> boxes{dialog->chkStx, dialog->chkEtx, dialog->chkEot, dialog->chkEnq,
                                         dialog->chkLf,  dialog->chkCr,  dialog->chkNak, dialog->chkAck};
        for (int i = 0; i < boxes.size(); ++i)
            QCOMPARE(boxes.at(i)->text(), captions.at(i));
        QCOMPARE(dialog->fraSpecialChar->title(), QString());
    }

    void layoutAndTabOrder()
    {
        start();
        QPointer<frmSpecialChar> dialog = openFromField(QString(), 0);
        QVERIFY(dialog);
        QCOMPARE(dialog->size(), QSize(300, 150));
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        QCOMPARE(twipsGeometry(dialog->fraSpecialChar), QRect(60, 60, 4335, 1635));
        QCOMPARE(twipsGeometry(dialog->chkStx), QRect(180, 300, 915, 495));
        QCOMPARE(twipsGeometry(dialog->chkAck), QRect(3240, 900, 915, 495));
        QCOMPARE(dialog->chkAck->parentWidget(), dialog->fraSpecialChar);
        QCOMPARE(twipsGeometry(dialog->cmdOk), QRect(1500, 1800, 1695, 375));
        QCOMPARE(twipsGeometry(dialog->cmdCancel), QRect(3300, 1800, 1095, 375));
        for (QPushButton *b : {dialog->chkStx, dialog->chkNak})
            QVERIFY(b->isCheckable());

        // Enable OK so that the whole chain can be walked with Tab.
        QTest::mouseClick(dialog->chkNak, Qt::LeftButton);
        dialog->cmdOk->setFocus();
        const QList<QPushButton *> order{dialog->cmdOk, dialog->chkNak, dialog->chkCr, dialog->chkLf,
                                         dialog->chkAck, dialog->chkEnq, dialog->chkEot, dialog->chkEtx,
                                         dialog->chkStx, dialog->cmdCancel, dialog->cmdOk};
        for (qsizetype i = 0; i + 1 < order.size(); ++i) {
            QCOMPARE(QApplication::focusWidget(), order.at(i));
            QTest::keyClick(order.at(i), Qt::Key_Tab);
        }
    }
};

QTEST_MAIN(TestSpecialChar)
#include "tst_specialchar.moc"
