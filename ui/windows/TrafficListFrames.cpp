#include "TrafficListView.h"

#include "PacedScrollBar.h"

#include <QAccessible>
#include <QScreen>

#include <algorithm>
#include <cstdlib>
#include <utility>

// How the list's pixels follow its state: changes are noted as they happen and drawn together
// at the next frame.

namespace {

// More separate changed ranges than this in one frame are drawn as one whole new picture.
constexpr size_t kMaxChangedRanges = 16;

} // namespace

void TrafficListView::scrollContentsBy(int dx, int dy)
{
    // The pixels move at the next frame, by all the scrolling since the last one.
    m_unshownDx += isRightToLeft() ? -dx : dx;
    m_unshownDy += dy;
    if (dy != 0)
        m_followRow = -1; // scrolled by someone else: the next append follows again
    requestFrame();
}

void TrafficListView::selectionChanged(const QItemSelection &selected,
                                       const QItemSelection &deselected)
{
    if (QAccessible::isActive())
        QListView::selectionChanged(selected, deselected); // it also tells assistive tools
    for (const QItemSelection *ranges : {&selected, &deselected}) {
        for (const QItemSelectionRange &range : *ranges) {
            if (range.isValid() && range.parent() == rootIndex())
                markRowsChanged(range.top(), range.bottom());
        }
    }
}

void TrafficListView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    if (QAccessible::isActive()) {
        QListView::currentChanged(current, previous);
    } else if (current.isValid() && isVisible() && hasAutoScroll() && !m_selectingLast) {
        scrollTo(current);
    }
    if (previous.isValid())
        markRowsChanged(previous.row(), previous.row());
    if (current.isValid())
        markRowsChanged(current.row(), current.row());
}

void TrafficListView::showEvent(QShowEvent *event)
{
    QListView::showEvent(event);
    if (const QScreen *display = screen())
        m_pacer.setPeriodMs(std::max(kShortestFramePeriodMs,
                                     FramePacer::periodForRefreshRate(display->refreshRate())));
}

void TrafficListView::markRowsChanged(qint64 first, qint64 last)
{
    if (!m_allChanged) {
        if (!m_changedRows.empty() && first <= m_changedRows.back().second + 1
            && last >= m_changedRows.back().first - 1) {
            auto &[from, to] = m_changedRows.back();
            from = std::min(from, first);
            to = std::max(to, last);
        } else if (m_changedRows.size() < kMaxChangedRanges) {
            m_changedRows.emplace_back(first, last);
        } else {
            m_allChanged = true;
        }
    }
    requestFrame();
}

void TrafficListView::markAllChanged()
{
    m_allChanged = true;
    m_changedRows.clear();
    requestFrame();
}

// What the frame changes itself it draws itself: no second frame for that.
void TrafficListView::requestFrame()
{
    if (!m_inFrame)
        m_pacer.request();
}

void TrafficListView::followAppendedRow()
{
    if (m_rangesStale)
        updateScrollRanges();
    const int row = std::exchange(m_followRow, -1);
    if (row < 0 || currentIndex().row() != row || row >= lineCount())
        return;
    scrollTo(lineIndex(row), EnsureVisible);
}

void TrafficListView::drawFrame()
{
    m_inFrame = true;
    followAppendedRow();
    const QRect area = viewport()->rect();
    if (m_unshownDx != 0 || m_unshownDy != 0) {
        // Scrolling moves what is on screen; only the rows it uncovers get painted.
        if (std::abs(m_unshownDx) >= area.width() || std::abs(m_unshownDy) >= area.height())
            m_allChanged = true;
        else if (!m_allChanged)
            viewport()->scroll(m_unshownDx, m_unshownDy);
        m_unshownDx = 0;
        m_unshownDy = 0;
    }
    if (m_allChanged) {
        viewport()->update();
    } else {
        for (const auto &[first, last] : m_changedRows)
            viewport()->update(rowRect(first).united(rowRect(last)).intersected(area));
    }
    m_changedRows.clear();
    m_allChanged = false;
    m_verticalBar->paintIfChanged();
    m_horizontalBar->paintIfChanged();
    m_inFrame = false;
}
