#include "SettingsStore.h"

#include "CommandFiles.h"
#include "ProfileFile.h"
#include "ProgramFolder.h"
#include "modGlobal.h"

#include <array>

namespace {

const QString kSection = QStringLiteral("SETTINGS");

struct SettingKey {
    const char *key;
    quint8 *variable;
};

std::array<SettingKey, 4> SettingKeys()
{
    return {{{"ComPort", &g_bytComPort},
             {"Baudrate", &g_bytBaudrate},
             {"Peculiar", &g_bytPeculiar},
             {"Language", &g_bytLanguage}}};
}

} // namespace

QString SettingsFilePath(const QString &programFolder)
{
    return platform::programFilePath(programFolder, QStringLiteral("Settings.ini"));
}

QString DefaultCommandsFilePath(const QString &programFolder)
{
    return platform::programFilePath(programFolder, QStringLiteral("DefaultCommands.icf"));
}

std::optional<quint8> SettingByteFromText(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 3)
        return std::nullopt;
    int value = 0;
    for (const QChar c : trimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    if (value > 255)
        return std::nullopt;
    return static_cast<quint8>(value);
}

void prc_MainLoadSettings(frmMain &form, const QString &programFolder)
{
    for (const SettingKey &s : SettingKeys()) {
        const QString text = platform::readProfileString(kSection, QString::fromLatin1(s.key),
                                                         QStringLiteral("0"),
                                                         SettingsFilePath(programFolder), 255);
        *s.variable = SettingByteFromText(text).value_or(0);
    }
    prc_MainLoadCommandFile(form, DefaultCommandsFilePath(programFolder), programFolder);
}

void prc_MainSaveSettings(frmMain &form, const QString &programFolder)
{
    QList<std::pair<QString, QString>> entries;
    for (const SettingKey &s : SettingKeys())
        entries.append({QString::fromLatin1(s.key), QString::number(*s.variable)});
    platform::writeProfileStrings(kSection, entries, SettingsFilePath(programFolder));
    prc_MainSaveCommandFile(form, DefaultCommandsFilePath(programFolder), programFolder);
}
