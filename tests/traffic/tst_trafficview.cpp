// The traffic list view: control pictures, one row per line, selecting and scrolling.
#include "PaintedLine.h"
#include "TrafficLine.h"
#include "TrafficLineDelegate.h"
#include "TrafficListModel.h"
#include "TrafficListView.h"
#include "Twips.h"

#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

namespace {

// Counts how often the view asks the model for indexes and texts.
class CountingModel final : public TrafficListModel {
public:
    QModelIndex index(int row, int column, const QModelIndex &parent) const override
    {
        ++indexCalls;
        return TrafficListModel::index(row, column, parent);
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::DisplayRole)
            ++displayCalls;
        return TrafficListModel::data(index, role);
    }
    mutable int indexCalls = 0;
    mutable int displayCalls = 0;
};

QString chars(std::initializer_list<int> codes)
{
    QString s;
    for (int c : codes)
        s.append(QChar(char16_t(c)));
    return s;
}

// A shown view over a model, sized like the main window's list.
struct ShownList {
    TrafficListModel model;
    TrafficListView view;

    ShownList()
    {
        view.setModel(&model);
        view.resize(460, 200);
        view.show();
    }
    void append(int lines, const QString &text = QStringLiteral("12:00:00.000  [IN]   line %1"))
    {
        for (int i = 0; i < lines; ++i)
            model.appendLine(text.arg(model.count()));
    }
    QModelIndex row(int r) const { return model.index(r); }
    // What the list shows follows at its next frame.
    bool showFrame()
    {
        return QTest::qWaitFor([this] { return !view.framePending(); });
    }
};

bool hasColouredPixel(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - c.green()) > 40 || qAbs(c.green() - c.blue()) > 40)
                return true;
        }
    }
    return false;
}

// The delegate's drawing of one unselected line on white.
} // namespace

class TestTrafficView : public QObject {
    Q_OBJECT
private slots:
    void controlPictures_data();
    void controlPictures();
    void allControlCodesHavePictures();
    void unchangedLineIsShared();

    void listIsConfiguredForLongSessions();
    void usesTheTerminalFontOrTheFixedFont();
    void lineWithLineEndsTakesOneRow();
    void rowsAreAsWideAsTheLongestLine();
    void controlPicturesAreDrawnInTheirOwnColour();
    void controlCharactersLookDifferent();

    void selectLastAndScrollSelectsTheNewLastRow();
    void selectLastAndScrollShowsTheLastRow();
    void selectLastAndScrollKeepsTheHorizontalPosition();
    void selectLastAndScrollOnEmptyListDoesNothing();
    void selectLastAndScrollBeyondSixteenBitRows();
    void doubleClickReachesTheOwner();

    void rowsFollowEachOtherWithoutGaps();
    void keysMoveTheCurrentLine_data();
    void keysMoveTheCurrentLine();
    void clickSelectsTheLineUnderTheMouse();
    void scrollHintsPlaceTheRow_data();
    void scrollHintsPlaceTheRow();
    void scrollRangeCoversAllRows();
    void appendingDoesNotVisitEveryRow();
    void paintingReadsOnlyVisibleRows();
};

void TestTrafficView::controlPictures_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("shown");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("plain") << QStringLiteral("12:00:00.000  [IN]   OK") << QStringLiteral("12:00:00.000  [IN]   OK");
    QTest::newRow("CR LF") << QStringLiteral("OK\r\n") << QStringLiteral("OK\u240D\u240A");
    QTest::newRow("NUL") << chars({0}) << QStringLiteral("\u2400");
    QTest::newRow("STX ETX") << chars({2, 'x', 3}) << QStringLiteral("\u2402x\u2403");
    QTest::newRow("escape") << chars({27}) << QStringLiteral("\u241B");
    QTest::newRow("unit separator") << chars({31}) << QStringLiteral("\u241F");
    QTest::newRow("delete") << chars({127}) << QStringLiteral("\u2421");
    QTest::newRow("space is no control") << QStringLiteral(" a b ") << QStringLiteral(" a b ");
    QTest::newRow("Windows-1252 and others unchanged") << QStringLiteral("€ƒ…ÿΩ😀") << QStringLiteral("€ƒ…ÿΩ😀");
    QTest::newRow("C1 control unchanged") << chars({0x81, 0x9D}) << chars({0x81, 0x9D});
    QTest::newRow("tokens unchanged") << QStringLiteral("<CR><LF>") << QStringLiteral("<CR><LF>");
}

void TestTrafficView::controlPictures()
{
    QFETCH(QString, line);
    QFETCH(QString, shown);
    QCOMPARE(controlPicturesForDisplay(line), shown);
}

void TestTrafficView::allControlCodesHavePictures()
{
    for (int code = 0; code < 32; ++code) {
        const QString shown = controlPicturesForDisplay(chars({'a', code, 'b'}));
        QCOMPARE(shown, chars({'a', 0x2400 + code, 'b'}));
    }
}

void TestTrafficView::unchangedLineIsShared()
{
    const QString line = QString::fromUtf8("no control characters");
    QVERIFY(controlPicturesForDisplay(line).isSharedWith(line));
}

void TestTrafficView::listIsConfiguredForLongSessions()
{
    TrafficListView view;
    QCOMPARE(view.selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(view.uniformItemSizes());
    QVERIFY(!view.isWrapping());
    QVERIFY(!view.wordWrap());
    QCOMPARE(view.flow(), QListView::TopToBottom);
    QVERIFY(view.horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff);
    QCOMPARE(view.editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(qobject_cast<TrafficLineDelegate *>(view.itemDelegate()));
}

void TestTrafficView::usesTheTerminalFontOrTheFixedFont()
{
    const QFont font = terminalFont();
    QCOMPARE(font.pointSize(), 9);
    if (QFontDatabase::hasFamily(QStringLiteral("Terminal")))
        QCOMPARE(font.family(), QStringLiteral("Terminal"));
    else
        QCOMPARE(font.family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
    TrafficListView view;
    QCOMPARE(view.font(), font);
}

void TestTrafficView::lineWithLineEndsTakesOneRow()
{
    ShownList list;
    list.model.appendLine(QStringLiteral("12:00:00.000  [IN]   OK"));
    list.model.appendLine(QStringLiteral("12:00:00.000  [IN]   A\r\nB\r\nC\r\n"));
    list.view.selectLastAndScroll();
    const QFontMetrics metrics(list.view.font());
    const QRect plain = list.view.visualRect(list.row(0));
    const QRect breaks = list.view.visualRect(list.row(1));
    QCOMPARE(breaks.height(), plain.height());
    QVERIFY(breaks.height() < 2 * metrics.lineSpacing());
    QCOMPARE(breaks.top(), plain.bottom() + 1);
}

void TestTrafficView::rowsAreAsWideAsTheLongestLine()
{
    ShownList list;
    const QString longLine = QStringLiteral("12:00:00.000  [IN]   ") + QString(300, QLatin1Char('W'));
    list.model.appendLine(longLine);
    list.append(5); // the longest line is not the last one
    list.view.selectLastAndScroll();
    const QFontMetrics metrics(list.view.font());
    QVERIFY(list.view.visualRect(list.row(5)).width() >= metrics.horizontalAdvance(longLine));
    QVERIFY(list.view.horizontalScrollBar()->maximum() > 0);
}

void TestTrafficView::controlPicturesAreDrawnInTheirOwnColour()
{
    QVERIFY(!hasColouredPixel(paintedLine(QStringLiteral("OK AB"))));
    QVERIFY(hasColouredPixel(paintedLine(QStringLiteral("OK\r\n"))));
    QVERIFY(hasColouredPixel(paintedLine(QStringLiteral("OK\n"))));
    QVERIFY(hasColouredPixel(paintedLine(chars({'O', 'K', 0}))));
}

void TestTrafficView::controlCharactersLookDifferent()
{
    // Whether the fonts have the control pictures or not, CR and LF must be told apart, and
    // each takes a place of its own.
    const QImage cr = paintedLine(QStringLiteral("A\rB"));
    const QImage lf = paintedLine(QStringLiteral("A\nB"));
    QCOMPARE(cr.size(), lf.size());
    QVERIFY(cr != lf);
    QVERIFY(paintedLine(QStringLiteral("A\r\nB")) != paintedLine(QStringLiteral("A\rB\n")));
}

void TestTrafficView::selectLastAndScrollSelectsTheNewLastRow()
{
    ShownList list;
    list.append(10);
    list.view.setCurrentIndex(list.row(3)); // the user picks an older line
    QCOMPARE(list.view.currentIndex().row(), 3);

    list.append(1);
    list.view.selectLastAndScroll();
    QCOMPARE(list.view.currentIndex().row(), 10);
    const QModelIndexList selected = list.view.selectionModel()->selectedIndexes();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().row(), 10);

    list.append(1);
    list.view.selectLastAndScroll();
    QCOMPARE(list.view.currentIndex().row(), 11);
    QCOMPARE(list.view.selectionModel()->selectedIndexes().size(), 1);
}

void TestTrafficView::selectLastAndScrollShowsTheLastRow()
{
    ShownList list;
    QVERIFY(QTest::qWaitForWindowExposed(&list.view));
    for (int i = 0; i < 5; ++i) {
        list.append(200);
        list.view.selectLastAndScroll();
        QVERIFY(list.showFrame());
        const QRect last = list.view.visualRect(list.row(int(list.model.count()) - 1));
        QVERIFY(list.view.viewport()->rect().contains(QPoint(0, last.center().y())));
    }
    // The user scrolls to the top; the next line brings the view back to the end.
    list.view.scrollToTop();
    QVERIFY(!list.view.viewport()->rect().intersects(list.view.visualRect(list.row(999))));
    list.append(1);
    list.view.selectLastAndScroll();
    QVERIFY(list.showFrame());
    const QRect last = list.view.visualRect(list.row(1000));
    QVERIFY(list.view.viewport()->rect().contains(QPoint(0, last.center().y())));
}

void TestTrafficView::selectLastAndScrollKeepsTheHorizontalPosition()
{
    ShownList list;
    QVERIFY(QTest::qWaitForWindowExposed(&list.view));
    list.model.appendLine(QString(500, QLatin1Char('L')));
    list.append(50);
    list.view.selectLastAndScroll();
    QScrollBar *bar = list.view.horizontalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), 0);

    bar->setValue(bar->maximum() / 2);
    const int scrolled = bar->value();
    list.append(1);
    list.view.selectLastAndScroll();
    QCOMPARE(bar->value(), scrolled);
}

void TestTrafficView::selectLastAndScrollOnEmptyListDoesNothing()
{
    ShownList list;
    list.view.selectLastAndScroll();
    QVERIFY(!list.view.currentIndex().isValid());

    TrafficListView withoutModel;
    withoutModel.selectLastAndScroll();
    QVERIFY(!withoutModel.currentIndex().isValid());
}

void TestTrafficView::selectLastAndScrollBeyondSixteenBitRows()
{
    ShownList list;
    list.append(40000);
    list.view.setCurrentIndex(list.row(32767));
    list.view.selectLastAndScroll();
    QCOMPARE(list.view.currentIndex().row(), 39999);
    QCOMPARE(list.view.currentIndex().data().toString(), QStringLiteral("12:00:00.000  [IN]   line 39999"));
}

void TestTrafficView::doubleClickReachesTheOwner()
{
    ShownList list;
    QVERIFY(QTest::qWaitForWindowExposed(&list.view));
    list.append(3);
    list.view.selectLastAndScroll();
    QModelIndex clicked;
    connect(&list.view, &QAbstractItemView::doubleClicked, this,
            [&](const QModelIndex &index) { clicked = index; });
    const QPoint at = list.view.visualRect(list.row(0)).center();
    QTest::mouseClick(list.view.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list.view.viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(clicked.row(), 0);
    QCOMPARE(list.view.currentIndex().row(), 0);
}

void TestTrafficView::rowsFollowEachOtherWithoutGaps()
{
    ShownList list;
    QVERIFY(QTest::qWaitForWindowExposed(&list.view));
    list.append(30);
    const int height = list.view.visualRect(list.row(0)).height();
    QVERIFY(height > 0);
    for (int r = 0; r < 30; ++r) {
        const QRect rect = list.view.visualRect(list.row(r));
        QCOMPARE(rect.top(), r * height);
        QCOMPARE(rect.height(), height);
        QVERIFY(rect.width() >= list.view.viewport()->width());
        if (list.view.viewport()->rect().contains(rect.center()))
            QCOMPARE(list.view.indexAt(rect.center()).row(), r);
    }
    list.view.scrollToBottom();
    const QRect last = list.view.visualRect(list.row(29));
    QVERIFY(!list.view.indexAt(last.bottomLeft() + QPoint(0, 1)).isValid());
    QCOMPARE(list.view.indexAt(last.topLeft()).row(), 29);
    QVERIFY(!list.view.visualRect(QModelIndex()).isValid());
}

void TestTrafficView::keysMoveTheCurrentLine_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected"); // -1: the last line, -2: one page below the start

    QTest::newRow("down") << 5 << int(Qt::Key_Down) << 6;
    QTest::newRow("up") << 5 << int(Qt::Key_Up) << 4;
    QTest::newRow("up at the first line") << 0 << int(Qt::Key_Up) << 0;
    QTest::newRow("down at the last line") << -1 << int(Qt::Key_Down) << -1;
    QTest::newRow("home") << 70 << int(Qt::Key_Home) << 0;
    QTest::newRow("end") << 3 << int(Qt::Key_End) << -1;
    QTest::newRow("page down") << 10 << int(Qt::Key_PageDown) << -2;
    QTest::newRow("page up near the top") << 2 << int(Qt::Key_PageUp) << 0;
}

void TestTrafficView::keysMoveTheCurrentLine()
{
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, expected);
    ShownList list;
    QVERIFY(QTest::qWaitForWindowExposed(&list.view));
    list.append(100);
    const int last = 99;
    const int pageRows = list.view.viewport()->height() / list.view.visualRect(list.row(0)).height();
    const int startRow = start == -1 ? last : start;
    const int expectedRow = expected == -1 ? last : expected == -2 ? startRow + pageRows : expected;

    list.view.setCurrentIndex(list.row(startRow));
    QTest::keyClick(&list.view, Qt::Key(key));
    QCOMPARE(list.view.currentIndex().row(), expectedRow);
    QCOMPARE(list.view.selectionModel()->selectedIndexes().size(), 1);
    QCOMPARE(list.view.selectionModel()->selectedIndexes().first().row(), expectedRow);
    const QRect rect = list.view.visualRect(list.row(expectedRow));
    QVERIFY(list.view.viewport()->rect().contains(QPoint(0, rect.center().y())));
}

void TestTrafficView::clickSelectsTheLineUnderTheMouse()
{
    ShownList list;
    QVERIFY(QTest::qWaitForWindowExposed(&list.view));
    list.append(50);
    list.view.selectLastAndScroll();
    QVERIFY(list.showFrame());
    const int target = 45;
    const QRect rect = list.view.visualRect(list.row(target));
    QVERIFY(list.view.viewport()->rect().contains(rect.center()));
    QTest::mouseClick(list.view.viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(list.view.currentIndex().row(), target);
    const QModelIndexList selected = list.view.selectionModel()->selectedIndexes();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().row(), target);
}

void TestTrafficView::scrollHintsPlaceTheRow_data()
{
    QTest::addColumn<int>("hint");
    QTest::addColumn<QString>("where");

    QTest::newRow("top") << int(QAbstractItemView::PositionAtTop) << QStringLiteral("top");
    QTest::newRow("bottom") << int(QAbstractItemView::PositionAtBottom) << QStringLiteral("bottom");
    QTest::newRow("center") << int(QAbstractItemView::PositionAtCenter) << QStringLiteral("center");
    QTest::newRow("ensure visible from above") << int(QAbstractItemView::EnsureVisible)
                                               << QStringLiteral("bottom");
}

void TestTrafficView::scrollHintsPlaceTheRow()
{
    QFETCH(int, hint);
    QFETCH(QString, where);
    ShownList list;
    QVERIFY(QTest::qWaitForWindowExposed(&list.view));
    list.append(1000);
    list.view.scrollToTop();
    const QModelIndex target = list.row(500);
    list.view.scrollTo(target, QAbstractItemView::ScrollHint(hint));
    const QRect rect = list.view.visualRect(target);
    const QRect area = list.view.viewport()->rect();
    if (where == QLatin1String("top"))
        QCOMPARE(rect.top(), 0);
    else if (where == QLatin1String("bottom"))
        QCOMPARE(rect.bottom(), area.bottom());
    else
        QVERIFY(qAbs(rect.center().y() - area.center().y()) <= rect.height());

    // A row already in view stays where it is.
    const int value = list.view.verticalScrollBar()->value();
    list.view.scrollTo(list.row(list.view.indexAt(area.center()).row()));
    QCOMPARE(list.view.verticalScrollBar()->value(), value);
}

void TestTrafficView::scrollRangeCoversAllRows()
{
    ShownList list;
    QVERIFY(QTest::qWaitForWindowExposed(&list.view));
    const int rows = 200000;
    list.append(rows);
    list.view.selectLastAndScroll();
    QVERIFY(list.showFrame());
    const int height = list.view.visualRect(list.row(0)).height();
    QScrollBar *bar = list.view.verticalScrollBar();
    QCOMPARE(bar->maximum(), rows * height - list.view.viewport()->height());
    QCOMPARE(bar->value(), bar->maximum());
    QCOMPARE(list.view.visualRect(list.row(rows - 1)).bottom(), list.view.viewport()->rect().bottom());
    list.view.scrollToTop();
    QCOMPARE(list.view.indexAt(QPoint(1, 1)).row(), 0);
}

void TestTrafficView::appendingDoesNotVisitEveryRow()
{
    CountingModel model;
    TrafficListView view;
    view.setModel(&model);
    view.resize(460, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    for (int i = 0; i < 100000; ++i)
        model.appendLine(QStringLiteral("line %1").arg(i));
    view.selectLastAndScroll();
    QCoreApplication::processEvents();

    model.indexCalls = 0;
    model.appendLine(QStringLiteral("one more"));
    view.selectLastAndScroll();
    QCoreApplication::processEvents();
    QCOMPARE(view.currentIndex().row(), 100000);
    QVERIFY2(model.indexCalls < 1000, qPrintable(QString::number(model.indexCalls)));
}

void TestTrafficView::paintingReadsOnlyVisibleRows()
{
    CountingModel model;
    TrafficListView view;
    view.setModel(&model);
    view.resize(460, 200);
    for (int i = 0; i < 100000; ++i)
        model.appendLine(QStringLiteral("line %1").arg(i));
    view.selectLastAndScroll();
    const int visibleRows = view.viewport()->height() / view.visualRect(model.index(0, 0, {})).height() + 2;

    model.displayCalls = 0;
    const QImage image = view.grab().toImage();
    QVERIFY(!image.isNull());
    QVERIFY(model.displayCalls > 0);
    QVERIFY2(model.displayCalls <= 3 * visibleRows, qPrintable(QString::number(model.displayCalls)));
}

QTEST_MAIN(TestTrafficView)
#include "tst_trafficview.moc"
