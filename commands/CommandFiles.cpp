#include "CommandFiles.h"

#include "Dialogs.h"
#include "ProfileFile.h"
#include "frmMain.h"
#include "modTools.h"

#include <QLineEdit>

namespace {

const QString kSection = QStringLiteral("SETTINGS");

// The dialog's settings are made anew before every use: it never remembers the last choice.
void PrepareCommandFileDialog(frmMain &form, const QString &programFolder, bool forSaving)
{
    platform::FileDialogOptions &dlg = form.cdlCommonDialog;
    dlg.initialFolder = programFolder;
    dlg.proposedName = QStringLiteral("UserDefinedCommands.icf");
    dlg.filter = fkt_ToolsGetResString(1606);
    dlg.defaultSuffix = QStringLiteral(".icf");
    dlg.title = fkt_ToolsGetResString(forSaving ? 1008 : 1007);
    dlg.fileMustExist = !forSaving;
    dlg.confirmOverwrite = forSaving;
}

// The path to use, or an empty text when the user cancelled or chose nothing.
QString ChooseCommandFile(frmMain &form, const QString &fileName, const QString &programFolder,
                          bool forSaving)
{
    if (!fileName.isEmpty())
        return fileName;
    PrepareCommandFileDialog(form, programFolder, forSaving);
    const std::optional<QString> chosen =
        forSaving ? platform::dialogs().saveFile(&form, form.cdlCommonDialog)
                  : platform::dialogs().openFile(&form, form.cdlCommonDialog);
    return chosen.value_or(QString());
}

} // namespace

QString CommandFileKey(int slot)
{
    return QStringLiteral("Param") + QString::number(slot);
}

void prc_MainLoadCommandFile(frmMain &form, const QString &fileName, const QString &programFolder)
{
    const QString path = ChooseCommandFile(form, fileName, programFolder, false);
    if (path.isEmpty())
        return;
    for (int n = 1; n <= SlotCount; ++n)
        form.txtBefehl[n - 1]->setText(
            platform::readProfileString(kSection, CommandFileKey(n), QString(), path, 255));
}

void prc_MainSaveCommandFile(frmMain &form, const QString &fileName, const QString &programFolder)
{
    const QString path = ChooseCommandFile(form, fileName, programFolder, true);
    if (path.isEmpty())
        return;
    QList<std::pair<QString, QString>> entries;
    for (int n = 1; n <= SlotCount; ++n)
        entries.append({CommandFileKey(n), form.txtBefehl[n - 1]->text()});
    platform::writeProfileStrings(kSection, entries, path);
}
