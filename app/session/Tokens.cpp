#include "Tokens.h"

#include <array>

// Both conversions run in one pass over the text instead of one replace-all per table row.
// That gives the same result because every token consists of '<', capital letters and a
// single closing '>', so two matches can never overlap, and no replacement character is part
// of any token, so a replacement can neither create nor destroy another match.

namespace {

struct Token {
    char16_t character;
    QStringView text;
};

constexpr std::array<Token, 8> kSendTokens{{
    {u'\x02', u"<STX>"},
    {u'\x03', u"<ETX>"},
    {u'\x04', u"<EOT>"},
    {u'\x05', u"<ENQ>"},
    {u'\x06', u"<ACK>"},
    {u'\x0A', u"<LF>"},
    {u'\x0D', u"<CR>"},
    {u'\x15', u"<NAK>"},
}};

constexpr Token kNulToken{u'\0', u"<NUL>"};

// Token text for each code below 32; empty where the code has no display token.
constexpr std::array<QStringView, 32> makeDisplayTokens()
{
    std::array<QStringView, 32> table{};
    for (const Token &t : kSendTokens)
        table[t.character] = t.text;
    table[kNulToken.character] = kNulToken.text;
    return table;
}

constexpr std::array<QStringView, 32> kDisplayTokens = makeDisplayTokens();

QStringView displayTokenFor(QChar c)
{
    return c.unicode() < kDisplayTokens.size() ? kDisplayTokens[c.unicode()] : QStringView();
}

// The send token that starts at `from`, if any.
const Token *sendTokenAt(QStringView text, qsizetype from)
{
    const QStringView rest = text.sliced(from);
    for (const Token &t : kSendTokens) {
        if (rest.startsWith(t.text))
            return &t;
    }
    return nullptr;
}

} // namespace

QString TokensToChars(QString text)
{
    const QStringView in(text);
    qsizetype pos = in.indexOf(u'<');
    if (pos < 0)
        return text;

    QString out;
    out.reserve(in.size());
    qsizetype copiedUpTo = 0;
    while (pos >= 0) {
        if (const Token *t = sendTokenAt(in, pos)) {
            out.append(in.sliced(copiedUpTo, pos - copiedUpTo));
            out.append(QChar(t->character));
            pos += t->text.size();
            copiedUpTo = pos;
        } else {
            ++pos;
        }
        pos = in.indexOf(u'<', pos);
    }
    if (copiedUpTo == 0)
        return text;
    out.append(in.sliced(copiedUpTo));
    return out;
}

QString CharsToTokens(QString text)
{
    const QStringView in(text);
    qsizetype first = 0;
    while (first < in.size() && displayTokenFor(in[first]).isEmpty())
        ++first;
    if (first == in.size())
        return text;

    QString out;
    out.reserve(in.size() + 16);
    qsizetype runStart = 0;
    for (qsizetype i = first; i < in.size(); ++i) {
        const QStringView token = displayTokenFor(in[i]);
        if (token.isEmpty())
            continue;
        out.append(in.sliced(runStart, i - runStart));
        out.append(token);
        runStart = i + 1;
    }
    out.append(in.sliced(runStart));
    return out;
}
