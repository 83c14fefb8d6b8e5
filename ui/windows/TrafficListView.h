#pragma once
#include <QListView>
#include <QSize>

// The list view for the traffic list: single selection, one row per line, all rows the same
// size, no wrapping, horizontal scrolling, the traffic list font. Double clicks arrive through
// doubleClicked().
//
// QListView lays out every row again after each insertion, even with uniform item sizes
// (about 75 ms per appended line at a million lines). This view therefore places its rows
// itself: row r lies at r * row height, so appending, scrolling, hit-testing and painting cost
// the same at any length. Hidden rows, spacing, grids, wrapping and other flows are not
// supported; rectForIndex() of QListView does not apply (use visualRect()).
class TrafficListView : public QListView {
    Q_OBJECT
public:
    explicit TrafficListView(QWidget *parent = nullptr);

    // Makes the last row the current and only selected row and scrolls it into view, keeping
    // the horizontal scroll position.
    void selectLastAndScroll();
    // While the display is paused, appends leave the selection and the scroll position alone:
    // whoever follows appends asks this before selecting the last row.
    bool displayPaused() const { return m_displayPaused; }
    void setDisplayPaused(bool paused) { m_displayPaused = paused; }

    QRect visualRect(const QModelIndex &index) const override;
    QModelIndex indexAt(const QPoint &point) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    void doItemsLayout() override;
    void reset() override;

protected:
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void paintEvent(QPaintEvent *event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    QSize viewportSizeHint() const override;

private:
    int lineCount() const;
    QModelIndex lineIndex(int row) const;
    // The row under a viewport y coordinate; may lie outside 0..lineCount()-1.
    qint64 rowAtY(int y) const;
    QRect rowRect(qint64 row) const;
    QSize measureRowSize() const;

    QSize m_rowSize{1, 1};
    bool m_displayPaused = false;
};
