#include "PortTable.h"

#include "ProfileFile.h"
#include "ProgramFolder.h"

namespace platform {

namespace {
// Device paths such as /dev/serial/by-id/... are long; allow any path the system allows.
constexpr int kPathBufferSize = 4096;
} // namespace

QString portsIniPath(const QString &folder)
{
    return programFilePath(folder, QStringLiteral("Ports.ini"));
}

QString portsIniPath()
{
    return portsIniPath(settingsFolder());
}

namespace {
QString tableEntry(int portNumber, const QString &portsIni)
{
    return readProfileString(QStringLiteral("PORTS"), QStringLiteral("COM%1").arg(portNumber),
                             QString(), portsIni, kPathBufferSize);
}
} // namespace

bool portTableNames(int portNumber, const QString &portsIni)
{
    return !tableEntry(portNumber, portsIni).isEmpty();
}

QString devicePathForPort(int portNumber, const QString &portsIni)
{
    const QString entry = tableEntry(portNumber, portsIni);
    if (!entry.isEmpty())
        return entry;
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
}

} // namespace platform
