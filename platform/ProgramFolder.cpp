#include "ProgramFolder.h"

#include <QCoreApplication>

namespace platform {

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString programFilePath(const QString &folder, const QString &name)
{
    return folder + QLatin1Char('/') + name;
}

} // namespace platform
