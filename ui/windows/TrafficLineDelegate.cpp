#include "TrafficLineDelegate.h"
#include "TrafficListModel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QHash>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>
#include <QtMath>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

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

QString controlCharacterName(QChar c)
{
    static constexpr std::array<const char *, 32> kNames{
        "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
        "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
        "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
    if (c.unicode() == kDelete)
        return QStringLiteral("DEL");
    if (c.unicode() < kNames.size())
        return QString::fromLatin1(kNames[c.unicode()]);
    return QString();
}

RowText shownRowText(QStringView line)
{
    const qsizetype shown = std::min(line.size(), TrafficLineDelegate::kMaxShownChars);
    return {line.first(shown), shown < line.size()};
}

qsizetype shownCells(QStringView line)
{
    const RowText row = shownRowText(line);
    const qsizetype controls = std::count_if(row.text.cbegin(), row.text.cend(), isControl);
    return row.text.size() + controls * (kControlCellChars - 1) + (row.truncated ? 1 : 0);
}

QString controlPicturesForDisplay(const QString &line)
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

// The mark that a row goes on beyond what it shows.
QColor ellipsisColour(const QStyleOptionViewItem &option)
{
    if (!(option.state & QStyle::State_Enabled))
        return option.palette.color(QPalette::Disabled, QPalette::Text);
    if (option.state & QStyle::State_Selected)
        return QColor(0xFF, 0xD0, 0x80);
    return QColor(0xC0, 0x50, 0x00);
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
// its short name (NUL, SOH, ..., CR, LF, ESC, DEL) in a framed cell of kControlCellChars
// character cells, in a font not much smaller than the row's.
bool hasControlPictureGlyphs(const QFont &font)
{
    static QHash<QString, bool> known; // the user-interface thread only
    const QString key = font.key();
    const auto hit = known.constFind(key);
    if (hit != known.constEnd())
        return *hit;

    QTextLayout layout(controlPicturesForDisplay(QStringLiteral("\0\x01\r\n\x1b\x7f")), font);
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

// The font of the names: as large as three capitals fit into the cell, at most the row's.
QFont nameFont(const QFont &rowFont, qreal cellWidth)
{
    QFont font = rowFont;
    const qreal rowPoints = rowFont.pointSizeF() > 0 ? rowFont.pointSizeF() : 9.0;
    for (qreal points = rowPoints; points > 5.0; points -= 0.5) {
        font.setPointSizeF(points);
        if (QFontMetricsF(font).horizontalAdvance(QStringLiteral("SOH")) <= cellWidth - 3)
            break;
    }
    return font;
}

void drawNameCell(QPainter *painter, const QRectF &cell, const QFont &names, QChar c)
{
    const QRectF frame = cell.adjusted(0.5, 0.5, -0.5, -0.5);
    painter->drawRoundedRect(frame, 2, 2);
    painter->setFont(names);
    painter->drawText(frame, Qt::AlignCenter, controlCharacterName(c));
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

    const RowText row = shownRowText(line);
    const QStringView shown = row.text;
    const QFontMetricsF metrics(opt.font);
    const qreal right = visibleRight(painter, opt.rect);
    const qreal baseline = opt.rect.top() + (opt.rect.height() - metrics.height()) / 2
                           + metrics.ascent();
    const QColor plain = plainTextColour(opt);
    const QColor pictures = controlPictureColour(opt);

    const bool pictureGlyphs = hasControlPictureGlyphs(opt.font);
    const qreal cellWidth = kControlCellChars * metrics.horizontalAdvance(QLatin1Char('M'));
    const QFont names = pictureGlyphs ? opt.font : nameFont(opt.font, cellWidth);

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
            const QString text = controlPicturesForDisplay(piece.toString());
            painter->drawText(QPointF(x, baseline), text);
            x += metrics.horizontalAdvance(text);
        } else {
            painter->setPen(pictures);
            for (const QChar c : piece) {
                drawNameCell(painter, QRectF(x, opt.rect.top(), cellWidth, opt.rect.height()),
                             names, c);
                x += cellWidth;
            }
            painter->setFont(opt.font);
        }
    }
    if (row.truncated && x <= right) {
        painter->setPen(ellipsisColour(opt));
        painter->drawText(QPointF(x, baseline), QString(QChar(0x2026)));
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
    // The longest line's length may come with a fuller shown width measured by the view.
    const qsizetype chars = std::max(std::min(longest, kMaxShownChars), m_widestCells);
    // Cells are fractions of pixels wide, and control pictures or other glyphs from fallback
    // fonts can be wider than a cell; a few cells of slack keep the line ends reachable.
    const qreal width = qreal(chars + 2) * metrics.horizontalAdvance(QLatin1Char('M'))
                        + 2 * textMargin(option);
    return QSize(int(std::min(std::ceil(width), qreal(1 << 24))), qCeil(metrics.height()) + 2);
}

// ---------------------------------------------------------------------------------------------
// View
