#pragma once
// The File menu's command files: the file dialog asks for a file, then the session's presets
// are loaded from it or saved to it. Cancel changes nothing and says nothing.
#include <QString>

class TerminalSession;
class frmMain;

// An empty fileName asks the user through the file dialog first; a name is used directly.
void loadCommandFileFromMenu(frmMain &form, TerminalSession &session, const QString &fileName,
                             const QString &programFolder);
void saveCommandFileFromMenu(frmMain &form, const TerminalSession &session, const QString &fileName,
                             const QString &programFolder);
