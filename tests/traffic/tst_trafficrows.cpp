// How much of a line a row shows and how: the cut of very long lines with its ellipsis, and
// control characters drawn by their names, large enough to read.
#include "RowGlyphs.h"
#include "TrafficLineDelegate.h"
#include "TrafficListModel.h"
#include "TrafficListView.h"
#include "Twips.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

namespace {

constexpr qsizetype kMax = TrafficLineDelegate::kMaxShownChars;

QStyleOptionViewItem rowOption()
{
    QStyleOptionViewItem option;
    option.font = terminalFont();
    option.fontMetrics = QFontMetrics(option.font);
    option.state = QStyle::State_Enabled;
    option.palette.setColor(QPalette::Text, Qt::black);
    option.palette.setColor(QPalette::Base, Qt::white);
    return option;
}

// The delegate's drawing of one line on white, the part from x = left, `width` pixels wide.
QImage paintedPart(const QString &line, int left, int width)
{
    TrafficListModel model;
    model.appendLine(line);
    TrafficLineDelegate delegate;
    QStyleOptionViewItem option = rowOption();
    const QSize size = delegate.sizeHint(option, model.index(0));
    option.rect = QRect(QPoint(-left, 0), size);
    QImage image(width, size.height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    delegate.paint(&painter, option, model.index(0));
    painter.end();
    return image;
}

int colouredPixels(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += (qAbs(c.red() - c.blue()) > 60) ? 1 : 0;
        }
    }
    return n;
}

// The longest run of adjacent rows of an image that hold anything but white: the height of
// its tallest line of letters.
int inkHeight(const QImage &image)
{
    int longest = 0;
    int run = 0;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x)
            ink = image.pixel(x, y) != qRgb(255, 255, 255);
        run = ink ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// text on white, drawn from x = 2 on one baseline, by the row glyphs or by Qt's text drawing.
QImage drawnText(const QString &text, bool byRowGlyphs)
{
    const QFont font = terminalFont();
    const QFontMetrics metrics(font);
    QImage image(metrics.horizontalAdvance(text) + 8, metrics.height() + 4, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const qreal baseline = 2 + metrics.ascent();
    if (byRowGlyphs)
        RowGlyphs(font).draw(&painter, text, 2, baseline);
    else
        painter.drawText(QPointF(2, baseline), text);
    painter.end();
    return image;
}

} // namespace

class TestTrafficRows : public QObject {
    Q_OBJECT
private slots:
    void shownRowText_data()
    {
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<qsizetype>("shown");
        QTest::addColumn<bool>("truncated");
        QTest::newRow("empty") << qsizetype(0) << qsizetype(0) << false;
        QTest::newRow("short") << qsizetype(40) << qsizetype(40) << false;
        QTest::newRow("just fits") << kMax << kMax << false;
        QTest::newRow("one more") << kMax + 1 << kMax << true;
        QTest::newRow("20000") << qsizetype(20000) << kMax << true;
    }
    void shownRowText()
    {
        QFETCH(qsizetype, length);
        QFETCH(qsizetype, shown);
        QFETCH(bool, truncated);
        QString line;
        for (qsizetype i = 0; i < length; ++i)
            line.append(QChar(char16_t('a' + i % 26)));
        const RowText row = ::shownRowText(line);
        QCOMPARE(row.text.size(), shown);
        QCOMPARE(row.text, QStringView(line).first(shown));
        QCOMPARE(row.truncated, truncated);
    }

    void cutRowEndsInAnEllipsis()
    {
        // Both rows show the same 16384 characters; only the longer line goes on beyond them.
        const QString fits(kMax, QLatin1Char('W'));
        const QString longer = fits + QString(20000 - kMax, QLatin1Char('Z'));
        const qreal cell = QFontMetricsF(terminalFont()).horizontalAdvance(QLatin1Char('M'));
        const int textEnd = int(qreal(kMax) * cell);
        const QImage whole = paintedPart(fits, textEnd - 20, 60);
        const QImage cut = paintedPart(longer, textEnd - 20, 60);
        // Left of the end the rows are alike; right of it only the cut row has its mark, in a
        // colour of its own.
        QCOMPARE(whole.copy(0, 0, 16, whole.height()), cut.copy(0, 0, 16, cut.height()));
        QVERIFY(whole != cut);
        QCOMPARE(colouredPixels(whole), 0);
        QVERIFY(colouredPixels(cut.copy(20, 0, 40, cut.height())) > 4);
    }

    void controlNames_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("NUL") << 0 << QStringLiteral("NUL");
        QTest::newRow("SOH") << 1 << QStringLiteral("SOH");
        QTest::newRow("BEL") << 7 << QStringLiteral("BEL");
        QTest::newRow("HT") << 9 << QStringLiteral("HT");
        QTest::newRow("LF") << 10 << QStringLiteral("LF");
        QTest::newRow("CR") << 13 << QStringLiteral("CR");
        QTest::newRow("NAK") << 21 << QStringLiteral("NAK");
        QTest::newRow("ESC") << 27 << QStringLiteral("ESC");
        QTest::newRow("US") << 31 << QStringLiteral("US");
        QTest::newRow("DEL") << 127 << QStringLiteral("DEL");
        QTest::newRow("space") << 32 << QString();
        QTest::newRow("A") << 65 << QString();
    }
    void controlNames()
    {
        QFETCH(int, code);
        QFETCH(QString, name);
        QCOMPARE(controlCharacterName(QChar(char16_t(code))), name);
    }

    void controlNamesAreNearlyAsTallAsText()
    {
        // Drawn by name (no installed font here has the control pictures), a control character's
        // letters stand on one line nearly as tall as capitals of the row's text.
        const QImage capitals = paintedPart(QStringLiteral("EEE"), 0, 60);
        const QImage name = paintedPart(QStringLiteral("\x1b"), 0, 60);
        const int capitalHeight = inkHeight(capitals);
        QImage letters = name;
        // Only the name's letters: the frame's colour is lighter than the letters' middle.
        for (int y = 0; y < letters.height(); ++y)
            for (int x = 0; x < letters.width(); ++x)
                if (qGray(letters.pixel(x, y)) > 110)
                    letters.setPixel(x, y, qRgb(255, 255, 255));
        const int nameHeight = inkHeight(letters);
        QVERIFY2(nameHeight * 10 >= capitalHeight * 7,
                 qPrintable(QStringLiteral("%1 %2").arg(nameHeight).arg(capitalHeight)));
        // Its three letters stand side by side, wider than one character of the row.
        int left = letters.width();
        int right = -1;
        for (int y = 0; y < letters.height(); ++y) {
            for (int x = 0; x < letters.width(); ++x) {
                if (letters.pixel(x, y) != qRgb(255, 255, 255)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        const qreal cell = QFontMetricsF(terminalFont()).horizontalAdvance(QLatin1Char('M'));
        QVERIFY2(right - left + 1 >= 1.8 * cell, qPrintable(QString::number(right - left + 1)));
    }

    void shownCells_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<qsizetype>("cells");
        QTest::newRow("plain") << QStringLiteral("abc") << qsizetype(3);
        QTest::newRow("CR LF") << QStringLiteral("OK\r\n") << qsizetype(2 + 2 * kControlCellChars);
        QTest::newRow("cut") << QString(kMax + 5, QLatin1Char('x')) << kMax + 1;
    }
    void shownCells()
    {
        QFETCH(QString, line);
        QFETCH(qsizetype, cells);
        QCOMPARE(::shownCells(line), cells);
    }

    void rowsAreWideEnoughForNamedControls()
    {
        TrafficListModel model;
        TrafficListView view;
        view.setModel(&model);
        view.resize(460, 200);
        view.show();
        const QString controls = QStringLiteral("12:00:00.000  [IN]   ") + QString(200, QChar(char16_t(1)));
        model.appendLine(controls);
        model.appendLine(QStringLiteral("short"));
        const qreal cell = QFontMetricsF(view.font()).horizontalAdvance(QLatin1Char('M'));
        const int needed = int((21 + 200 * kControlCellChars) * cell);
        QVERIFY2(view.visualRect(model.index(1)).width() >= needed,
                 qPrintable(QString::number(view.visualRect(model.index(1)).width())));
        // A cleared list forgets the wide line.
        model.clear();
        model.appendLine(QStringLiteral("short"));
        QVERIFY(view.horizontalScrollBar()->maximum() == 0);
    }

    // Rows are drawn glyph by glyph from a cache; the pixels must be those of the text drawn
    // whole, whichever font supplies a character.
    void rowGlyphsDrawWhatTheTextDraws_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("ASCII") << QStringLiteral("12:00:00.000  [IN]   OK 0123 ABC xyz ~|{}");
        QTest::newRow("Windows-1252 letters") << QStringLiteral("Grüße € ‰ Œ ÿ ¼ µ");
        QTest::newRow("other scripts") << QStringLiteral("Ωμέγα жук ✓ → ∑");
        QTest::newRow("a character no font has") << QStringLiteral("A\U000F0041B");
    }
    void rowGlyphsDrawWhatTheTextDraws()
    {
        QFETCH(QString, text);
        const QImage byGlyphs = drawnText(text, true);
        QVERIFY(inkHeight(byGlyphs) > 0);
        QCOMPARE(byGlyphs, drawnText(text, false));
    }

    void rowGlyphAdvancesAreThoseOfTheFont()
    {
        const QFont font = terminalFont();
        const QFontMetricsF metrics(font);
        RowGlyphs glyphs(font);
        const QString text = QStringLiteral("M\u00E4\U0001F600\u20AC");
        const auto [m, mUnits] = glyphs.advanceAt(text, 0);
        QCOMPARE(mUnits, 1);
        QCOMPARE(m, metrics.horizontalAdvance(QLatin1Char('M')));
        // A character beyond the first plane is one character of two code units.
        const auto [face, faceUnits] = glyphs.advanceAt(text, 2);
        QCOMPARE(faceUnits, 2);
        QCOMPARE(face, metrics.horizontalAdvance(text.mid(2, 2)));
        QCOMPARE(glyphs.advanceAt(text, 4).first, metrics.horizontalAdvance(text.mid(4, 1)));
    }

    // Rows the style has nothing to draw on are painted without asking it; every other row
    // still gets what the style draws.
    void rowsLookAsTheStyleDrawsThem_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("styleDraws");
        const int enabled = int(QStyle::State_Enabled);
        QTest::newRow("plain") << enabled << false;
        QTest::newRow("selected") << (enabled | int(QStyle::State_Selected)) << true;
        QTest::newRow("current") << (enabled | int(QStyle::State_HasFocus)) << true;
        QTest::newRow("disabled") << 0 << false;
    }
    void rowsLookAsTheStyleDrawsThem()
    {
        QFETCH(int, state);
        QFETCH(bool, styleDraws);
        TrafficListModel model;
        model.appendLine(QStringLiteral("12:00:00.000  [IN]   OK\r\n"));
        TrafficLineDelegate delegate;
        QStyleOptionViewItem option = rowOption();
        option.palette.setColor(QPalette::Highlight, Qt::darkBlue);
        option.rect = QRect(QPoint(0, 0), delegate.sizeHint(option, model.index(0)));
        const auto picture = [&](QStyle::State rowState, bool styleFirst) {
            QStyleOptionViewItem row = option;
            row.state = rowState;
            QImage image(row.rect.size(), QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            if (styleFirst) {
                QStyleOptionViewItem styled = row;
                styled.index = model.index(0);
                QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &styled, &painter);
            }
            delegate.paint(&painter, row, model.index(0));
            return image;
        };
        const QImage painted = picture(QStyle::State(state), false);
        if (styleDraws) {
            QVERIFY(painted != picture(QStyle::State_Enabled, false));
        } else {
            QCOMPARE(painted, picture(QStyle::State(state), true));
        }
    }
};

QTEST_MAIN(TestTrafficRows)
#include "tst_trafficrows.moc"
