#pragma once
// Settings.ini's [DISPLAY] section: "Hex", the decimal text of g_bytHexDisplay. The section is
// written only once it matters (hex on, or the key already in the file), so a file of a user
// who never turned the hex display on stays as it was.
#include <QString>

void loadDisplaySettings(const QString &settingsFile);
void saveDisplaySettings(const QString &settingsFile);
