#include "DisplaySettings.h"

#include "DisplayGlobals.h"
#include "ProfileFile.h"
#include "SettingsStore.h"

namespace {

const QString kSection = QStringLiteral("DISPLAY");
const QString kHexKey = QStringLiteral("Hex");
// Never a value of the key: tells a missing key from a present one.
const QString kAbsent = QStringLiteral("<absent>");

} // namespace

void loadDisplaySettings(const QString &settingsFile)
{
    const QString text = platform::readProfileString(kSection, kHexKey, QStringLiteral("0"), settingsFile);
    g_bytHexDisplay = settingByteFromText(text).value_or(0);
}

void saveDisplaySettings(const QString &settingsFile)
{
    if (g_bytHexDisplay == 0
        && platform::readProfileString(kSection, kHexKey, kAbsent, settingsFile, 255) == kAbsent)
        return;
    platform::writeProfileString(kSection, kHexKey, QString::number(g_bytHexDisplay), settingsFile);
}
