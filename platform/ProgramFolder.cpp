#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
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

QString settingsFolderFor(const QString &programFolder)
{
    if (isFolderWritable(programFolder))
        return programFolder;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (config.isEmpty() || !QDir().mkpath(config))
        return programFolder;
    return config;
}

QString settingsFolder()
{
    return settingsFolderFor(programFolder());
}

} // namespace platform
