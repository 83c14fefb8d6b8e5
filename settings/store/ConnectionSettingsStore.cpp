#include "ConnectionSettingsStore.h"

#include "ConnectionSettings.h"
#include "ProfileFile.h"
#include "TextNumbers.h"

#include <QList>
#include <optional>
#include <utility>

namespace {

const QString kSection = QStringLiteral("CONNECTION");
const QString kReconnect = QStringLiteral("Reconnect");
const QString kBaudrateCustom = QStringLiteral("BaudrateCustom");
const QString kLinesAfterOpen = QStringLiteral("LinesAfterOpen");
// No value a key can hold: tells a missing key from one that is there.
const QString kAbsent = QStringLiteral("\x01");

QString readKey(const QString &key, const QString &file)
{
    return platform::readProfileString(kSection, key, kAbsent, file);
}

std::optional<qint64> numberOf(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 10)
        return std::nullopt;
    return decimalValue(trimmed, Sign::NotAllowed);
}

} // namespace

void loadConnectionSettings(const QString &settingsFile)
{
    resetConnectionSettings();
    if (const std::optional<qint64> reconnect = numberOf(readKey(kReconnect, settingsFile)))
        g_blnReconnect = *reconnect != 0;
    if (const std::optional<qint64> rate = numberOf(readKey(kBaudrateCustom, settingsFile));
        rate && isUsableRate(*rate))
        g_lngBaudrateCustom = qint32(*rate);
    if (const std::optional<qint64> lines = numberOf(readKey(kLinesAfterOpen, settingsFile)))
        g_bytLinesAfterOpen = *lines != 0 ? 1 : 0;
}

void saveConnectionSettings(const QString &settingsFile)
{
    QList<std::pair<QString, QString>> entries;
    if (!g_blnReconnect || readKey(kReconnect, settingsFile) != kAbsent)
        entries.append({kReconnect, g_blnReconnect ? QStringLiteral("1") : QStringLiteral("0")});
    const bool customRate = isUsableRate(g_lngBaudrateCustom);
    if (customRate || readKey(kBaudrateCustom, settingsFile) != kAbsent)
        entries.append({kBaudrateCustom, customRate ? QString::number(g_lngBaudrateCustom) : QStringLiteral("0")});
    if (g_bytLinesAfterOpen != 0 || readKey(kLinesAfterOpen, settingsFile) != kAbsent)
        entries.append({kLinesAfterOpen, QString::number(g_bytLinesAfterOpen != 0 ? 1 : 0)});
    if (!entries.isEmpty())
        platform::writeProfileStrings(kSection, entries, settingsFile);
}
