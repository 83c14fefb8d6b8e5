#pragma once
#include <QString>

namespace platform {

// The folder that holds the executable, without a trailing separator.
QString programFolder();

// The folder's text, the separator and the name, joined without looking at the folder's end.
QString programFilePath(const QString &folder, const QString &name);

} // namespace platform
