#pragma once
// The characters of the traffic rows, each looked up once per font: its advance, and the glyph
// and font that draw it, so that a row is drawn as positioned glyphs without shaping its text
// again on every paint.
#include <QFont>
#include <QHash>
#include <QRawFont>
#include <QStringView>

#include <array>
#include <utility>
#include <vector>

class QPainter;

class RowGlyphs {
public:
    explicit RowGlyphs(const QFont &font);

    // The glyphs of a font, shared by every row drawn in it (the user-interface thread only);
    // callers keep the reference rather than look it up per row.
    static RowGlyphs &of(const QFont &font);

    // The advance of the character at `at` and how many code units it takes (a surrogate
    // pair is one character).
    std::pair<qreal, qsizetype> advanceAt(QStringView text, qsizetype at);
    qreal advanceOf(char32_t code) { return glyphOf(code).advance; }

    // Draws the characters of `text` from x on the baseline in the painter's pen and font, each
    // at the position its advances give.
    void draw(QPainter *painter, QStringView text, qreal x, qreal baseline);

private:
    struct Glyph {
        qreal advance = -1; // below 0: not looked up yet
        int font = -1;      // below 0: drawn as text (no single glyph of its own)
        quint32 index = 0;
    };

    const Glyph &glyphOf(char32_t code);
    Glyph lookUp(char32_t code);
    int fontSlot(const QRawFont &font);

    QFont m_font;
    std::vector<QRawFont> m_fonts;
    std::array<Glyph, 256> m_latin{};
    QHash<char32_t, Glyph> m_other;
};
