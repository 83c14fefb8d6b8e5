#include "RowGlyphs.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QTextLayout>

#include <memory>

RowGlyphs::RowGlyphs(const QFont &font) : m_font(font) {}

RowGlyphs &RowGlyphs::of(const QFont &font)
{
    static QHash<QString, std::shared_ptr<RowGlyphs>> known;
    std::shared_ptr<RowGlyphs> &entry = known[font.key()];
    if (!entry)
        entry = std::make_shared<RowGlyphs>(font);
    return *entry;
}

std::pair<qreal, qsizetype> RowGlyphs::advanceAt(QStringView text, qsizetype at)
{
    const QChar c = text[at];
    if (c.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
        return {advanceOf(QChar::surrogateToUcs4(c, text[at + 1])), 2};
    return {advanceOf(c.unicode()), 1};
}

const RowGlyphs::Glyph &RowGlyphs::glyphOf(char32_t code)
{
    if (code < m_latin.size()) {
        Glyph &glyph = m_latin[code];
        if (glyph.advance < 0)
            glyph = lookUp(code);
        return glyph;
    }
    auto hit = m_other.find(code);
    if (hit == m_other.end())
        hit = m_other.insert(code, lookUp(code));
    return *hit;
}

// The glyph the text layout would use, fallback fonts included; the advance as the font's
// metrics give it, so that rows line up exactly as with the text drawn whole.
RowGlyphs::Glyph RowGlyphs::lookUp(char32_t code)
{
    const QString text = QString::fromUcs4(&code, 1);
    Glyph glyph;
    glyph.advance = QFontMetricsF(m_font).horizontalAdvance(text);
    QTextLayout layout(text, m_font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.size() == 1 && runs.front().glyphIndexes().size() == 1
        && runs.front().glyphIndexes().front() != 0) {
        glyph.font = fontSlot(runs.front().rawFont());
        glyph.index = runs.front().glyphIndexes().front();
    }
    return glyph;
}

int RowGlyphs::fontSlot(const QRawFont &font)
{
    for (size_t i = 0; i < m_fonts.size(); ++i) {
        if (m_fonts[i] == font)
            return int(i);
    }
    m_fonts.push_back(font);
    return int(m_fonts.size() - 1);
}

void RowGlyphs::draw(QPainter *painter, QStringView text, qreal x, qreal baseline)
{
    QList<quint32> indexes;
    QList<QPointF> positions;
    int runFont = -1;
    const auto flush = [&] {
        if (indexes.isEmpty())
            return;
        QGlyphRun run;
        run.setRawFont(m_fonts[size_t(runFont)]);
        run.setGlyphIndexes(indexes);
        run.setPositions(positions);
        painter->drawGlyphRun(QPointF(0, baseline), run);
        indexes.clear();
        positions.clear();
    };
    for (qsizetype i = 0; i < text.size();) {
        const auto [advance, units] = advanceAt(text, i);
        const char32_t code = units == 2 ? QChar::surrogateToUcs4(text[i], text[i + 1])
                                         : char32_t(text[i].unicode());
        const Glyph &glyph = glyphOf(code);
        if (glyph.font != runFont) {
            flush();
            runFont = glyph.font;
        }
        if (glyph.font < 0) {
            if (painter->font() != m_font)
                painter->setFont(m_font);
            painter->drawText(QPointF(x, baseline), text.sliced(i, units).toString());
        } else {
            indexes.append(glyph.index);
            positions.append(QPointF(x, 0));
        }
        x += advance;
        i += units;
    }
    flush();
}
