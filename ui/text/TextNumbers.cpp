#include "TextNumbers.h"

std::optional<qint64> decimalValue(QStringView text, Sign sign)
{
    bool negative = false;
    if (sign == Sign::Allowed && !text.isEmpty()
        && (text.front() == QLatin1Char('-') || text.front() == QLatin1Char('+'))) {
        negative = text.front() == QLatin1Char('-');
        text = text.sliced(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    constexpr int kMostDigits = 18; // fits a 64-bit number, whatever the digits
    qint64 value = 0;
    int significant = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        if (value != 0 || c != QLatin1Char('0'))
            ++significant;
        if (significant > kMostDigits)
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return negative ? -value : value;
}
