#pragma once
// The traffic list: one line per sent text or received chunk, with its UTC time stamp and
// direction marker. The model keeps millions of lines compactly; the view shows each line on
// exactly one row, with control characters drawn visibly.
#include "Clock.h"

#include <QAbstractListModel>
#include <QFont>
#include <QListView>
#include <QString>
#include <QStyledItemDelegate>

#include <deque>
#include <memory>
#include <vector>

// Both markers are nine characters long, so the data of every line starts at position 22.
inline const QString kMarkerOut = QStringLiteral("  [OUT]  ");
inline const QString kMarkerIn = QStringLiteral("  [IN]   ");

// "HH:MM:SS.mmm" of the stamp (patterns "00" and "000"), then the marker and the data.
QString FormatTrafficLine(const platform::SystemTime &stamp, const QString &marker,
                          const QString &data);

// The text a row shows for a line: every control character (codes 0-31 and 127) replaced by
// its Unicode control picture (U+2400 + code, U+2421 for DEL); everything else unchanged.
QString ControlPicturesForDisplay(const QString &line);

// "Terminal" at 9 points, or the system's fixed-pitch font at 9 points where that family
// does not exist.
QFont TrafficListFont();

// Lines in the order appended. Each line is kept exactly, whatever characters it holds.
class TrafficListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit TrafficListModel(QObject *parent = nullptr);
    ~TrafficListModel() override;

    // Amortised O(1); announces the new row through beginInsertRows/endInsertRows.
    void appendLine(const QString &line);
    void clear();

    // The view asks for indexes of every row whenever it lays rows out; keep that cheap.
    QModelIndex index(int row, int column = 0,
                      const QModelIndex &parent = QModelIndex()) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The full text of a line; empty for a row that does not exist.
    QString lineAt(int row) const;
    qsizetype count() const;
    // Length in characters of the longest line since the last clearing.
    qsizetype longestLineLength() const;

    // Memory held: bytes of line text as stored, and everything the model allocated for its
    // lines (text, index, unused chunk space).
    qsizetype storedTextBytes() const;
    qsizetype allocatedBytes() const;

private:
    // A line's text lies in one chunk, either one byte per character (the 256 characters of
    // Windows-1252, which is all the serial layer ever produces) or, for lines holding any
    // other character, as raw UTF-16.
    struct LineRef {
        quint32 chunk = 0;
        quint32 offset = 0;
        quint64 length : 63 = 0; // characters
        quint64 wide : 1 = 0;
    };
    struct Chunk {
        std::unique_ptr<char[]> bytes;
        qsizetype capacity = 0;
        qsizetype used = 0;
    };

    LineRef store(QStringView line);
    // A chunk with at least `size` free bytes; its index.
    quint32 chunkWithRoom(qsizetype size);
    QString textOf(const LineRef &ref) const;

    std::vector<Chunk> m_chunks;
    std::deque<LineRef> m_lines; // grows in small blocks: no large copies at any length
    qsizetype m_openChunk = -1;   // the chunk that takes the next short lines
    qsizetype m_longestLine = 0;
    qsizetype m_textBytes = 0;
};

// Draws a line on one row in the list's font, its control characters as control pictures in
// a colour of their own; the row is as wide as the longest line, so that long lines scroll
// horizontally.
class TrafficLineDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // Rows show at most this many characters of a line; the full text stays in the model.
    static constexpr qsizetype kMaxShownChars = 16384;
};

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

    QRect visualRect(const QModelIndex &index) const override;
    QModelIndex indexAt(const QPoint &point) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    void doItemsLayout() override;

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
};
