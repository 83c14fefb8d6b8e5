#include "CommandFileDialogs.h"

#include "CommandFiles.h"
#include "Dialogs.h"
#include "TerminalSession.h"
#include "frmMain.h"
#include "modTools.h"

namespace {

// The dialog's settings are made anew before every use: it never remembers the last choice.
void prepareCommandFileDialog(frmMain &form, const QString &programFolder, bool forSaving)
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
QString chooseCommandFile(frmMain &form, const QString &fileName, const QString &programFolder,
                          bool forSaving)
{
    if (!fileName.isEmpty())
        return fileName;
    prepareCommandFileDialog(form, programFolder, forSaving);
    const std::optional<QString> chosen =
        forSaving ? platform::dialogs().saveFile(&form, form.cdlCommonDialog)
                  : platform::dialogs().openFile(&form, form.cdlCommonDialog);
    return chosen.value_or(QString());
}

} // namespace

void loadCommandFileFromMenu(frmMain &form, TerminalSession &session, const QString &fileName,
                             const QString &programFolder)
{
    const QString path = chooseCommandFile(form, fileName, programFolder, false);
    if (path.isEmpty())
        return;
    CommandSet presets = session.presets();
    prc_MainLoadCommandFile(path, presets);
    session.setPresets(presets);
}

void saveCommandFileFromMenu(frmMain &form, const TerminalSession &session, const QString &fileName,
                             const QString &programFolder)
{
    prc_MainSaveCommandFile(chooseCommandFile(form, fileName, programFolder, true), session.presets());
}
