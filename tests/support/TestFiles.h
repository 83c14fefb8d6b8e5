#pragma once
// Whole-file reads and writes for tests: one set instead of a copy in every test file.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

// The file's bytes; fallback when it cannot be read (missing, a folder, no permission).
inline QByteArray readFile(const QString &path, const QByteArray &fallback = {})
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : fallback;
}

// Replaces the file's content; false unless every byte was written.
[[nodiscard]] inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The names in a folder, hidden ones included, sorted; empty when it cannot be listed.
inline QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}
