#include "FuzzChecks.h"
#include "FuzzInput.h"

#include "Cp1252.h"
#include "ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QList>

#include <algorithm>
#include <array>
#include <optional>

// What a write promises, written down from the reader's and writer's contracts rather than from
// their code: the read-back value, which names are refused, and that a write changes one line
// (or adds one or two) and leaves every other byte of the file alone.

namespace fuzzcheck {

namespace {

constexpr int kValueBuffer = 255;
// No value read from a file can hold a line end, so this default is never a real value.
const QString kMissing = QStringLiteral("\n");
const QByteArray kBom = QByteArrayLiteral("\xEF\xBB\xBF");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QByteArray trimmedBlanks(QByteArray bytes)
{
    while (!bytes.isEmpty() && isBlank(bytes.back()))
        bytes.chop(1);
    qsizetype begin = 0;
    while (begin < bytes.size() && isBlank(bytes.at(begin)))
        ++begin;
    return bytes.sliced(begin);
}

QString trimmedBlanks(QString text)
{
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    qsizetype begin = 0;
    while (begin < text.size() && isBlank(text.at(begin)))
        ++begin;
    return text.sliced(begin);
}

QString cutAtNul(const QString &text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.first(nul);
}

// A name as it stands in the file: in the code page, up to a NUL, without blanks around it.
QByteArray nameInFile(const QString &name)
{
    return trimmedBlanks(platform::encodeCp1252(cutAtNul(name)));
}

bool refusedSection(const QByteArray &name)
{
    return name.isEmpty() || name.contains('\r') || name.contains('\n');
}

// Refused as well: a key line that would read back as a header, a comment or another key.
bool refusedKey(const QByteArray &name)
{
    return refusedSection(name) || name.contains('=') || name.front() == '['
           || name.front() == ';';
}

QByteArray valueInFile(const QString &value)
{
    QByteArray bytes = platform::encodeCp1252(cutAtNul(value));
    bytes.replace('\r', ' ');
    bytes.replace('\n', ' ');
    return bytes;
}

// What reading the key back must give after writing `value`.
QString promisedReadBack(const QString &value)
{
    QString text = trimmedBlanks(platform::decodeCp1252(valueInFile(value)));
    const bool quoted = text.size() >= 2 && text.front() == text.back()
                        && (text.front() == QLatin1Char('"') || text.front() == QLatin1Char('\''));
    if (quoted)
        text = text.sliced(1, text.size() - 2);
    return text.left(kValueBuffer - 1);
}

struct FileLine {
    QByteArray content;
    QByteArray end; // CR LF, LF, CR, or empty for an unterminated last line

    bool operator==(const FileLine &) const = default;
};

QList<FileLine> splitLines(QByteArrayView data)
{
    QList<FileLine> lines;
    qsizetype pos = 0;
    while (pos < data.size()) {
        qsizetype stop = pos;
        while (stop < data.size() && data[stop] != '\r' && data[stop] != '\n')
            ++stop;
        qsizetype next = stop;
        if (stop < data.size())
            next += (data[stop] == '\r' && stop + 1 < data.size() && data[stop + 1] == '\n') ? 2 : 1;
        lines.append({data.sliced(pos, stop - pos).toByteArray(),
                      data.sliced(stop, next - stop).toByteArray()});
        pos = next;
    }
    return lines;
}

// The line end new lines get: the one the file uses first, CR LF for a file without any.
QByteArray newLineEnd(QByteArrayView data)
{
    for (const FileLine &line : splitLines(data)) {
        if (!line.end.isEmpty())
            return line.end;
    }
    return QByteArrayLiteral("\r\n");
}

QString describe(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.toByteArray().toPercentEncoding(" =[];\"'"));
}

bool sameNameInFile(const QByteArray &a, const QByteArray &b)
{
    return QString::compare(platform::decodeCp1252(a), platform::decodeCp1252(b),
                            Qt::CaseInsensitive)
           == 0;
}

// A line that reads as "key = value" for this key: not a comment, not a header.
bool isLineOfKey(const QByteArray &content, const QByteArray &key)
{
    const QByteArray text = trimmedBlanks(content);
    const qsizetype equals = text.indexOf('=');
    if (text.startsWith(';') || (text.size() >= 2 && text.front() == '[' && text.back() == ']')
        || equals < 0)
        return false;
    return sameNameInFile(trimmedBlanks(text.first(equals)), key);
}

// Empty when the new file is the old one with exactly the promised change.
QString checkOneChange(QByteArray before, QByteArray after, const QByteArray &header,
                       const QByteArray &key, const QByteArray &entry)
{
    if (before.startsWith(kBom)) {
        if (!after.startsWith(kBom))
            return QStringLiteral("the byte order mark was lost");
        before.remove(0, kBom.size());
        after.remove(0, kBom.size());
    }
    const QByteArray eol = newLineEnd(before);
    const QList<FileLine> oldLines = splitLines(before);
    const QList<FileLine> newLines = splitLines(after);

    qsizetype prefix = 0;
    while (prefix < oldLines.size() && prefix < newLines.size()
           && oldLines[prefix] == newLines[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < oldLines.size() - prefix && suffix < newLines.size() - prefix
           && oldLines[oldLines.size() - 1 - suffix] == newLines[newLines.size() - 1 - suffix])
        ++suffix;
    const QList<FileLine> removed = oldLines.mid(prefix, oldLines.size() - prefix - suffix);
    QList<FileLine> added = newLines.mid(prefix, newLines.size() - prefix - suffix);
    const bool atEnd = suffix == 0;

    if (removed.isEmpty() && added.isEmpty())
        return {}; // the same line written again
    // A key that was there: its line is replaced, its line end stays.
    if (removed.size() == 1 && added.size() == 1 && removed[0].end == added[0].end
        && isLineOfKey(removed[0].content, key) && added[0].content == entry)
        return {};
    // A last line without a line end gets one before anything is added after it.
    if (removed.size() == 1 && atEnd && removed[0].end.isEmpty() && !added.isEmpty()
        && added[0] == FileLine{removed[0].content, eol}) {
        added.removeFirst();
    } else if (!removed.isEmpty()) {
        return QStringLiteral("lines that were not the key's changed: ") + describe(before)
               + QStringLiteral(" became ") + describe(after);
    }
    // A lone CR right before an LF would join it and swallow the empty line the LF ends.
    const bool beforeEmptyLfLine = !atEnd && newLines[newLines.size() - suffix] == FileLine{{}, "\n"};
    const QList<FileLine> keyOnly{{entry, eol == "\r" && beforeEmptyLfLine ? "\r\n" : eol}};
    const QList<FileLine> sectionAndKey{{'[' + header + ']', eol}, {entry, eol}};
    if (added == keyOnly || (atEnd && added == sectionAndKey))
        return {};
    return QStringLiteral("the write added other lines than the key (and its section): ")
           + describe(before) + QStringLiteral(" became ") + describe(after);
}

std::optional<QByteArray> fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

QString checkReadLimits(const QString &section, const QString &key, const QString &path)
{
    for (const int buffer : {0, 1, 2, 17, kValueBuffer}) {
        const QString read = platform::readProfileString(section, key, kMissing, path, buffer);
        if (read.size() > std::max(buffer - 1, 0))
            return QStringLiteral("a read with a buffer of %1 gave %2 characters")
                .arg(buffer)
                .arg(read.size());
    }
    return {};
}

} // namespace

QString checkProfileFile(QByteArrayView input, const QString &folder)
{
    const QList<QByteArray> parts = fuzzinput::splitParts(input, 6);
    const QString section = QString::fromUtf8(parts[0]);
    const QString key = QString::fromUtf8(parts[1]);
    const QString value = QString::fromUtf8(parts[2]);
    const QString otherSection = QString::fromUtf8(parts[3]);
    const QString otherKey = QString::fromUtf8(parts[4]);
    const QByteArray &original = parts[5];

    const QString path = QDir(folder).filePath(QStringLiteral("Profile.ini"));
    QFile::remove(path);
    if (!original.isEmpty()) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(original) != original.size())
            return QStringLiteral("the test could not set up its file");
    }

    for (const auto &[s, k] : {std::pair{section, key}, std::pair{otherSection, otherKey}}) {
        if (const QString broken = checkReadLimits(s, k, path); !broken.isEmpty())
            return broken;
    }
    const QString otherBefore =
        platform::readProfileString(otherSection, otherKey, kMissing, path, kValueBuffer);

    const QByteArray sectionName = nameInFile(section);
    const QByteArray keyName = nameInFile(key);
    const bool refused = refusedSection(sectionName) || refusedKey(keyName);
    const bool written = platform::writeProfileString(section, key, value, path);
    const QByteArray after = fileBytes(path).value_or(QByteArray());

    if (refused) {
        if (written)
            return QStringLiteral("a write with names the file cannot hold was carried out");
        if (after != original)
            return QStringLiteral("a refused write changed the file");
        return {};
    }
    if (!written)
        return QStringLiteral("a write to a writable folder failed");
    if (const QString broken =
            checkOneChange(original, after, sectionName, keyName, keyName + '=' + valueInFile(value));
        !broken.isEmpty())
        return broken;

    const QString readBack = platform::readProfileString(section, key, kMissing, path, kValueBuffer);
    const QString promised = promisedReadBack(value);
    if (readBack != promised)
        return QStringLiteral("read after write gave \"%1\", the format promises \"%2\"")
            .arg(describe(readBack.toUtf8()), describe(promised.toUtf8()));

    const bool sameKey = sameNameInFile(nameInFile(otherSection), sectionName)
                         && sameNameInFile(nameInFile(otherKey), keyName);
    if (!sameKey) {
        const QString otherAfter =
            platform::readProfileString(otherSection, otherKey, kMissing, path, kValueBuffer);
        if (otherAfter != otherBefore)
            return QStringLiteral("writing one key changed what another reads: \"%1\" became \"%2\"")
                .arg(describe(otherBefore.toUtf8()), describe(otherAfter.toUtf8()));
    }
    return {};
}

} // namespace fuzzcheck
