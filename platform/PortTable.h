#pragma once
// Which device a port number means. Ports.ini in the settings folder (beside the program, or
// the user's configuration folder when the program's folder is not writable), section "PORTS",
// keys "COM1".."COM256", maps numbers to device paths; an entry wins. Without one, COMn is
// /dev/ttyS(n-1), Linux's own numbering.
#include <QString>

namespace platform {

QString portsIniPath(const QString &folder); // Ports.ini in that folder
QString portsIniPath(); // Ports.ini in settingsFolder()
QString devicePathForPort(int portNumber, const QString &portsIni);
// Whether the table maps this number itself, rather than leaving it to the fallback.
bool portTableNames(int portNumber, const QString &portsIni);

} // namespace platform
