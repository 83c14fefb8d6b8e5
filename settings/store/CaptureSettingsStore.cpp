#include "CaptureSettingsStore.h"

#include "CaptureSettings.h"
#include "ProfileFile.h"
#include "SettingsStore.h"

namespace {

const QString kSection = QStringLiteral("CAPTURE");
const QString kFolder = QStringLiteral("Folder");
const QString kRaw = QStringLiteral("Raw");
// No value a key can hold: tells a missing key from an empty one.
const QString kMissing = QStringLiteral("\x01");

bool hasKey(const QString &key, const QString &path)
{
    return platform::readProfileString(kSection, key, kMissing, path) != kMissing;
}

} // namespace

void loadCaptureSettings(const QString &settingsPath)
{
    // A folder name may be long: the profile reader's usual 254 characters would cut it.
    g_strCaptureFolder = platform::readProfileString(kSection, kFolder, QString(), settingsPath, 4096);
    g_bytCaptureRaw = settingByteFromText(
                          platform::readProfileString(kSection, kRaw, QStringLiteral("0"), settingsPath))
                          .value_or(0);
}

void saveCaptureSettings(const QString &settingsPath)
{
    const bool defaults = g_strCaptureFolder.isEmpty() && g_bytCaptureRaw == 0;
    if (defaults && !hasKey(kFolder, settingsPath) && !hasKey(kRaw, settingsPath))
        return;
    platform::writeProfileStrings(kSection,
                                  {{kFolder, g_strCaptureFolder}, {kRaw, QString::number(g_bytCaptureRaw)}},
                                  settingsPath);
}
