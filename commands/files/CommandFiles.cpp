#include "CommandFiles.h"

#include "ProfileFile.h"

namespace {

const QString kSection = QStringLiteral("SETTINGS");

} // namespace

QString commandFileKey(int slot)
{
    return QStringLiteral("Param") + QString::number(slot);
}

void prc_MainLoadCommandFile(const QString &fileName, CommandSet &presets)
{
    if (fileName.isEmpty())
        return;
    for (int n = 1; n <= SlotCount; ++n)
        presets.texts[size_t(n - 1)] =
            platform::readProfileString(kSection, commandFileKey(n), QString(), fileName, 255);
}

void prc_MainSaveCommandFile(const QString &fileName, const CommandSet &presets)
{
    if (fileName.isEmpty())
        return;
    QList<std::pair<QString, QString>> entries;
    for (int n = 1; n <= SlotCount; ++n)
        entries.append({commandFileKey(n), presets.text(n)});
    platform::writeProfileStrings(kSection, entries, fileName);
}
