#pragma once
// How one traffic line is drawn: on exactly one row, its control characters drawn visibly.
#include <QString>
#include <QStyledItemDelegate>

// The text a row shows for a line: every control character (codes 0-31 and 127) replaced by
// its Unicode control picture (U+2400 + code, U+2421 for DEL); everything else unchanged.
QString controlPicturesForDisplay(const QString &line);

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
