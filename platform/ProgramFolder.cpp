#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace platform {

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString programFilePath(const QString &folder, const QString &name)
{
    return folder + QLatin1Char('/') + name;
}

bool isFolderWritable(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    // A unique name: two copies starting at once must not remove each other's probe.
    QTemporaryFile probe(programFilePath(folder, QStringLiteral(".tellurix-probe-XXXXXX")));
    return probe.open(); // removed again when probe goes out of scope
}

bool isInstalledProgramFolder(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    static const QStringList systemFolders{
        QStringLiteral("/usr/bin"),       QStringLiteral("/usr/local/bin"), QStringLiteral("/bin"),
        QStringLiteral("/usr/sbin"),      QStringLiteral("/usr/local/sbin"), QStringLiteral("/sbin"),
        QStringLiteral("/usr/games"),     QStringLiteral("/usr/local/games")};
    if (systemFolders.contains(canonical.isEmpty() ? folder : canonical))
        return true;
    // cmake --install and the package put the desktop entry below the same prefix.
    return QFileInfo::exists(programFilePath(folder, QStringLiteral("../share/applications/tellurix.desktop")));
}

QString settingsFolderFor(const QString &programFolder)
{
    const bool installed = isInstalledProgramFolder(programFolder);
    if (!installed && isFolderWritable(programFolder))
        return programFolder;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (config.isEmpty() || !QDir().mkpath(config))
        return installed ? config : programFolder;
    return config;
}

QString settingsFolder()
{
    return settingsFolderFor(programFolder());
}

} // namespace platform
