#pragma once
// Settings.ini beside the program: section "SETTINGS", keys "ComPort", "Baudrate", "Peculiar",
// "Language", each the decimal text of its byte. Loading also loads the presets from
// DefaultCommands.icf; saving also saves them. Neither reports anything.
//
// A value that is not a whole decimal number from 0 to 255 (empty, "abc", "-1", "300")
// makes that one setting 0; the other keys and the presets are still read.
#include "CommandSet.h"

#include <QString>
#include <optional>

void prc_MainLoadSettings(const QString &programFolder, CommandSet &presets);
void prc_MainSaveSettings(const QString &programFolder, const CommandSet &presets);

// "0".."255" with optional blanks around it; anything else gives nothing.
std::optional<quint8> settingByteFromText(const QString &text);

QString settingsFilePath(const QString &programFolder);
QString defaultCommandsFilePath(const QString &programFolder);
