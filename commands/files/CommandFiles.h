#pragma once
// Command configuration files (*.icf): the eight preset texts under "Param1".."Param8" of
// section "SETTINGS". These read and write a named file directly and report nothing; asking
// the user for a file is the main window's part.
#include "CommandSet.h"

#include <QString>

// Loads the presets from fileName; an empty name changes nothing.
void prc_MainLoadCommandFile(const QString &fileName, CommandSet &presets);
// Saves the presets to fileName in one replacement of the file; an empty name writes nothing.
void prc_MainSaveCommandFile(const QString &fileName, const CommandSet &presets);

// The key of slot n (1..8) in a command file.
QString commandFileKey(int slot);
