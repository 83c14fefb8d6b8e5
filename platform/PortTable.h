#pragma once
// Which device a port number means. Ports.ini beside the program, section "PORTS", keys
// "COM1".."COM256", maps numbers to device paths; an entry wins. Without one, COMn is
// /dev/ttyS(n-1), Linux's own numbering.
#include <QString>

namespace platform {

QString portsIniPath(); // Ports.ini in the program's folder
QString devicePathForPort(int portNumber, const QString &portsIni);

} // namespace platform
