#include "TrafficLineDelegate.h"
#include "RowGlyphs.h"
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
#include <optional>

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

// A colour of the list's own: the disabled text colour in a disabled list, one colour on a
// selected row and another elsewhere.
QColor markColour(const QStyleOptionViewItem &option, QColor selected, QColor unselected)
{
    if (!(option.state & QStyle::State_Enabled))
        return option.palette.color(QPalette::Disabled, QPalette::Text);
    return (option.state & QStyle::State_Selected) ? selected : unselected;
}

QColor controlPictureColour(const QStyleOptionViewItem &option)
{
    return markColour(option, QColor(0xA0, 0xF0, 0xFF), QColor(0x00, 0x80, 0x9A));
}

// The mark that a row goes on beyond what it shows.
QColor ellipsisColour(const QStyleOptionViewItem &option)
{
    return markColour(option, QColor(0xFF, 0xD0, 0x80), QColor(0xC0, 0x50, 0x00));
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

// The visible part of a run of characters that are all control characters or all not.
struct VisibleRun {
    qsizetype first = 0; // the first character drawn
    qsizetype end = 0;   // one past the last character drawn; also where the walk stopped
    qreal firstX = 0;    // where the first character drawn starts
};

// Walks the run starting at `from` from x, past the characters left of `left`, through those
// up to `right`; x ends right of the last character walked.
template <typename Advance>
VisibleRun walkRun(QStringView text, qsizetype from, qreal &x, qreal left, qreal right,
                   Advance advance)
{
    const bool control = isControl(text[from]);
    const auto inRun = [&](qsizetype i) { return i < text.size() && isControl(text[i]) == control; };
    VisibleRun run;
    qsizetype i = from;
    while (inRun(i)) {
        const auto step = advance(i);
        if (x + step.first > left)
            break;
        x += step.first;
        i += step.second;
    }
    run.first = i;
    run.firstX = x;
    while (inRun(i) && x <= right) {
        const auto step = advance(i);
        x += step.first;
        i += step.second;
    }
    run.end = i;
    return run;
}

// Where drawing has any effect: rows are as wide as the longest line, most of which usually
// lies beyond the viewport.
QRectF visibleArea(const QPainter *painter, const QRect &row)
{
    QRectF visible = row;
    if (painter->hasClipping()) {
        visible &= painter->clipBoundingRect();
    } else if (const QPaintDevice *device = painter->device()) {
        const QRectF deviceArea(0, 0, device->width(), device->height());
        visible &= painter->transform().inverted().mapRect(deviceArea);
    }
    return visible;
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

// What a row needs of its font, worked out once per font rather than on every paint.
struct RowFont {
    explicit RowFont(const QFont &rowFont)
        : font(rowFont), glyphs(&RowGlyphs::of(rowFont)), pictureGlyphs(hasControlPictureGlyphs(rowFont))
    {
        const QFontMetricsF metrics(rowFont);
        ascent = metrics.ascent();
        height = metrics.height();
        cellWidth = kControlCellChars * metrics.horizontalAdvance(QLatin1Char('M'));
        names = pictureGlyphs ? rowFont : nameFont(rowFont, cellWidth);
        nameGlyphs = &RowGlyphs::of(names);
        const QFontMetricsF nameMetrics(names);
        nameAscent = nameMetrics.ascent();
        nameHeight = nameMetrics.height();
    }

    QFont font;
    RowGlyphs *glyphs; // owned by RowGlyphs::of, which keeps every font's glyphs
    bool pictureGlyphs;
    qreal ascent = 0;
    qreal height = 0;
    qreal cellWidth = 0;
    QFont names;
    RowGlyphs *nameGlyphs = nullptr;
    qreal nameAscent = 0;
    qreal nameHeight = 0;
};

const RowFont &rowFontOf(const QFont &font)
{
    static std::optional<RowFont> last; // the user-interface thread only
    if (!last || last->font != font)
        last.emplace(font);
    return *last;
}

void drawNameCell(QPainter *painter, const QRectF &cell, const RowFont &rowFont, QChar c)
{
    const QRectF frame = cell.adjusted(0.5, 0.5, -0.5, -0.5);
    painter->drawRoundedRect(frame, 2, 2);
    const QString name = controlCharacterName(c);
    qreal width = 0;
    for (const QChar letter : name)
        width += rowFont.nameGlyphs->advanceOf(letter.unicode());
    const qreal baseline = frame.top() + (frame.height() - rowFont.nameHeight) / 2
                           + rowFont.nameAscent;
    rowFont.nameGlyphs->draw(painter, name, frame.left() + (frame.width() - width) / 2, baseline);
}

// The style draws nothing on a row that is neither selected, current, hovered nor shaded, yet
// asking it costs a good part of a row's painting.
bool styleDrawsNothingOn(const QStyleOptionViewItem &option)
{
    constexpr QStyle::State kMarked = QStyle::State_Selected | QStyle::State_HasFocus
                                      | QStyle::State_MouseOver;
    constexpr QStyleOptionViewItem::ViewItemFeatures kDrawn =
        QStyleOptionViewItem::Alternate | QStyleOptionViewItem::HasCheckIndicator
        | QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay;
    return !(option.state & kMarked) && !(option.features & kDrawn)
           && option.backgroundBrush.style() == Qt::NoBrush && option.text.isEmpty()
           && option.icon.isNull();
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
    // The style draws background, selection and focus; the text comes below. The model has
    // nothing but the display text, which is fetched once here.
    QStyleOptionViewItem opt = option;
    opt.index = index;
    const QString line = index.data(Qt::DisplayRole).toString();
    const QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
    if (!styleDrawsNothingOn(opt))
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

    const RowText row = shownRowText(line);
    const QStringView shown = row.text;
    const RowFont &rowFont = rowFontOf(opt.font);
    const QRectF visible = visibleArea(painter, opt.rect);
    const qreal left = visible.left();
    const qreal right = visible.right();
    const qreal baseline = opt.rect.top() + (opt.rect.height() - rowFont.height) / 2
                           + rowFont.ascent;
    const QColor plain = plainTextColour(opt);
    const QColor pictures = controlPictureColour(opt);

    const qreal cellWidth = rowFont.cellWidth;

    painter->save();
    painter->setFont(opt.font);
    RowGlyphs &glyphs = *rowFont.glyphs;
    const auto plainAdvance = [&](qsizetype i) { return glyphs.advanceAt(shown, i); };
    const auto pictureAdvance = [&](qsizetype i) {
        return std::pair{glyphs.advanceOf(controlPicture(shown[i]).unicode()), qsizetype(1)};
    };
    const auto nameAdvance = [&](qsizetype) { return std::pair{cellWidth, qsizetype(1)}; };
    qreal x = opt.rect.left() + textMargin(opt);
    for (qsizetype from = 0; from < shown.size() && x <= right;) {
        if (!isControl(shown[from])) {
            const VisibleRun run = walkRun(shown, from, x, left, right, plainAdvance);
            painter->setPen(plain);
            glyphs.draw(painter, shown.sliced(run.first, run.end - run.first), run.firstX, baseline);
            from = run.end;
        } else if (rowFont.pictureGlyphs) {
            const VisibleRun run = walkRun(shown, from, x, left, right, pictureAdvance);
            painter->setPen(pictures);
            glyphs.draw(painter,
                        controlPicturesForDisplay(
                            shown.sliced(run.first, run.end - run.first).toString()),
                        run.firstX, baseline);
            from = run.end;
        } else {
            const VisibleRun run = walkRun(shown, from, x, left, right, nameAdvance);
            painter->setPen(pictures);
            qreal cellX = run.firstX;
            for (qsizetype i = run.first; i < run.end; ++i, cellX += cellWidth)
                drawNameCell(painter, QRectF(cellX, opt.rect.top(), cellWidth, opt.rect.height()),
                             rowFont, shown[i]);
            from = run.end;
        }
    }
    if (row.truncated && x <= right) {
        painter->setPen(ellipsisColour(opt));
        glyphs.draw(painter, u"\u2026", x, baseline);
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
