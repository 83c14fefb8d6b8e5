// The main window's looks in the running program: readable colours of the send field on a
// dark desktop theme, the send field's text height, the command frame around its buttons and
// the double-click box of the traffic list, shown for real.
#include "MainProgram.h"
#include "TestProgram.h"
#include "TerminalPresenter.h"
#include "TerminalSession.h"
#include "TrafficListModel.h"
#include "frmMain.h"

#include <QtTest>
#include "TerminalPresenter.h"

#include <QApplication>
#include <QGroupBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOptionFrame>
#include <QTimer>

#include <climits>

namespace {

qreal luminance(const QColor &c)
{
    const auto linear = [](qreal v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

// The contrast ratio of two colours, 1 (same) to 21 (black on white).
qreal contrast(const QColor &a, const QColor &b)
{
    const qreal la = luminance(a);
    const qreal lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QPalette darkPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
    p.setColor(QPalette::WindowText, QColor(0xEE, 0xEE, 0xEE));
    p.setColor(QPalette::Base, QColor(0x2A, 0x2A, 0x2A));
    p.setColor(QPalette::Text, QColor(0xEE, 0xEE, 0xEE));
    p.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    p.setColor(QPalette::ButtonText, QColor(0xEE, 0xEE, 0xEE));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    return p;
}

// The rows in which a field showing `text` differs from the same field empty: the text's ink.
QPair<int, int> inkRows(QLineEdit *field, const QString &text)
{
    field->setText(QString());
    const QImage empty = field->grab().toImage();
    field->setText(text);
    const QImage shown = field->grab().toImage();
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            if (shown.pixel(x, y) != empty.pixel(x, y)) {
                top = top < 0 ? y : top;
                bottom = y;
                break;
            }
        }
    }
    return {top, bottom};
}

// The topmost row of which most pixels differ from the background: the frame's top line.
int topFrameLine(QWidget *frame)
{
    QImage image(frame->size(), QImage::Format_RGB32);
    frame->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    const QRgb background = image.pixel(image.width() / 2, image.height() / 2);
    for (int y = 0; y < image.height(); ++y) {
        int differing = 0;
        for (int x = 0; x < image.width(); ++x)
            differing += qAbs(qGray(image.pixel(x, y)) - qGray(background)) > 12 ? 1 : 0;
        if (differing > image.width() / 2)
            return y;
    }
    return -1;
}

// Puts the application's style and palette back when a case ends, failed or not.
struct LooksGuard {
    QString style = QApplication::style()->name();
    QPalette palette = QApplication::palette();
    ~LooksGuard()
    {
        QApplication::setStyle(QStyleFactory::create(style));
        QApplication::setPalette(palette);
    }
};

} // namespace

class TestLooks : public QObject {
    Q_OBJECT

private slots:
    void sendFieldIsReadableOnADarkTheme()
    {
        const LooksGuard guard;
        QApplication::setPalette(darkPalette());
        {
            TestProgram p;
            p.mapPty(1);
            QVERIFY(p.start());
            const QLineEdit *field = p.form().txtSend;
            QVERIFY(field->isEnabled());
            for (const auto group : {QPalette::Active, QPalette::Inactive}) {
                QCOMPARE(field->palette().color(group, QPalette::Base), QColor(Qt::white));
                const qreal ratio = contrast(field->palette().color(group, QPalette::Text),
                                             field->palette().color(group, QPalette::Base));
                QVERIFY2(ratio >= 7, qPrintable(QString::number(ratio)));
            }
            p.program().presenter().prc_MainSetControlsEnabled(false);
            QVERIFY(!field->isEnabled());
            const QColor grey = field->palette().color(QPalette::Disabled, QPalette::Base);
            QCOMPARE(grey, p.form().cmdDelete->palette().color(QPalette::Button));
            const qreal ratio = contrast(field->palette().color(QPalette::Disabled, QPalette::Text), grey);
            QVERIFY2(ratio >= 4.5, qPrintable(QString::number(ratio)));
        }
    }

    void readableTextColour_data()
    {
        QTest::addColumn<QColor>("background");
        QTest::newRow("white") << QColor(Qt::white);
        QTest::newRow("light grey") << QColor(0xEF, 0xEF, 0xEF);
        QTest::newRow("mid grey") << QColor(0x80, 0x80, 0x80);
        QTest::newRow("dark grey") << QColor(0x35, 0x35, 0x35);
        QTest::newRow("black") << QColor(Qt::black);
        QTest::newRow("blue") << QColor(0x30, 0x8C, 0xC6);
    }
    void readableTextColour()
    {
        QFETCH(QColor, background);
        const qreal full = contrast(::readableTextColour(background, 1.0), background);
        const qreal grey = contrast(::readableTextColour(background, 0.65), background);
        QVERIFY2(full >= 4.5, qPrintable(QString::number(full)));
        QVERIFY2(grey >= 3, qPrintable(QString::number(grey)));
        QVERIFY(full > grey);
    }

    void sendFieldShowsTheWholeFontHeight_data()
    {
        QTest::addColumn<QString>("style");
        QTest::newRow("fusion") << QStringLiteral("Fusion");
        // A style with a two-pixel frame leaves less room than the field's design height needs.
        QTest::newRow("windows") << QStringLiteral("Windows");
    }
    void sendFieldShowsTheWholeFontHeight()
    {
        QFETCH(QString, style);
        const LooksGuard guard;
        QApplication::setStyle(QStyleFactory::create(style));
        {
            TestProgram p;
            p.mapPty(1);
            QVERIFY(p.start());
            QLineEdit *field = p.form().txtSend;
            QCOMPARE(field->height(), 19);
            QStyleOptionFrame option;
            option.initFrom(field);
            option.rect = field->rect();
            option.lineWidth = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
            const QRect text = field->style()
                                   ->subElementRect(QStyle::SE_LineEditContents, &option, field)
                                   .marginsRemoved(field->textMargins());
            // QLineEdit keeps a pixel above and below the text.
            QVERIFY2(text.height() - 2 >= QFontMetrics(field->font()).height(),
                     qPrintable(QString::number(text.height())));

            // The descenders are all there: as many rows of ink as in a field of ample height.
            const QString sample = QStringLiteral("gjpqy");
            p.form().cmdSend->setFocus();
            QLineEdit tall;
            tall.setFont(field->font());
            tall.setPalette(field->palette());
            tall.resize(field->width(), 60);
            const QPair<int, int> shown = inkRows(field, sample);
            const QPair<int, int> whole = inkRows(&tall, sample);
            QVERIFY(whole.first >= 0);
            // Rows of antialiasing may differ by one with the text's vertical place.
            QVERIFY2(shown.second - shown.first >= whole.second - whole.first,
                     qPrintable(QStringLiteral("%1-%2 of %3-%4").arg(shown.first).arg(shown.second)
                                    .arg(whole.first).arg(whole.second)));
        }
    }

    void firstCommandButtonSitsInsideTheFrame()
    {
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start());
        QGroupBox *frame = p.form().findChild<QGroupBox *>(QStringLiteral("fraCommands"));
        auto *first = frame->findChild<QPushButton *>(QStringLiteral("cmdBefehl1"));
        QVERIFY(first);
        QCOMPARE(twipsGeometry(first).topLeft(), QPoint(120, 240));
        const int line = topFrameLine(frame);
        QVERIFY(line >= 0);
        QVERIFY2(line < first->y(), qPrintable(QStringLiteral("%1 %2").arg(line).arg(first->y())));
    }

    void doubleClickBoxShowsTheWholeLine()
    {
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start());
        platform::setDialogs(nullptr); // the real box; the fixture's script is not asked
        const QString line = QStringLiteral("12:00:00.000  [IN]   ") + QString(50000 - 21, QLatin1Char('x'));
        QCOMPARE(line.size(), 50000);
        p.traffic().appendLine(line);
        TrafficListView *list = p.form().lstSendReceive;
        list->setCurrentIndex(p.traffic().index(0));

        bool seen = false;
        int boxWidth = 0;
        QString boxText;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen = true;
            boxWidth = box->width();
            if (const auto *field = box->findChild<QLineEdit *>())
                boxText = field->text();
            box->reject();
        });
        p.program().presenter().lstSendReceive_DblClick();
        QVERIFY(seen);
        QVERIFY2(boxWidth >= list->width(), qPrintable(QString::number(boxWidth)));
        QCOMPARE(boxText.size(), line.size());
        QCOMPARE(boxText, line);
        QCOMPARE(p.traffic().lineAt(0), line); // the list stays as it was
    }
};

QTEST_MAIN(TestLooks)
#include "tst_looks.moc"
