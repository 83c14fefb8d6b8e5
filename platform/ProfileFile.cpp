#include "ProfileFile.h"

#include "Cp1252.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <optional>

// The file is handled as bytes: the text of a line is only decoded where a name is compared or
// a value returned, and a write splices the one changed line into the bytes it read, so lines
// it does not touch (comments, binary junk, NUL bytes, foreign line ends) stay byte for byte.
//
// What counts as what, line by line (blanks are spaces and tabs):
// - A line ends at CR LF, LF or a lone CR; the last line may lack a line end.
// - A UTF-8 byte order mark at the very start is skipped when reading, so a file saved by an
//   editor that adds one still finds its first section; a write keeps the mark as it was.
// - "[name]", with blanks allowed around the brackets and the name, starts section "name".
// - A line whose first non-blank character is ';' is a comment.
// - "key=value" is a key line: the key is the text before the first '=', the value the rest.
// - Anything else is ignored. Key lines before the first section belong to no section.
// - Only the first section of a name counts; a repeated section is not merged into it, and
//   within the section the first line of a key wins.
// - A NUL byte in a value ends the value, as it would end the caller's character buffer.

namespace platform {

namespace {

constexpr QByteArrayView kUtf8Bom("\xEF\xBB\xBF");
constexpr QByteArrayView kCrLf("\r\n");

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isLineEndChar(char c)
{
    return c == '\r' || c == '\n';
}

QByteArrayView trimBlanks(QByteArrayView bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && isBlank(bytes[begin]))
        ++begin;
    while (end > begin && isBlank(bytes[end - 1]))
        --end;
    return bytes.sliced(begin, end - begin);
}

QByteArrayView untilNul(QByteArrayView bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    return nul < 0 ? bytes : bytes.first(nul);
}

// One pair of quotes around the whole value goes, double or single alike; a lone quote and
// two quotes of different kinds stay.
QByteArrayView unquote(QByteArrayView value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

struct Line {
    qsizetype start = 0;      // first byte of the line
    qsizetype contentEnd = 0; // first byte of its line end, or the end of the data
    qsizetype end = 0;        // first byte of the next line

    bool terminated() const { return end > contentEnd; }
};

class LineReader {
public:
    explicit LineReader(QByteArrayView data)
        : m_data(data), m_pos(data.startsWith(kUtf8Bom) ? kUtf8Bom.size() : 0)
    {
    }

    std::optional<Line> next()
    {
        if (m_pos >= m_data.size())
            return std::nullopt;
        Line line;
        line.start = m_pos;
        const char *const begin = m_data.data();
        const char *const stop = begin + m_data.size();
        const char *const lineEnd = std::find_if(begin + m_pos, stop, isLineEndChar);
        line.contentEnd = lineEnd - begin;
        line.end = line.contentEnd;
        if (lineEnd != stop) {
            const bool crLf = *lineEnd == '\r' && lineEnd + 1 != stop && lineEnd[1] == '\n';
            line.end += crLf ? 2 : 1;
        }
        m_pos = line.end;
        return line;
    }

private:
    QByteArrayView m_data;
    qsizetype m_pos;
};

enum class LineKind { Blank, Comment, Section, Key, Other };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    QByteArrayView name;  // section or key name, trimmed
    QByteArrayView value; // key value, trimmed, quotes still on
};

ParsedLine parseLine(QByteArrayView content)
{
    const QByteArrayView text = trimBlanks(content);
    if (text.isEmpty())
        return {LineKind::Blank, {}, {}};
    if (text.front() == ';')
        return {LineKind::Comment, {}, {}};
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']')
        return {LineKind::Section, trimBlanks(text.sliced(1, text.size() - 2)), {}};
    const qsizetype equals = text.indexOf('=');
    if (equals >= 0)
        return {LineKind::Key, trimBlanks(text.first(equals)), trimBlanks(text.sliced(equals + 1))};
    return {LineKind::Other, {}, {}};
}

// Case folding of every byte's character, so names compare without decoding whole lines.
const std::array<char16_t, 256> &foldedBytes()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> folded{};
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            const QString ch = decodeCp1252(QByteArrayView(&byte, 1));
            folded[b] = QChar::toCaseFolded(ch.at(0).unicode());
        }
        return folded;
    }();
    return table;
}

class NameMatcher {
public:
    explicit NameMatcher(QByteArrayView name)
    {
        const auto &fold = foldedBytes();
        m_folded.reserve(name.size());
        for (const char c : name)
            m_folded.push_back(fold[static_cast<unsigned char>(c)]);
    }

    bool matches(QByteArrayView name) const
    {
        if (name.size() != qsizetype(m_folded.size()))
            return false;
        const auto &fold = foldedBytes();
        return std::equal(m_folded.begin(), m_folded.end(), name.begin(),
                          [&fold](char16_t folded, char c) {
                              return folded == fold[static_cast<unsigned char>(c)];
                          });
    }

private:
    std::u16string m_folded;
};

// Names go through the code page first, as the program's text would on its way to the file,
// so a character the file cannot hold matches the '?' it is written as.
QByteArray fileName(const QString &name)
{
    return trimBlanks(untilNul(encodeCp1252(name))).toByteArray();
}

struct Location {
    std::optional<Line> sectionHeader;
    Line sectionLastContent; // last non-blank line of the section, the header at least
    std::optional<Line> keyLine;
    QByteArrayView value;
};

Location locate(QByteArrayView data, QByteArrayView section, QByteArrayView key)
{
    const NameMatcher sectionMatcher(section);
    const NameMatcher keyMatcher(key);
    Location found;
    LineReader reader(data);
    while (const std::optional<Line> line = reader.next()) {
        const ParsedLine parsed = parseLine(data.sliced(line->start, line->contentEnd - line->start));
        if (parsed.kind == LineKind::Section) {
            if (found.sectionHeader)
                break; // the section ends where the next one starts
            if (sectionMatcher.matches(parsed.name)) {
                found.sectionHeader = *line;
                found.sectionLastContent = *line;
            }
            continue;
        }
        if (!found.sectionHeader)
            continue;
        if (parsed.kind != LineKind::Blank)
            found.sectionLastContent = *line;
        if (parsed.kind == LineKind::Key && keyMatcher.matches(parsed.name)) {
            found.keyLine = *line;
            found.value = parsed.value;
            break;
        }
    }
    return found;
}

// An edited file keeps the line end it already uses; a file without one gets CR LF.
QByteArray lineEndStyle(QByteArrayView data)
{
    const auto *const end = data.end();
    const auto *const first = std::find_if(data.begin(), end, isLineEndChar);
    if (first == end)
        return kCrLf.toByteArray();
    if (*first == '\n')
        return QByteArrayLiteral("\n");
    return (first + 1 != end && first[1] == '\n') ? kCrLf.toByteArray() : QByteArrayLiteral("\r");
}

// A lone CR written right before an LF would join it into one CR LF line end, and the empty
// line that LF ended would vanish; a new line that comes to stand there ends with CR LF.
QByteArray lineEndBefore(QByteArrayView data, qsizetype at, const QByteArray &eol)
{
    const bool joinsFollowingLf = eol == "\r" && at < data.size() && data[at] == '\n';
    return joinsFollowingLf ? kCrLf.toByteArray() : eol;
}

bool endsWithLineEnd(QByteArrayView data)
{
    return !data.isEmpty() && isLineEndChar(data.back());
}

bool hasContent(QByteArrayView data)
{
    return data.size() > (data.startsWith(kUtf8Bom) ? kUtf8Bom.size() : 0);
}

// A value is written as given, except for CR and LF: a line end inside it would split it, and
// the next read would take the part after the break for a key line or a section header of its
// own. Each becomes a blank so the value keeps its length and stays on its line.
QByteArray fileValue(const QString &value)
{
    QByteArray bytes = untilNul(encodeCp1252(value)).toByteArray();
    bytes.replace('\r', ' ');
    bytes.replace('\n', ' ');
    return bytes;
}

bool isWritableSectionName(QByteArrayView name)
{
    return !name.isEmpty() && !name.contains('\r') && !name.contains('\n');
}

// A key that could be read back as something else (a header, a comment, a key ending at an
// '=' of its own) is refused rather than written.
bool isWritableKeyName(QByteArrayView name)
{
    return isWritableSectionName(name) && !name.contains('=') && name.front() != '['
           && name.front() != ';';
}

QByteArray withEntry(const QByteArray &original, QByteArrayView section, QByteArrayView key,
                     QByteArrayView value)
{
    const QByteArray eol = lineEndStyle(original);
    const QByteArray entry = key.toByteArray() + '=' + value.toByteArray();
    const Location found = locate(original, section, key);
    QByteArray updated = original;
    if (found.keyLine) {
        updated.replace(found.keyLine->start, found.keyLine->contentEnd - found.keyLine->start,
                        entry);
    } else if (found.sectionHeader) {
        const Line &after = found.sectionLastContent;
        updated.insert(after.end, after.terminated()
                                      ? entry + lineEndBefore(original, after.end, eol)
                                      : eol + entry + eol);
    } else {
        if (hasContent(updated) && !endsWithLineEnd(updated))
            updated += eol;
        updated += '[' + section.toByteArray() + ']' + eol + entry + eol;
    }
    return updated;
}

std::optional<QByteArray> readWholeFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return data;
}

QString capped(const QString &text, int bufferSize)
{
    return text.left(std::max(bufferSize - 1, 0));
}

} // namespace

QString readProfileString(const QString &section, const QString &key, const QString &defaultValue,
                          const QString &path, int bufferSize)
{
    const QByteArray sectionName = fileName(section);
    const QByteArray keyName = fileName(key);
    if (sectionName.isEmpty() || keyName.isEmpty() || !QFileInfo(path).isFile())
        return capped(defaultValue, bufferSize);
    const std::optional<QByteArray> data = readWholeFile(path);
    if (!data)
        return capped(defaultValue, bufferSize);
    const Location found = locate(*data, sectionName, keyName);
    if (!found.keyLine)
        return capped(defaultValue, bufferSize);
    const QByteArrayView value = untilNul(unquote(found.value));
    return decodeCp1252(value.first(std::min<qsizetype>(value.size(), std::max(bufferSize - 1, 0))));
}

bool writeProfileString(const QString &section, const QString &key, const QString &value,
                        const QString &path)
{
    return writeProfileStrings(section, {{key, value}}, path);
}

bool writeProfileStrings(const QString &section,
                         const QList<std::pair<QString, QString>> &keysAndValues,
                         const QString &path)
{
    const QByteArray sectionName = fileName(section);
    if (!isWritableSectionName(sectionName))
        return false;
    // Read once, changed key by key, written once.
    QByteArray original;
    const QFileInfo info(path);
    if (info.exists()) {
        if (!info.isFile())
            return false;
        std::optional<QByteArray> data = readWholeFile(path);
        if (!data)
            return false; // without the old bytes the other lines could not be kept
        original = std::move(*data);
    }
    QByteArray updated = original;
    qsizetype written = 0;
    for (const auto &[key, value] : keysAndValues) {
        const QByteArray keyName = fileName(key);
        if (isWritableKeyName(keyName)) {
            updated = withEntry(updated, sectionName, keyName, fileValue(value));
            ++written;
        }
    }
    if (written == 0)
        return keysAndValues.isEmpty();

    // QSaveFile writes a temporary file beside the target and renames it over the target only
    // on commit; a failed write, a full disk or a crash leaves the old file as it was.
    // It does not notice every failed write on its own, though: a buffered write that fails
    // when flushed, or a short write to a full disk, would still be committed and replace the
    // file with a truncated one. Hence unbuffered, and the count checked before committing.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (out.write(updated) != updated.size() || !out.flush()) {
        out.cancelWriting();
        return false;
    }
    return out.commit() && written == keysAndValues.size();
}

} // namespace platform
