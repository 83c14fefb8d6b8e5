#pragma once
// How one traffic line is drawn: on exactly one row, its control characters drawn visibly.
#include <QString>
#include <QStyledItemDelegate>

// The text a row shows for a line: every control character (codes 0-31 and 127) replaced by
// its Unicode control picture (U+2400 + code, U+2421 for DEL); everything else unchanged.
QString controlPicturesForDisplay(const QString &line);

// The short name of a control character (codes 0-31 and 127): "NUL", "SOH", ..., "CR", "LF",
// "ESC", "DEL"; "" for any other character.
QString controlCharacterName(QChar c);

// What a row shows of a line: its first kMaxShownChars characters, and whether the line goes
// on beyond them (the row then ends in an ellipsis).
struct RowText {
    QStringView text;
    bool truncated = false;
};
RowText shownRowText(QStringView line);

// Where no font has the control pictures, a control character's name takes this many
// character cells.
constexpr qsizetype kControlCellChars = 3;
// The width of the row's text in character cells when control characters are drawn by name,
// the ellipsis of a cut line included.
qsizetype shownCells(QStringView line);

// Draws a line on one row in the list's font, its control characters as control pictures (or
// their names) in a colour of their own; the row is as wide as the longest line, so that long
// lines scroll horizontally.
class TrafficLineDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // Rows show at most this many characters of a line; the full text stays in the model.
    static constexpr qsizetype kMaxShownChars = 16384;

    // The widest row's text in character cells, as the view measured the lines appended;
    // rows are at least that wide. 0 forgets it.
    void setWidestCells(qsizetype cells) { m_widestCells = cells; }
    qsizetype widestCells() const { return m_widestCells; }

private:
    qsizetype m_widestCells = 0;
};
