#pragma once
// Command configuration files (*.icf): the eight slot texts under "Param1".."Param8" of
// section "SETTINGS". A path loads or saves that file silently; an empty text asks the user
// through the file dialog first. Nothing is ever reported; cancel changes nothing.
#include <QString>

class frmMain;

void prc_MainLoadCommandFile(frmMain &form, const QString &fileName, const QString &programFolder);
void prc_MainSaveCommandFile(frmMain &form, const QString &fileName, const QString &programFolder);

// The key of slot n (1..8) in a command file.
QString CommandFileKey(int slot);
