#include "TrafficList.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QHash>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTextLayout>
#include <QtMath>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>

// ---------------------------------------------------------------------------------------------
// Line format

namespace {

void appendPadded(QString &out, unsigned value, int width)
{
    std::array<char16_t, 12> reversed{};
    int n = 0;
    do {
        reversed[n++] = char16_t(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n < width)
        reversed[n++] = u'0';
    while (n > 0)
        out.append(QChar(reversed[--n]));
}

} // namespace

QString FormatTrafficLine(const platform::SystemTime &stamp, const QString &marker,
                          const QString &data)
{
    QString line;
    line.reserve(12 + marker.size() + data.size());
    appendPadded(line, stamp.wHour, 2);
    line.append(u':');
    appendPadded(line, stamp.wMinute, 2);
    line.append(u':');
    appendPadded(line, stamp.wSecond, 2);
    line.append(u'.');
    appendPadded(line, stamp.wMilliseconds, 3);
    line.append(marker);
    line.append(data);
    return line;
}

// ---------------------------------------------------------------------------------------------
// Control pictures

namespace {

constexpr char16_t kDelete = 127;
constexpr char16_t kControlPicturesBase = 0x2400;
constexpr char16_t kDeletePicture = 0x2421;

bool isControl(QChar c)
{
    return c.unicode() < 32 || c.unicode() == kDelete;
}

QChar controlPicture(QChar c)
{
    return c.unicode() == kDelete ? QChar(kDeletePicture)
                                  : QChar(char16_t(kControlPicturesBase + c.unicode()));
}

} // namespace

QString ControlPicturesForDisplay(const QString &line)
{
    const auto firstControl = std::find_if(line.cbegin(), line.cend(), isControl);
    if (firstControl == line.cend())
        return line;
    QString shown = line;
    for (auto it = shown.begin() + (firstControl - line.cbegin()); it != shown.end(); ++it) {
        if (isControl(*it))
            *it = controlPicture(*it);
    }
    return shown;
}

QFont TrafficListFont()
{
    const QString terminal = QStringLiteral("Terminal");
    if (QFontDatabase::hasFamily(terminal))
        return QFont(terminal, 9);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(9);
    return fixed;
}

// ---------------------------------------------------------------------------------------------
// Compact line storage

namespace {

constexpr qsizetype kChunkBytes = qsizetype(1) << 20;
// Lines larger than this get a chunk of their own instead of cutting the open chunk short.
constexpr qsizetype kOwnChunkBytes = kChunkBytes / 4;

// Windows-1252 bytes 0x80-0x9F; the five bytes the code page leaves undefined stand for the
// C1 control characters of the same value, as the serial layer decodes them.
constexpr std::array<char16_t, 32> kCp1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr std::array<char16_t, 256> makeNarrowToChar()
{
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = char16_t(b);
    for (int i = 0; i < 32; ++i)
        table[0x80 + i] = kCp1252High[i];
    return table;
}

constexpr std::array<char16_t, 256> kNarrowToChar = makeNarrowToChar();

// The byte that stands for c in the one-byte form, or -1 when c has none.
int narrowByteFor(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    const auto hit = std::find(kCp1252High.begin(), kCp1252High.end(), c);
    return hit == kCp1252High.end() ? -1 : int(0x80 + (hit - kCp1252High.begin()));
}

// Writes line in the one-byte form to out; false (with out partly written) if some
// character has no byte.
bool encodeNarrow(QStringView line, char *out)
{
    for (const QChar c : line) {
        const int byte = narrowByteFor(c.unicode());
        if (byte < 0)
            return false;
        *out++ = char(byte);
    }
    return true;
}

} // namespace

TrafficListModel::TrafficListModel(QObject *parent) : QAbstractListModel(parent) {}

TrafficListModel::~TrafficListModel() = default;

void TrafficListModel::appendLine(const QString &line)
{
    const LineRef ref = store(line);
    const int row = int(m_lines.size());
    beginInsertRows(QModelIndex(), row, row);
    m_lines.push_back(ref);
    endInsertRows();
}

TrafficListModel::LineRef TrafficListModel::store(QStringView line)
{
    LineRef ref;
    ref.length = quint64(line.size());
    m_longestLine = std::max(m_longestLine, line.size());
    if (line.isEmpty())
        return ref;

    const qsizetype narrowSize = line.size();
    ref.chunk = chunkWithRoom(narrowSize);
    Chunk *chunk = &m_chunks[ref.chunk];
    qsizetype size = narrowSize;
    if (!encodeNarrow(line, chunk->bytes.get() + chunk->used)) {
        size = line.size() * qsizetype(sizeof(char16_t));
        ref.wide = 1;
        ref.chunk = chunkWithRoom(size);
        chunk = &m_chunks[ref.chunk];
        std::memcpy(chunk->bytes.get() + chunk->used, line.utf16(), size_t(size));
    }
    ref.offset = quint32(chunk->used);
    chunk->used += size;
    m_textBytes += size;
    return ref;
}

quint32 TrafficListModel::chunkWithRoom(qsizetype size)
{
    const auto addChunk = [this](qsizetype capacity) {
        // Deliberately left uninitialised: untouched pages of a fresh chunk cost no memory.
        m_chunks.push_back({std::make_unique_for_overwrite<char[]>(size_t(capacity)), capacity, 0});
        return qsizetype(m_chunks.size() - 1);
    };
    if (size > kOwnChunkBytes)
        return quint32(addChunk(size));
    if (m_openChunk < 0 || m_chunks[m_openChunk].capacity - m_chunks[m_openChunk].used < size)
        m_openChunk = addChunk(kChunkBytes);
    return quint32(m_openChunk);
}

QString TrafficListModel::textOf(const LineRef &ref) const
{
    const qsizetype length = qsizetype(ref.length);
    if (length == 0)
        return QString();
    const char *bytes = m_chunks[ref.chunk].bytes.get() + ref.offset;
    QString text(length, Qt::Uninitialized);
    if (ref.wide) {
        std::memcpy(text.data(), bytes, size_t(length) * sizeof(char16_t));
    } else {
        QChar *out = text.data();
        for (qsizetype i = 0; i < length; ++i)
            out[i] = QChar(kNarrowToChar[static_cast<unsigned char>(bytes[i])]);
    }
    return text;
}

void TrafficListModel::clear()
{
    beginResetModel();
    std::deque<LineRef>().swap(m_lines); // clear() alone would keep the blocks
    std::vector<Chunk>().swap(m_chunks);
    m_openChunk = -1;
    m_longestLine = 0;
    m_textBytes = 0;
    endResetModel();
}

QModelIndex TrafficListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column != 0 || parent.isValid() || size_t(row) >= m_lines.size())
        return QModelIndex();
    return createIndex(row, 0);
}

int TrafficListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

QVariant TrafficListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return QVariant();
    return textOf(m_lines[size_t(index.row())]);
}

Qt::ItemFlags TrafficListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QString TrafficListModel::lineAt(int row) const
{
    if (row < 0 || qsizetype(row) >= count())
        return QString();
    return textOf(m_lines[size_t(row)]);
}

qsizetype TrafficListModel::count() const
{
    return qsizetype(m_lines.size());
}

qsizetype TrafficListModel::longestLineLength() const
{
    return m_longestLine;
}

qsizetype TrafficListModel::storedTextBytes() const
{
    return m_textBytes;
}

qsizetype TrafficListModel::allocatedBytes() const
{
    qsizetype total = qsizetype(m_chunks.capacity() * sizeof(Chunk));
    for (const Chunk &chunk : m_chunks)
        total += chunk.capacity;
    // std::deque keeps its elements in 512-byte blocks, reached through one pointer each.
    const qsizetype perBlock = std::max<qsizetype>(1, 512 / qsizetype(sizeof(LineRef)));
    const qsizetype blocks = (count() + perBlock - 1) / perBlock + 1;
    return total + blocks * (512 + qsizetype(sizeof(void *)));
}

// ---------------------------------------------------------------------------------------------
// Delegate

namespace {

// Plain runs are drawn in pieces of at most this many characters, so that the part of a long
// line right of the visible area is never shaped.
constexpr qsizetype kPieceChars = 256;

QColor controlPictureColour(const QStyleOptionViewItem &option)
{
    if (!(option.state & QStyle::State_Enabled))
        return option.palette.color(QPalette::Disabled, QPalette::Text);
    if (option.state & QStyle::State_Selected)
        return QColor(0xA0, 0xF0, 0xFF);
    return QColor(0x00, 0x80, 0x9A);
}

QColor plainTextColour(const QStyleOptionViewItem &option)
{
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (option.state & QStyle::State_Active) ? QPalette::Active
                                                                               : QPalette::Inactive;
    return option.palette.color(group, (option.state & QStyle::State_Selected)
                                           ? QPalette::HighlightedText
                                           : QPalette::Text);
}

// The end of the piece that starts at `from`: a run of control characters, or of other
// characters (at most kPieceChars, never splitting a surrogate pair).
qsizetype pieceEnd(QStringView text, qsizetype from)
{
    const bool control = isControl(text[from]);
    qsizetype end = from + 1;
    while (end < text.size() && isControl(text[end]) == control
           && (control || end - from < kPieceChars))
        ++end;
    if (!control && end < text.size() && text[end].isLowSurrogate() && end - from > 1)
        --end;
    return end;
}

// Where drawing stops having any effect: rows are as wide as the longest line, most of which
// usually lies beyond the viewport.
qreal visibleRight(const QPainter *painter, const QRect &row)
{
    QRectF visible = row;
    if (painter->hasClipping()) {
        visible &= painter->clipBoundingRect();
    } else if (const QPaintDevice *device = painter->device()) {
        const QRectF deviceArea(0, 0, device->width(), device->height());
        visible &= painter->transform().inverted().mapRect(deviceArea);
    }
    return visible.right();
}

// Many systems have no font with the control pictures. There a control character is drawn as
// its code in two hexadecimal digits, stacked in a framed cell, so that it still takes one
// cell and every code looks different.
bool hasControlPictureGlyphs(const QFont &font)
{
    static QHash<QString, bool> known; // the user-interface thread only
    const QString key = font.key();
    const auto hit = known.constFind(key);
    if (hit != known.constEnd())
        return *hit;

    QTextLayout layout(ControlPicturesForDisplay(QStringLiteral("\0\x01\r\n\x1b\x7f")), font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    bool complete = !runs.isEmpty();
    for (const QGlyphRun &run : runs)
        complete = complete && !run.glyphIndexes().contains(0u); // glyph 0: the "missing" box
    known.insert(key, complete);
    return complete;
}

void drawCodeCell(QPainter *painter, const QRectF &cell, const QFont &rowFont, QChar c)
{
    const QString code = QStringLiteral("%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
    const QRectF frame = cell.adjusted(0.5, 1.5, -0.5, -1.5);
    painter->drawRoundedRect(frame, 1.5, 1.5);
    QFont small = rowFont;
    small.setPixelSize(std::max(4, qFloor(frame.height() / 2)));
    painter->setFont(small);
    const qreal half = frame.height() / 2;
    painter->drawText(QRectF(frame.left(), frame.top(), frame.width(), half), Qt::AlignCenter, code.left(1));
    painter->drawText(QRectF(frame.left(), frame.top() + half, frame.width(), half), Qt::AlignCenter,
                      code.right(1));
    painter->setFont(rowFont);
}

int textMargin(const QStyleOptionViewItem &option)
{
    const QStyle *style = option.widget ? option.widget->style() : QApplication::style();
    return style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
}

} // namespace

void TrafficLineDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    // Not opt.text: the display text there has every line feed turned into a line separator.
    const QString line = index.data(Qt::DisplayRole).toString();
    opt.text.clear(); // the style draws background, selection and focus; the text comes below
    const QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

    const QStringView shown = QStringView(line).first(std::min(line.size(), kMaxShownChars));
    const QFontMetricsF metrics(opt.font);
    const qreal right = visibleRight(painter, opt.rect);
    const qreal baseline = opt.rect.top() + (opt.rect.height() - metrics.height()) / 2
                           + metrics.ascent();
    const QColor plain = plainTextColour(opt);
    const QColor pictures = controlPictureColour(opt);

    const bool pictureGlyphs = hasControlPictureGlyphs(opt.font);
    const qreal cellWidth = metrics.horizontalAdvance(QLatin1Char('M'));

    painter->save();
    painter->setFont(opt.font);
    qreal x = opt.rect.left() + textMargin(opt);
    for (qsizetype from = 0; from < shown.size() && x <= right;) {
        const qsizetype end = pieceEnd(shown, from);
        const QStringView piece = shown.sliced(from, end - from);
        from = end;
        if (!isControl(piece.front())) {
            painter->setPen(plain);
            const QString text = piece.toString();
            painter->drawText(QPointF(x, baseline), text);
            x += metrics.horizontalAdvance(text);
        } else if (pictureGlyphs) {
            painter->setPen(pictures);
            const QString text = ControlPicturesForDisplay(piece.toString());
            painter->drawText(QPointF(x, baseline), text);
            x += metrics.horizontalAdvance(text);
        } else {
            painter->setPen(pictures);
            for (const QChar c : piece) {
                drawCodeCell(painter, QRectF(x, opt.rect.top(), cellWidth, opt.rect.height()),
                             opt.font, c);
                x += cellWidth;
            }
        }
    }
    painter->restore();
}

QSize TrafficLineDelegate::sizeHint(const QStyleOptionViewItem &option,
                                    const QModelIndex &index) const
{
    // All rows share one size (the view asks for one sample row only), so the width is that
    // of the longest line rather than of the row asked about.
    const auto *model = qobject_cast<const TrafficListModel *>(index.model());
    const qsizetype longest = model ? model->longestLineLength()
                                    : index.data(Qt::DisplayRole).toString().size();
    const QFontMetricsF metrics(option.font);
    const qsizetype chars = std::min(longest, kMaxShownChars);
    // Cells are fractions of pixels wide, and control pictures or other glyphs from fallback
    // fonts can be wider than a cell; a few cells of slack keep the line ends reachable.
    const qreal width = qreal(chars + 2) * metrics.horizontalAdvance(QLatin1Char('M'))
                        + 2 * textMargin(option);
    return QSize(int(std::min(std::ceil(width), qreal(1 << 24))), qCeil(metrics.height()) + 2);
}

// ---------------------------------------------------------------------------------------------
// View

TrafficListView::TrafficListView(QWidget *parent) : QListView(parent)
{
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
    setFont(TrafficListFont());
    setItemDelegate(new TrafficLineDelegate(this));
}

void TrafficListView::selectLastAndScroll()
{
    if (!model() || !selectionModel())
        return;
    const int rows = lineCount();
    if (rows == 0)
        return;
    const QModelIndex last = lineIndex(rows - 1);
    selectionModel()->setCurrentIndex(last, QItemSelectionModel::ClearAndSelect);
    scrollTo(last, QAbstractItemView::EnsureVisible);
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
    executeDelayedItemsLayout(); // the scroll range must already include new rows

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
    const QSize before = m_rowSize;
    updateGeometries();
    if (m_rowSize != before) {
        viewport()->update();
        return;
    }
    viewport()->update(rowRect(start).united(rowRect(end)).intersected(viewport()->rect()));
}

void TrafficListView::updateGeometries()
{
    m_rowSize = measureRowSize();
    const QSize page = viewport()->size();
    const qint64 contentHeight = qint64(lineCount()) * m_rowSize.height();
    const qint64 maxV = std::clamp<qint64>(contentHeight - page.height(), 0, INT_MAX);

    QScrollBar *vertical = verticalScrollBar();
    vertical->setSingleStep(m_rowSize.height());
    vertical->setPageStep(std::max(1, page.height()));
    vertical->setRange(0, int(maxV));

    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setSingleStep(std::max(1, 2 * fontMetrics().horizontalAdvance(QLatin1Char('M'))));
    horizontal->setPageStep(std::max(1, page.width()));
    horizontal->setRange(0, std::max(0, m_rowSize.width() - page.width()));

    QAbstractItemView::updateGeometries();
}

void TrafficListView::scrollContentsBy(int dx, int dy)
{
    viewport()->scroll(isRightToLeft() ? -dx : dx, dy);
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
}
