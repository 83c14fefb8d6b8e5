#pragma once
// Reads a text capture back into the bytes it stands for: the test side's own reading of the
// format, written from its description and not from the writer's code.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace capturetest {

inline const QHash<QString, char> &tokenBytes()
{
    static const QHash<QString, char> table = [] {
        const QStringList names = QStringLiteral(
            "NUL SOH STX ETX EOT ENQ ACK BEL BS HT LF VT FF CR SO SI DLE DC1 DC2 DC3 DC4 NAK SYN "
            "ETB CAN EM SUB ESC FS GS RS US").split(QLatin1Char(' '));
        QHash<QString, char> t;
        for (int i = 0; i < names.size(); ++i)
            t.insert(QLatin1Char('<') + names.at(i) + QLatin1Char('>'), char(i));
        t.insert(QStringLiteral("<DEL>"), char(127));
        for (const int hole : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
            t.insert(QStringLiteral("<x") + QString::number(hole, 16).toUpper() + QLatin1Char('>'), char(hole));
        t.insert(QStringLiteral("<LT>"), '<');
        return t;
    }();
    return table;
}

// The byte of a Windows-1252 character; nothing for a character outside the code page.
inline std::optional<char> cp1252ByteOf(QChar c)
{
    static const QHash<char16_t, char> high = [] {
        const char16_t chars[32] = {0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
                                    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};
        QHash<char16_t, char> h;
        for (int i = 0; i < 32; ++i)
            if (chars[i] != 0)
                h.insert(chars[i], char(0x80 + i));
        return h;
    }();
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return char(u);
    if (high.contains(u))
        return high.value(u);
    return std::nullopt;
}

// The bytes of one line's data; nothing when the data holds what the format never writes (a
// control character, a character outside the code page).
inline std::optional<QByteArray> decodeData(const QString &data)
{
    QByteArray out;
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (data.at(i) == QLatin1Char('<')) {
            const qsizetype close = data.indexOf(QLatin1Char('>'), i);
            if (close > i) {
                const QString token = data.mid(i, close - i + 1);
                if (tokenBytes().contains(token)) {
                    out.append(tokenBytes().value(token));
                    i = close;
                    continue;
                }
            }
        }
        const QChar c = data.at(i);
        if (c.unicode() < 32 || c.unicode() == 127)
            return std::nullopt;
        const std::optional<char> b = cp1252ByteOf(c);
        if (!b)
            return std::nullopt;
        out.append(*b);
    }
    return out;
}

struct CaptureLine {
    QString stamp;  // "HH:MM:SS.mmm"
    QString marker; // "  [OUT]  " or "  [IN]   "
    QByteArray bytes;
};

struct ParsedCapture {
    QStringList comments;
    QList<CaptureLine> lines;
    QByteArray partialTail; // a last line without its line feed
    bool valid = true;      // every complete line is a comment or a well-formed traffic line
};

inline ParsedCapture parseCapture(const QByteArray &file)
{
    ParsedCapture parsed;
    QByteArray rest = file;
    const qsizetype lastFeed = rest.lastIndexOf('\n');
    parsed.partialTail = rest.mid(lastFeed + 1);
    rest.truncate(lastFeed + 1);
    if (rest.startsWith("\xEF\xBB\xBF") || rest.contains('\r'))
        parsed.valid = false;
    for (const QByteArray &raw : rest.split('\n')) {
        if (raw.isEmpty())
            continue;
        const QString line = QString::fromUtf8(raw);
        if (line.toUtf8() != raw) {
            parsed.valid = false;
            continue;
        }
        if (line.startsWith(QStringLiteral("# "))) {
            parsed.comments.append(line);
            continue;
        }
        const QString marker = line.mid(12, 9);
        const std::optional<QByteArray> bytes = decodeData(line.mid(21));
        if (line.size() < 21 || line.at(2) != QLatin1Char(':') || line.at(8) != QLatin1Char('.')
            || (marker != QStringLiteral("  [OUT]  ") && marker != QStringLiteral("  [IN]   ")) || !bytes) {
            parsed.valid = false;
            continue;
        }
        parsed.lines.append({line.left(12), marker, *bytes});
    }
    return parsed;
}

// Everything the received lines hold, in order.
inline QByteArray receivedBytes(const ParsedCapture &parsed)
{
    QByteArray all;
    for (const CaptureLine &l : parsed.lines)
        if (l.marker == QStringLiteral("  [IN]   "))
            all.append(l.bytes);
    return all;
}

} // namespace capturetest
