#pragma once
#include "FramePacer.h"

#include <QListView>
#include <QSize>

#include <vector>

class PacedScrollBar;

// The list view for the traffic list: single selection, one row per line, all rows the same
// size, no wrapping, horizontal scrolling, the traffic list font. Double clicks arrive through
// doubleClicked().
//
// QListView lays out every row again after each insertion, even with uniform item sizes
// (about 75 ms per appended line at a million lines). This view therefore places its rows
// itself: row r lies at r * row height, so appending, scrolling, hit-testing and painting cost
// the same at any length. Hidden rows, spacing, grids, wrapping and other flows are not
// supported; rectForIndex() of QListView does not apply (use visualRect()).
//
// Its rows and selection follow every change at once, but what is on screen follows at most
// once per display frame: the scroll position that shows the newest line, the vertical scroll
// bar's range and the pixels. A stream of appended lines costs one scroll and one paint of the
// new rows per frame, not per line. Whatever scrolls in between (scrollTo(), the user, the keys)
// brings the range up to date first.
class TrafficListView : public QListView {
    Q_OBJECT
public:
    explicit TrafficListView(QWidget *parent = nullptr);

    // Makes the last row the current and only selected row at once; it is scrolled into view,
    // keeping the horizontal scroll position, at the next frame (unless something else scrolls
    // first or another row becomes current).
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

    // True while changes wait for the next frame to be drawn.
    bool framePending() const { return m_pacer.pending(); }

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
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void showEvent(QShowEvent *event) override;

private:
    int lineCount() const;
    QModelIndex lineIndex(int row) const;
    // The row under a viewport y coordinate; may lie outside 0..lineCount()-1.
    qint64 rowAtY(int y) const;
    QRect rowRect(qint64 row) const;
    QSize measureRowSize() const;
    // What the row size depends on: the longest line, the widest row, font and style.
    struct RowSizeKey {
        qsizetype longest = -1;
        qsizetype widest = -1;
        QFont font;
        const QStyle *style = nullptr;
        bool operator==(const RowSizeKey &) const = default;
    };
    RowSizeKey rowSizeKey() const;
    void updateScrollRanges();

    // What the next frame draws: rows that changed, the scrolling not yet shown, or all.
    void markRowsChanged(qint64 first, qint64 last);
    void markAllChanged();
    void requestFrame();
    void drawFrame();
    void followAppendedRow();

    // A traffic list is read rather than watched: 30 frames a second follow a stream smoothly
    // and cost half of what 60 do. A slower display sets a longer period.
    static constexpr int kShortestFramePeriodMs = 33;

    QSize m_rowSize{1, 1};
    int m_horizontalStep = 1; // two characters of the font the row size was measured with
    RowSizeKey m_rowSizeFor;
    FramePacer m_pacer;
    PacedScrollBar *m_verticalBar = nullptr;
    PacedScrollBar *m_horizontalBar = nullptr;
    std::vector<std::pair<qint64, qint64>> m_changedRows;
    int m_unshownDx = 0;
    int m_unshownDy = 0;
    bool m_allChanged = false;
    bool m_rangesStale = false;   // rows were appended since the ranges were set
    int m_followRow = -1;         // to be scrolled into view at the frame, if still current
    bool m_selectingLast = false;
    bool m_inFrame = false;
    bool m_displayPaused = false;
};
