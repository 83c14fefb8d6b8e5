#include "PortHolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <signal.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr qint64 kLockFileMaxBytes = 256;

// A lock file names its holder's process id on its first line (text, or the old binary form
// of uucp, which nobody writes any more and is taken as no holder).
bool lockNamesAnotherLiveProcess(const QString &lockPath)
{
    QFile lock(lockPath);
    if (!lock.open(QIODevice::ReadOnly))
        return false;
    bool isNumber = false;
    const qint64 pid = QString::fromLatin1(lock.read(kLockFileMaxBytes)).section(QLatin1Char('\n'), 0, 0)
                           .trimmed()
                           .toLongLong(&isNumber);
    if (!isNumber || pid <= 0 || pid == qint64(::getpid()))
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

} // namespace

QStringList defaultLockFolders()
{
    return {QStringLiteral("/var/lock"), QStringLiteral("/run/lock"), QStringLiteral("/etc/locks"),
            QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"), QDir::tempPath()};
}

QString lockFileName(const QString &canonicalDevicePath)
{
    QString name = canonicalDevicePath;
    if (name.startsWith(QLatin1String("/dev/")))
        name = name.mid(5);
    else
        name = QFileInfo(name).fileName();
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("LCK..") + name;
}

bool isHeldByAnotherProgram(const QString &devicePath, const QString &exceptPath, const QStringList &lockFolders)
{
    const QString canonical = QFileInfo(devicePath).canonicalFilePath();
    if (canonical.isEmpty())
        return false;
    if (!exceptPath.isEmpty() && QFileInfo(exceptPath).canonicalFilePath() == canonical)
        return false;
    const QString name = lockFileName(canonical);
    for (const QString &folder : lockFolders) {
        if (lockNamesAnotherLiveProcess(folder + QLatin1Char('/') + name))
            return true;
    }
    return false;
}

} // namespace platform
