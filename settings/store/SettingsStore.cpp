#include "SettingsStore.h"

#include "CaptureSettingsStore.h"
#include "CommandFiles.h"
#include "DisplaySettings.h"
#include "ConnectionSettingsStore.h"
#include "ProfileFile.h"
#include "ProgramFolder.h"
#include "TextNumbers.h"
#include "modGlobal.h"

#include <array>

namespace {

const QString kSection = QStringLiteral("SETTINGS");

struct SettingKey {
    const char *key;
    quint8 *variable;
};

std::array<SettingKey, 4> settingKeys()
{
    return {{{"ComPort", &g_bytComPort},
             {"Baudrate", &g_bytBaudrate},
             {"Peculiar", &g_bytPeculiar},
             {"Language", &g_bytLanguage}}};
}

} // namespace

QString settingsFilePath(const QString &programFolder)
{
    return platform::programFilePath(programFolder, QStringLiteral("Settings.ini"));
}

QString defaultCommandsFilePath(const QString &programFolder)
{
    return platform::programFilePath(programFolder, QStringLiteral("DefaultCommands.icf"));
}

std::optional<quint8> settingByteFromText(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.size() > 3)
        return std::nullopt;
    const std::optional<qint64> value = decimalValue(trimmed, Sign::NotAllowed);
    if (!value || *value > 255)
        return std::nullopt;
    return static_cast<quint8>(*value);
}

void prc_MainLoadSettings(const QString &programFolder, CommandSet &presets)
{
    for (const SettingKey &s : settingKeys()) {
        const QString text = platform::readProfileString(kSection, QString::fromLatin1(s.key),
                                                         QStringLiteral("0"),
                                                         settingsFilePath(programFolder), 255);
        *s.variable = settingByteFromText(text).value_or(0);
    }
    loadDisplaySettings(settingsFilePath(programFolder));
    loadConnectionSettings(settingsFilePath(programFolder));
    loadCaptureSettings(settingsFilePath(programFolder));
    prc_MainLoadCommandFile(defaultCommandsFilePath(programFolder), presets);
}

void prc_MainSaveSettings(const QString &programFolder, const CommandSet &presets)
{
    QList<std::pair<QString, QString>> entries;
    for (const SettingKey &s : settingKeys())
        entries.append({QString::fromLatin1(s.key), QString::number(*s.variable)});
    platform::writeProfileStrings(kSection, entries, settingsFilePath(programFolder));
    saveDisplaySettings(settingsFilePath(programFolder));
    saveConnectionSettings(settingsFilePath(programFolder));
    saveCaptureSettings(settingsFilePath(programFolder));
    prc_MainSaveCommandFile(defaultCommandsFilePath(programFolder), presets);
}
