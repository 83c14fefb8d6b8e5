#pragma once
// The connection's own section of Settings.ini, "CONNECTION": "Reconnect" (1 on, 0 off) and
// "BaudrateCustom" (a rate outside the rate table, in baud) and "LinesAfterOpen" (0: DTR and
// RTS on once the port is open, 1: off). The section "SETTINGS" is not touched.
//
// A key is written only when its value differs from the default or the file holds it already,
// so a file that never had them stays as it was. A value that cannot be read keeps the
// default: reconnecting on, no custom rate, the lines on.
#include <QString>

void loadConnectionSettings(const QString &settingsFile);
void saveConnectionSettings(const QString &settingsFile);
