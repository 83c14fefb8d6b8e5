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

// Whether the program in folder was installed (the package, cmake --install): a system folder
// for programs, or a folder whose installation prefix holds the program's desktop entry.
bool isInstalledProgramFolder(const QString &folder);

// Where Settings.ini, DefaultCommands.icf and Ports.ini live. An installed program never writes
// into its own folder, whoever runs it (root may write to /usr/bin): its files live in the
// user's configuration folder for the program (QStandardPaths::AppConfigLocation, created
// here). A portable copy or the build folder keeps them beside the program while it may write
// there, otherwise it uses the configuration folder too. Should that folder not be creatable
// for a portable copy, the program's folder is kept: its files are still read, and writes fail
// quietly.
QString settingsFolderFor(const QString &programFolder);
QString settingsFolder(); // settingsFolderFor(programFolder())

} // namespace platform
