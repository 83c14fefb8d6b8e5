// The special character dialog: a ticked box is plain to see, and after Cancel or the close
// box the keyboard focus is back where it was, so that Enter works again.
#include "MainProgram.h"
#include "TestProgram.h"
#include "TerminalPresenter.h"
#include "TerminalSession.h"
#include "TrafficListModel.h"
#include "frmMain.h"

#include <QtTest>
#include "frmSpecialChar.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The mean distance between the colours of two images of the same size (0 to about 441).
qreal meanColourDistance(const QImage &a, const QImage &b)
{
    qreal sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y);
            const QColor q = b.pixelColor(x, y);
            sum += std::hypot(p.red() - q.red(), p.green() - q.green(), p.blue() - q.blue());
        }
    }
    return sum / (a.width() * a.height());
}

frmSpecialChar *openDialog(TestProgram &p)
{
    p.program().showSpecialCharDialog();
    auto *dialog = p.form().findChild<frmSpecialChar *>(QStringLiteral("frmSpecialChar"));
    if (dialog && !QTest::qWaitForWindowExposed(dialog))
        return nullptr;
    return dialog;
}

} // namespace

class TestSpecialCharFocus : public QObject {
    Q_OBJECT

private slots:
    void tickedBoxStandsOut()
    {
        frmSpecialChar dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *box = dialog.findChild<QPushButton *>(QStringLiteral("chkCr"));
        QVERIFY(box && box->isCheckable());
        const QImage unticked = box->grab().toImage();
        box->setChecked(true);
        const QImage ticked = box->grab().toImage();
        const qreal distance = meanColourDistance(unticked, ticked);
        QVERIFY2(distance > 60, qPrintable(QString::number(distance)));
        // Unticked again, it looks as before.
        box->setChecked(false);
        QCOMPARE(box->grab().toImage(), unticked);
    }

    void focusReturnsAfterCancelOrCloseBox_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Cancel") << false;
        QTest::newRow("close box") << true;
    }
    void focusReturnsAfterCancelOrCloseBox()
    {
        QFETCH(bool, closeBox);
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start());
        QLineEdit *field = p.form().txtSend;
        field->setText(QStringLiteral("AB"));
        field->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), field);

        frmSpecialChar *dialog = openDialog(p);
        QVERIFY(dialog);
        if (closeBox)
            dialog->close();
        else
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdCancel")), Qt::LeftButton);
        QTRY_VERIFY(!p.form().findChild<frmSpecialChar *>());
        QTRY_COMPARE(QApplication::focusWidget(), field);
        QCOMPARE(field->text(), QStringLiteral("AB"));

        // Enter sends the field's text, as it did before the dialog opened.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(p.received(), QByteArray("AB"));
        QVERIFY(field->text().isEmpty());
    }

    void focusReturnsToTheButtonThatOpenedTheDialog()
    {
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start());
        QPushButton *opener = p.form().cmdInsertSpecialChar;
        QTest::mouseClick(opener, Qt::LeftButton);
        auto *dialog = p.form().findChild<frmSpecialChar *>(QStringLiteral("frmSpecialChar"));
        QVERIFY(dialog);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("cmdCancel")), Qt::LeftButton);
        QTRY_VERIFY(!p.form().findChild<frmSpecialChar *>());
        QTRY_COMPARE(QApplication::focusWidget(), opener);
    }
};

QTEST_MAIN(TestSpecialCharFocus)
#include "tst_specialcharfocus.moc"
