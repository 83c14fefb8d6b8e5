#include "TrafficListView.h"

#include "PacedScrollBar.h"
#include "TrafficLineDelegate.h"
#include "TrafficListModel.h"
#include "Twips.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>

TrafficListView::TrafficListView(QWidget *parent)
    : QListView(parent), m_pacer([this] { drawFrame(); }, kShortestFramePeriodMs)
{
    m_verticalBar = new PacedScrollBar(Qt::Vertical, [this] { requestFrame(); });
    m_horizontalBar = new PacedScrollBar(Qt::Horizontal, [this] { requestFrame(); });
    setVerticalScrollBar(m_verticalBar);
    setHorizontalScrollBar(m_horizontalBar);
    // The scroll area lays its bars out anew after every change of their ranges, which marks
    // both bars for repainting: once per appended line. Only a bar that comes or goes needs that.
    for (PacedScrollBar *bar : {m_verticalBar, m_horizontalBar}) {
        disconnect(bar, SIGNAL(rangeChanged(int, int)), this, SLOT(_q_showOrHideScrollBars()));
        connect(bar, &QScrollBar::rangeChanged, this, [this, bar, needed = false](int min, int max) mutable {
            if ((min < max) == needed)
                return;
            needed = min < max;
            QMetaObject::invokeMethod(this, "_q_showOrHideScrollBars", Qt::QueuedConnection);
        });
    }
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setWrapping(false);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFont(terminalFont());
    setItemDelegate(new TrafficLineDelegate(this));
}

void TrafficListView::selectLastAndScroll()
{
    if (!model() || !selectionModel())
        return;
    const int rows = lineCount();
    if (rows == 0)
        return;
    m_selectingLast = true;
    selectionModel()->setCurrentIndex(lineIndex(rows - 1), QItemSelectionModel::ClearAndSelect);
    m_selectingLast = false;
    m_followRow = rows - 1;
    requestFrame();
}

int TrafficListView::lineCount() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

QModelIndex TrafficListView::lineIndex(int row) const
{
    return model() ? model()->index(row, modelColumn(), rootIndex()) : QModelIndex();
}

qint64 TrafficListView::rowAtY(int y) const
{
    const qint64 contentY = qint64(y) + verticalOffset();
    return contentY >= 0 ? contentY / m_rowSize.height() : -1;
}

QRect TrafficListView::rowRect(qint64 row) const
{
    // Rows far outside the viewport would leave the int range; they are placed just beyond it.
    const qint64 limit = qint64(1) << 30;
    const qint64 top = std::clamp(row * m_rowSize.height() - verticalOffset(), -limit, limit);
    const int width = std::max(m_rowSize.width(), viewport()->width());
    return QRect(-horizontalOffset(), int(top), width, m_rowSize.height());
}

QSize TrafficListView::measureRowSize() const
{
    // All rows share the size of the last one, which the delegate makes as wide as the
    // longest line.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int rows = lineCount();
    const QModelIndex sample = rows > 0 ? lineIndex(rows - 1) : QModelIndex();
    QAbstractItemDelegate *delegate = sample.isValid() ? itemDelegateForIndex(sample) : itemDelegate();
    const QSize size = delegate ? delegate->sizeHint(option, sample) : QSize();
    return QSize(std::max(1, size.width()), std::max(1, size.height()));
}

QRect TrafficListView::visualRect(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex()
        || index.column() != modelColumn())
        return QRect();
    return rowRect(index.row());
}

QModelIndex TrafficListView::indexAt(const QPoint &point) const
{
    const qint64 row = rowAtY(point.y());
    if (row < 0 || row >= lineCount())
        return QModelIndex();
    return lineIndex(int(row));
}

void TrafficListView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    if (!visualRect(index).isValid())
        return;
    m_followRow = -1; // whoever scrolls now decides what is shown
    executeDelayedItemsLayout(); // the scroll range must already include new rows
    if (m_rangesStale)
        updateScrollRanges();

    const qint64 height = m_rowSize.height();
    const qint64 top = qint64(index.row()) * height;
    const qint64 page = viewport()->height();
    const qint64 current = verticalScrollBar()->value();
    qint64 target = current;
    switch (hint) {
    case EnsureVisible:
        if (top < current)
            target = top;
        else if (top + height > current + page)
            target = top + height - page;
        break;
    case PositionAtTop:
        target = top;
        break;
    case PositionAtBottom:
        target = top + height - page;
        break;
    case PositionAtCenter:
        target = top - (page - height) / 2;
        break;
    }
    verticalScrollBar()->setValue(int(std::clamp<qint64>(target, 0, verticalScrollBar()->maximum())));
}

void TrafficListView::doItemsLayout()
{
    // Nothing to place row by row: the geometry follows from the row size and the count.
    QAbstractItemView::doItemsLayout();
}

void TrafficListView::rowsInserted(const QModelIndex &parent, int start, int end)
{
    // QListView would schedule a full items layout, which repaints the whole viewport for
    // every appended line; only the new rows need drawing, unless the row size changed.
    QAbstractItemView::rowsInserted(parent, start, end);
    // Control characters drawn by name are wider than other characters; the new lines' widths
    // let the rows grow to show them whole.
    auto *lines = qobject_cast<TrafficLineDelegate *>(itemDelegate());
    if (lines && parent == rootIndex()) {
        qsizetype widest = lines->widestCells();
        for (int row = start; row <= end; ++row)
            widest = std::max(widest, shownCells(lineIndex(row).data(Qt::DisplayRole).toString()));
        lines->setWidestCells(widest);
    }
    const QSize before = m_rowSize;
    // Measuring the row costs a style option and the delegate's metrics: per line at a fast
    // stream that was more than the append itself. The size only follows these two figures.
    if (rowSizeKey() != m_rowSizeFor)
        updateGeometries();
    else
        m_rangesStale = true; // set at the frame
    if (m_rowSize != before)
        markAllChanged();
    else
        markRowsChanged(start, end);
}

void TrafficListView::reset()
{
    // A cleared or replaced list forgets the width of the lines it had.
    if (auto *lines = qobject_cast<TrafficLineDelegate *>(itemDelegate()))
        lines->setWidestCells(0);
    m_followRow = -1;
    QListView::reset();
    markAllChanged();
}

TrafficListView::RowSizeKey TrafficListView::rowSizeKey() const
{
    const auto *lines = qobject_cast<const TrafficListModel *>(model());
    const auto *delegate = qobject_cast<const TrafficLineDelegate *>(itemDelegate());
    return {lines ? lines->longestLineLength() : -1, delegate ? delegate->widestCells() : -1,
            font(), style()};
}

void TrafficListView::updateGeometries()
{
    m_rowSize = measureRowSize();
    m_rowSizeFor = rowSizeKey();
    m_horizontalStep = std::max(1, 2 * fontMetrics().horizontalAdvance(QLatin1Char('M')));
    updateScrollRanges();
    QAbstractItemView::updateGeometries();
}

void TrafficListView::updateScrollRanges()
{
    m_rangesStale = false;
    const QSize page = viewport()->size();
    const qint64 contentHeight = qint64(lineCount()) * m_rowSize.height();
    const qint64 maxV = std::clamp<qint64>(contentHeight - page.height(), 0, INT_MAX);

    QScrollBar *vertical = verticalScrollBar();
    vertical->setSingleStep(m_rowSize.height());
    vertical->setPageStep(std::max(1, page.height()));
    vertical->setRange(0, int(maxV));

    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setSingleStep(m_horizontalStep);
    horizontal->setPageStep(std::max(1, page.width()));
    horizontal->setRange(0, std::max(0, m_rowSize.width() - page.width()));
}

int TrafficListView::horizontalOffset() const
{
    return horizontalScrollBar()->value();
}

int TrafficListView::verticalOffset() const
{
    return verticalScrollBar()->value();
}

QSize TrafficListView::viewportSizeHint() const
{
    return QAbstractItemView::viewportSizeHint();
}

QModelIndex TrafficListView::moveCursor(CursorAction action, Qt::KeyboardModifiers)
{
    const int rows = lineCount();
    if (rows == 0)
        return QModelIndex();
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return lineIndex(action == MoveEnd ? rows - 1 : 0);

    const qint64 pageRows = std::max(1, viewport()->height() / m_rowSize.height());
    qint64 row = current.row();
    switch (action) {
    case MoveUp:
    case MovePrevious:
        --row;
        break;
    case MoveDown:
    case MoveNext:
        ++row;
        break;
    case MovePageUp:
        row -= pageRows;
        break;
    case MovePageDown:
        row += pageRows;
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = rows - 1;
        break;
    case MoveLeft:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case MoveRight:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    }
    return lineIndex(int(std::clamp<qint64>(row, 0, rows - 1)));
}

void TrafficListView::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command)
{
    if (!selectionModel())
        return;
    const QRect r = rect.normalized();
    const qint64 first = std::max<qint64>(0, rowAtY(r.top()));
    const qint64 last = std::min<qint64>(lineCount() - 1, rowAtY(r.bottom()));
    QItemSelection selection;
    if (first <= last && r.bottom() >= 0)
        selection.select(lineIndex(int(first)), lineIndex(int(last)));
    selectionModel()->select(selection, command);
}

QRegion TrafficListView::visualRegionForSelection(const QItemSelection &selection) const
{
    const QRect area = viewport()->rect();
    QRegion region;
    for (const QItemSelectionRange &range : selection) {
        if (!range.isValid() || range.parent() != rootIndex())
            continue;
        const QRect top = rowRect(range.top());
        const QRect bottom = rowRect(range.bottom());
        region += QRect(top.topLeft(), bottom.bottomRight()).intersected(area);
    }
    return region;
}

void TrafficListView::paintEvent(QPaintEvent *event)
{
    const int rows = lineCount();
    if (rows == 0)
        return;
    QPainter painter(viewport());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State baseState = option.state;
    const bool enabled = baseState & QStyle::State_Enabled;
    const QModelIndex current = currentIndex();
    const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();

    const QRect area = event->rect();
    const qint64 first = std::max<qint64>(0, rowAtY(area.top()));
    const qint64 last = std::min<qint64>(rows - 1, rowAtY(area.bottom()));
    for (qint64 row = first; row <= last; ++row) {
        const QModelIndex index = lineIndex(int(row));
        option.rect = rowRect(row);
        option.state = baseState;
        if (selectionModel() && selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (enabled) {
            const bool itemEnabled = model()->flags(index) & Qt::ItemIsEnabled;
            option.state.setFlag(QStyle::State_Enabled, itemEnabled);
            option.palette.setCurrentColorGroup(itemEnabled ? QPalette::Normal : QPalette::Disabled);
        }
        if (focus && index == current)
            option.state |= QStyle::State_HasFocus;
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
    // Painted before the frame showed the scrolling: what was not painted now is out of
    // place, so the frame paints everything.
    if (m_unshownDx != 0 || m_unshownDy != 0)
        markAllChanged();
}
