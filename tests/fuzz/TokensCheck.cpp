#include "FuzzChecks.h"

#include "Tokens.h"

#include <array>

// The laws checked here follow from the token format alone: a token is '<', capitals and one
// closing '>', and no character a token stands for is one of those. So two tokens never
// overlap, a replaced character can neither make nor break a token next to it, and "<NUL>"
// goes only one way.

namespace fuzzcheck {

namespace {

struct Row {
    QChar character;
    QString token;
};

const std::array<Row, 8> &sendRows()
{
    static const std::array<Row, 8> rows{{
        {QChar(0x02), QStringLiteral("<STX>")},
        {QChar(0x03), QStringLiteral("<ETX>")},
        {QChar(0x04), QStringLiteral("<EOT>")},
        {QChar(0x05), QStringLiteral("<ENQ>")},
        {QChar(0x06), QStringLiteral("<ACK>")},
        {QChar(0x0A), QStringLiteral("<LF>")},
        {QChar(0x0D), QStringLiteral("<CR>")},
        {QChar(0x15), QStringLiteral("<NAK>")},
    }};
    return rows;
}

const Row kNulRow{QChar(0), QStringLiteral("<NUL>")};

// The conversions as the format defines them: one replace-all per row, in table order.
QString replaceRowByRow(QString text, bool tokensToChars)
{
    for (const Row &row : sendRows()) {
        if (tokensToChars)
            text.replace(row.token, QString(row.character));
        else
            text.replace(row.character, row.token);
    }
    if (!tokensToChars)
        text.replace(kNulRow.character, kNulRow.token);
    return text;
}

bool containsSendToken(const QString &text)
{
    for (const Row &row : sendRows()) {
        if (text.contains(row.token))
            return true;
    }
    return false;
}

bool containsTokenCharacter(const QString &text)
{
    for (const Row &row : sendRows()) {
        if (text.contains(row.character))
            return true;
    }
    return text.contains(kNulRow.character);
}

QString shown(const QString &text)
{
    return QString::fromLatin1(text.toUtf8().toPercentEncoding("<>"));
}

QString broken(const char *law, const QString &text)
{
    return QString::fromLatin1(law) + QStringLiteral(" fails for \"") + shown(text)
           + QLatin1Char('"');
}

} // namespace

QString checkTokens(QByteArrayView input)
{
    const QString text = QString::fromLatin1(input);
    const QString chars = TokensToChars(text);
    const QString tokens = CharsToTokens(text);

    if (chars != replaceRowByRow(text, true))
        return broken("TokensToChars = replace-all row by row", text);
    if (tokens != replaceRowByRow(text, false))
        return broken("CharsToTokens = replace-all row by row", text);
    if (containsSendToken(chars))
        return broken("TokensToChars leaves no send token", text);
    if (TokensToChars(chars) != chars)
        return broken("TokensToChars is idempotent", text);
    if (containsTokenCharacter(tokens))
        return broken("CharsToTokens leaves none of the nine characters", text);
    if (CharsToTokens(tokens) != tokens)
        return broken("CharsToTokens is idempotent", text);
    // Back and forth: the characters come back, NUL as its display token.
    QString charsWithNulShown = chars;
    charsWithNulShown.replace(kNulRow.character, kNulRow.token);
    if (TokensToChars(tokens) != charsWithNulShown)
        return broken("TokensToChars(CharsToTokens(s)) = TokensToChars(s) with NUL shown", text);
    if (CharsToTokens(chars) != tokens)
        return broken("CharsToTokens(TokensToChars(s)) = CharsToTokens(s)", text);
    // So a text without NUL and without a token of its own makes the round trip unchanged.
    if (!text.contains(kNulRow.character) && !containsSendToken(text) && TokensToChars(tokens) != text)
        return broken("TokensToChars(CharsToTokens(s)) = s", text);
    return {};
}

} // namespace fuzzcheck
