#pragma once
#include <QString>

namespace platform {

// The folder that holds the executable, without a trailing separator.
QString programFolder();

// The folder's text, the separator and the name, joined without looking at the folder's end.
QString programFilePath(const QString &folder, const QString &name);

// Whether this process may create files in folder: tried by creating and removing a probe
// file, because permission bits say nothing for root or on a read-only mount.
bool isFolderWritable(const QString &folder);

// Where Settings.ini, DefaultCommands.icf and Ports.ini live: the program's folder when it is
// writable (a portable copy, the build folder), otherwise the user's configuration folder for
// the program (QStandardPaths::AppConfigLocation, created here). Should that folder not be
// creatable either, the program's folder is kept: its files are still read, and writes fail
// quietly as they always did.
QString settingsFolderFor(const QString &programFolder);
QString settingsFolder(); // settingsFolderFor(programFolder())

} // namespace platform
