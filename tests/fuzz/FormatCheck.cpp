#include "FuzzChecks.h"
#include "FuzzInput.h"

#include "ScriptedDialogs.h"
#include "modFormat.h"

#include <QStringList>

#include <algorithm>
#include <array>

// Each function is compared with a plain reading of its definition, built from QString's own
// split and replace, and with the laws its callers rely on. The 16-bit limits are part of the
// definition: past them a function reports the failure once and gives the empty text.

namespace fuzzcheck {

namespace {

constexpr qsizetype kPositionLimit = 32767;
constexpr qsizetype kPaddedLength = 32760;
constexpr int kParameterCount = 11;

struct FormatInput {
    quint8 fieldNumber = 0;
    bool numbersOnly = false;
    QString separator;
    QString source;
    QString tmpl;
    std::array<QString, kParameterCount> parameters;
};

// Long texts are made from short inputs, so the limits are reached within libFuzzer's
// default input size.
QString padded(const QString &text, qsizetype length)
{
    const QString unit = text.isEmpty() ? QStringLiteral("0") : text;
    QString result;
    result.reserve(length);
    while (result.size() < length)
        result.append(unit);
    return result.left(length);
}

FormatInput decode(QByteArrayView input)
{
    FormatInput decoded;
    decoded.fieldNumber = fuzzinput::takeByte(input);
    const quint8 flags = fuzzinput::takeByte(input);
    const qsizetype padTo = kPaddedLength + fuzzinput::takeByte(input) % 16;
    decoded.numbersOnly = (flags & 1) != 0;
    const QList<QByteArray> parts = fuzzinput::splitParts(input, 3 + kParameterCount);
    decoded.separator = QString::fromUtf8(parts[0]);
    decoded.source = QString::fromUtf8(parts[1]);
    decoded.tmpl = QString::fromUtf8(parts[2]);
    for (int i = 0; i < kParameterCount; ++i)
        decoded.parameters[i] = QString::fromUtf8(parts[3 + i]);
    // Long texts cost time on every run, so only one flags value in sixteen asks for them.
    if ((flags & 0xF0) == 0xA0) {
        decoded.source = padded(decoded.source, padTo);
        decoded.tmpl = QString(padTo, QLatin1Char('x')) + decoded.tmpl;
    }
    return decoded;
}

bool isFieldNumberChar(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.')
           || c == QLatin1Char('-');
}

bool isFilterChar(QChar c)
{
    return isFieldNumberChar(c) || c == QLatin1Char(',');
}

template <typename Keep>
QString keptOnly(const QString &text, Keep keep)
{
    QString kept;
    for (const QChar c : text) {
        if (keep(c))
            kept.append(c);
    }
    return kept;
}

template <typename Keep>
bool consistsOf(const QString &text, Keep keep)
{
    return std::all_of(text.begin(), text.end(), keep);
}

// What a function must give back, and whether it must report a failure first.
struct Expected {
    QString result;
    bool reportsFailure = false;
};

Expected expectedField(const FormatInput &in)
{
    if (in.source.size() >= kPositionLimit)
        return {{}, true};
    const QStringList fields = in.separator.size() == 1
                                   ? in.source.split(in.separator.front(), Qt::KeepEmptyParts)
                                   : QStringList{in.source};
    if (in.fieldNumber == 0 || in.fieldNumber > fields.size())
        return {};
    const QString &field = fields.at(in.fieldNumber - 1);
    return {in.numbersOnly ? keptOnly(field, isFieldNumberChar) : field, false};
}

Expected expectedFilter(const QString &value)
{
    if (value.indexOf(QStringLiteral("E+"), 1) >= 0 || value.indexOf(QStringLiteral("E-"), 1) >= 0)
        return {value, false};
    if (value.isEmpty())
        return {QStringLiteral("0"), false};
    if (value.size() >= kPositionLimit)
        return {{}, true};
    return {keptOnly(value, isFilterChar), false};
}

Expected expectedTemplate(const FormatInput &in)
{
    QString text = in.tmpl;
    for (int i = 0; i < kParameterCount; ++i) {
        if (i > 0 && in.parameters[i].isEmpty())
            break;
        const qsizetype at = text.indexOf(QStringLiteral("%%"));
        if (at < 0)
            break;
        if (at + 1 > kPositionLimit)
            return {{}, true};
        text.replace(at, 2, in.parameters[i]);
    }
    return {text, false};
}

QString shortened(const QString &text)
{
    const QString head = text.size() > 80 ? text.left(80) + QStringLiteral("...") : text;
    return QString::fromLatin1(head.toUtf8().toPercentEncoding(" "));
}

// Empty when the result and the reports are as expected.
QString compare(const char *function, const QString &result, const Expected &expected,
                const ScriptedDialogs &dialogs)
{
    const QString name = QString::fromLatin1(function);
    if (result != expected.result)
        return name + QStringLiteral(" gave \"%1\" instead of \"%2\"")
                          .arg(shortened(result), shortened(expected.result));
    const qsizetype reports = dialogs.shown.size();
    if (reports != (expected.reportsFailure ? 1 : 0))
        return name + QStringLiteral(" showed %1 reports").arg(reports);
    const QString reportStart = QStringLiteral("Unerwartete Ausnahme in Funktion: ") + name;
    if (reports == 1 && !dialogs.shown.front().text.startsWith(reportStart))
        return name + QStringLiteral(" reported \"%1\"").arg(shortened(dialogs.shown.front().text));
    return {};
}

QString checkField(const FormatInput &in)
{
    const ScriptedDialogs dialogs;
    const QString field =
        fkt_FormatExtractSpecParameter(in.source, in.fieldNumber, in.numbersOnly, in.separator);
    if (in.separator.size() == 1 && field.contains(in.separator.front()))
        return QStringLiteral("a field holds the separator");
    if (in.numbersOnly && !consistsOf(field, isFieldNumberChar))
        return QStringLiteral("a numbers-only field holds other characters");
    return compare("fkt_FormatExtractSpecParameter", field, expectedField(in), dialogs);
}

QString checkFilter(const QString &value)
{
    const ScriptedDialogs dialogs;
    const QString filtered = fkt_FormatFilterOnlyNumericValue(value);
    if (filtered != value && !consistsOf(filtered, isFilterChar))
        return QStringLiteral("the number filter kept other characters");
    if (value.isEmpty() && filtered != QStringLiteral("0"))
        return QStringLiteral("the number filter did not turn the empty text into \"0\"");
    return compare("fkt_FormatFilterOnlyNumericValue", filtered, expectedFilter(value), dialogs);
}

QString checkTemplate(const FormatInput &in)
{
    const ScriptedDialogs dialogs;
    const auto &p = in.parameters;
    const QString filled = fkt_FormatInsertParam(in.tmpl, p[0], p[1], p[2], p[3], p[4], p[5], p[6],
                                                 p[7], p[8], p[9], p[10]);
    if (!in.tmpl.contains(QStringLiteral("%%")) && filled != in.tmpl)
        return QStringLiteral("a template without placeholders changed");
    return compare("fkt_FormatInsertParam", filled, expectedTemplate(in), dialogs);
}

} // namespace

QString checkFormat(QByteArrayView input)
{
    const FormatInput in = decode(input);
    for (const QString &broken : {checkField(in), checkFilter(in.source), checkTemplate(in)}) {
        if (!broken.isEmpty())
            return broken;
    }
    return {};
}

} // namespace fuzzcheck
