#pragma once
// Private profile (INI) files as the settings and command files use them.
//
// Reading: section and key names match regardless of letter case; the value loses the blanks
// around it and one pair of enclosing double or single quotes; at most bufferSize - 1 characters come
// back; a missing file, section or key gives defaultValue; a key with an empty value gives "".
// Writing: creates file, section (appended at the end) and key (appended at the end of its
// section) as needed, replaces an existing value in place and leaves every other line byte for
// byte as it was. A new file gets CRLF line ends; an edited file keeps its own. The file is
// replaced atomically (temporary file + rename), so a crash never leaves half a file.
// Text is Windows-1252 on disk.
#include <QList>
#include <QString>

#include <utility>

namespace platform {

QString readProfileString(const QString &section, const QString &key, const QString &defaultValue,
                          const QString &path, int bufferSize = 255);

// Returns false when the file could not be written; the old file is then untouched.
bool writeProfileString(const QString &section, const QString &key, const QString &value,
                        const QString &path);

// Several keys of one section, as writeProfileString would write them one after the other, in
// a single replacement of the file: a crash leaves either all of them written or none. Keys
// that cannot be written are left out; false then, or when the file could not be written.
bool writeProfileStrings(const QString &section,
                         const QList<std::pair<QString, QString>> &keysAndValues,
                         const QString &path);

} // namespace platform
