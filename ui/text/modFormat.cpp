#include "modFormat.h"

#include "Dialogs.h"
#include "modGlobal.h"
#include "modTools.h"

#include <array>
#include <new>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kPlaceholder = QStringLiteral("%%");
// Text positions and counters of these functions are 16-bit signed numbers.
constexpr qsizetype kMaxPosition = 32767;

// Thrown only inside this file and always caught by the function that threw it.
struct TextFunctionFailure {
    QString description;
};

[[noreturn]] void failWithOverflow()
{
    throw TextFunctionFailure{QStringLiteral("Overflow")};
}

// One-based position of a character, as the 16-bit counters see it.
void requirePositionFits(qsizetype zeroBasedIndex)
{
    if (zeroBasedIndex + 1 > kMaxPosition)
        failWithOverflow();
}

// A character-by-character walk over a text this long would overrun the 16-bit counter.
void requireWalkableLength(const QString &text)
{
    if (text.size() >= kMaxPosition)
        failWithOverflow();
}

// The fixed German report of a failure inside one of the text functions. The field extractor
// writes its label as "Fehler : ", the others without the blank, so each caller passes its own.
void reportUnexpectedFailure(const QString &functionName, const QString &errorLabel,
                             const QString &description)
{
    const QString text = QStringLiteral("Unerwartete Ausnahme in Funktion: ") + functionName + kCrLf
                         + errorLabel + description + QLatin1Char('.');
    platform::dialogs().messageBox(nullptr, text, kAppTitle, platform::MessageIcon::None);
}

// Runs `body`; a failure is reported and turns the result into the empty text.
template <typename Body>
QString trapped(const QString &functionName, const QString &errorLabel, Body body)
{
    try {
        return body();
    } catch (const TextFunctionFailure &failure) {
        reportUnexpectedFailure(functionName, errorLabel, failure.description);
    } catch (const std::bad_alloc &) {
        reportUnexpectedFailure(functionName, errorLabel, QStringLiteral("Out of memory"));
    }
    return {};
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isFieldNumberChar(QChar c)
{
    return isDigit(c) || c == QLatin1Char('.') || c == QLatin1Char('-');
}

bool isFilterNumberChar(QChar c)
{
    return isFieldNumberChar(c) || c == QLatin1Char(',');
}

// Replaces the first placeholder of `text` by `value`; false when there is none left.
bool fillFirstPlaceholder(QString &text, const QString &value)
{
    const qsizetype at = text.indexOf(kPlaceholder);
    if (at < 0)
        return false;
    requirePositionFits(at);
    text.replace(at, kPlaceholder.size(), value);
    return true;
}

QString insertParams(const QString &tmpl, const std::array<const QString *, 11> &params)
{
    QString text = tmpl;
    // The first parameter always fills, even when empty; from the second on, an empty one
    // ends the filling so that callers can pass fewer than eleven.
    if (!fillFirstPlaceholder(text, *params.front()))
        return text;
    for (std::size_t i = 1; i < params.size(); ++i) {
        if (params[i]->isEmpty() || !fillFirstPlaceholder(text, *params[i]))
            return text;
    }
    return text;
}

QString extractField(const QString &source, quint8 fieldNumber, bool numbersOnly,
                     const QString &separator)
{
    requireWalkableLength(source);
    // Only a one-character separator can ever equal the single character it is compared with.
    const bool separatorCanMatch = separator.size() == 1;
    QString field;
    int fieldCount = 0;
    for (qsizetype i = 0; i <= source.size(); ++i) {
        const bool endOfField =
            i == source.size() || (separatorCanMatch && source.at(i) == separator.front());
        if (endOfField) {
            ++fieldCount;
            if (fieldCount == fieldNumber)
                return field;
            field.clear();
        } else if (!numbersOnly || isFieldNumberChar(source.at(i))) {
            field.append(source.at(i));
        }
    }
    return {};
}

bool looksLikeExponentNumber(const QString &value)
{
    // An exponent mark at the very start cannot follow a mantissa.
    return value.indexOf(QStringLiteral("E+"), 1) >= 0 || value.indexOf(QStringLiteral("E-"), 1) >= 0;
}

QString filterNumber(const QString &value)
{
    if (looksLikeExponentNumber(value))
        return value;
    if (value.isEmpty())
        return QStringLiteral("0");
    requireWalkableLength(value);
    QString kept;
    for (const QChar c : value) {
        if (isFilterNumberChar(c))
            kept.append(c);
    }
    return kept;
}

} // namespace

QString fkt_FormatInsertParam(const QString &tmpl, const QString &p1, const QString &p2,
                              const QString &p3, const QString &p4, const QString &p5,
                              const QString &p6, const QString &p7, const QString &p8,
                              const QString &p9, const QString &p10, const QString &p11)
{
    return trapped(QStringLiteral("fkt_FormatInsertParam"), QStringLiteral("Fehler: "), [&] {
        return insertParams(tmpl, {&p1, &p2, &p3, &p4, &p5, &p6, &p7, &p8, &p9, &p10, &p11});
    });
}

QString fkt_FormatExtractSpecParameter(const QString &source, quint8 fieldNumber, bool numbersOnly,
                                       const QString &separator)
{
    return trapped(QStringLiteral("fkt_FormatExtractSpecParameter"), QStringLiteral("Fehler : "),
                   [&] { return extractField(source, fieldNumber, numbersOnly, separator); });
}

QString fkt_FormatFilterOnlyNumericValue(const QString &value)
{
    return trapped(QStringLiteral("fkt_FormatFilterOnlyNumericValue"), QStringLiteral("Fehler: "),
                   [&] { return filterNumber(value); });
}

QString failureDescription(const platform::Failure &failure)
{
    if (failure.textId == 0)
        return failure.description;
    QString text = fkt_ToolsGetResString(failure.textId);
    qsizetype from = 0;
    for (const QString &value : failure.textValues) {
        const qsizetype at = text.indexOf(QStringLiteral("%%"), from);
        if (at < 0)
            break;
        text.replace(at, 2, value);
        from = at + value.size();
    }
    return text;
}

void reportFailedAction(QWidget *parent, const QString &actionText, const QString &description,
                        qint32 number)
{
    g_strErrDescription = description;
    g_lngErrNumber = number;
    const QString text = fkt_FormatInsertParam(fkt_ToolsGetResString(1602), actionText, kCrLf,
                                               g_strErrDescription, kCrLf,
                                               QString::number(g_lngErrNumber));
    platform::dialogs().messageBox(parent, text, fkt_ToolsGetResString(1603),
                                   platform::MessageIcon::Critical);
}

void reportShort(QWidget *parent, const QString &description, qint32 number)
{
    const QString text = QStringLiteral("Beschreibung: ") + description + kCrLf
                         + QStringLiteral("Fehler: ") + QString::number(number);
    platform::dialogs().messageBox(parent, text, kAppTitle, platform::MessageIcon::None);
}
