#include "CaptureFormat.h"

#include "Cp1252.h"
#include "Tokens.h"
#include "TrafficLine.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

constexpr std::array<const char *, 32> kControlNames{
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
    "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
    "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};

constexpr std::array<unsigned char, 5> kHoles{0x81, 0x8D, 0x8F, 0x90, 0x9D};

const QByteArray kLessThan = QByteArrayLiteral("<LT>");

// What each byte becomes, apart from the look-ahead for "<": at most six bytes of UTF-8.
struct Piece {
    std::array<char, 7> text{};
    qsizetype size = 0;
};

struct Pieces {
    std::array<Piece, 256> byByte;
    std::vector<QByteArray> tokens; // every piece that is a token, and "<LT>"
};

Piece pieceOf(const QByteArray &bytes)
{
    Piece p;
    p.size = std::min<qsizetype>(bytes.size(), qsizetype(p.text.size()));
    std::copy_n(bytes.constData(), p.size, p.text.begin());
    return p;
}

Pieces makePieces()
{
    Pieces pieces;
    for (int b = 0; b < 256; ++b) {
        QByteArray text;
        if (b < 32 || b == 127) {
            // The token table's own token where it has one, so the capture and the display
            // never disagree on those nine.
            const QString token = CharsToTokens(QString(QChar(char16_t(b))));
            text = token.size() > 1 ? token.toUtf8()
                                    : QByteArray("<") + (b == 127 ? "DEL" : kControlNames[b]) + '>';
        } else if (b < 128) {
            text = QByteArray(1, char(b));
        } else {
            text = QString(QChar(platform::cp1252Char(static_cast<unsigned char>(b)))).toUtf8();
        }
        pieces.byByte[b] = pieceOf(text);
    }
    for (const unsigned char hole : kHoles)
        pieces.byByte[hole] = pieceOf("<x" + QByteArray::number(hole, 16).toUpper() + '>');
    for (const Piece &p : pieces.byByte) {
        if (p.size > 1 && p.text[0] == '<')
            pieces.tokens.emplace_back(p.text.data(), p.size);
    }
    pieces.tokens.push_back(kLessThan);
    return pieces;
}

const Pieces &pieces()
{
    static const Pieces table = makePieces();
    return table;
}

// Whether the raw bytes at `at` (a '<') would read as a token of the capture.
bool readsAsToken(QByteArrayView bytes, qsizetype at)
{
    // Tokens are three to five characters long: "<", one to three more, ">".
    const qsizetype end = std::min(bytes.size(), at + 5);
    qsizetype close = at + 2;
    while (close < end && bytes[close] != '>')
        ++close;
    if (close >= end)
        return false;
    const QByteArrayView candidate = bytes.sliced(at, close - at + 1);
    for (const QByteArray &token : pieces().tokens) {
        if (candidate == QByteArrayView(token))
            return true;
    }
    return false;
}

void appendNumber(QByteArray &out, int value, int width)
{
    out.append(QByteArray::number(value).rightJustified(width, '0'));
}

void appendDate(QByteArray &out, const platform::SystemTime &t, const char *separator)
{
    appendNumber(out, t.wYear, 4);
    out.append(separator);
    appendNumber(out, t.wMonth, 2);
    out.append(separator);
    appendNumber(out, t.wDay, 2);
}

} // namespace

void appendCaptureData(QByteArray &out, QByteArrayView bytes)
{
    const std::array<Piece, 256> &table = pieces().byByte;
    // Room for the longest pieces up front; the unused end is cut once.
    const qsizetype start = out.size();
    out.resize(start + bytes.size() * 6);
    char *to = out.data() + start;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b == '<' && readsAsToken(bytes, i)) {
            to = std::copy_n(kLessThan.constData(), kLessThan.size(), to);
        } else {
            const Piece &p = table[b];
            to = std::copy_n(p.text.data(), p.size, to);
        }
    }
    out.resize(to - out.constData());
}

QByteArray captureTrafficLine(const platform::SystemTime &stamp, const QString &marker,
                              QByteArrayView bytes)
{
    QByteArray line = formatTrafficLine(stamp, marker, QString()).toUtf8();
    line.reserve(line.size() + bytes.size() + bytes.size() / 4 + 1);
    appendCaptureData(line, bytes);
    line.append('\n');
    return line;
}

QByteArray captureHeaderLine(const CaptureHeader &header, const platform::SystemTime &started)
{
    QByteArray line = "# " + header.program.toUtf8() + ", COM" + QByteArray::number(header.portNumber);
    if (!header.portOpen)
        line.append(" (closed)");
    line.append(", " + header.rate.toUtf8() + " baud, started ");
    appendDate(line, started, "-");
    line.append(' ');
    appendNumber(line, started.wHour, 2);
    line.append(':');
    appendNumber(line, started.wMinute, 2);
    line.append(':');
    appendNumber(line, started.wSecond, 2);
    line.append(" UTC\n");
    return line;
}

QByteArray captureDateLine(const platform::SystemTime &stamp)
{
    QByteArray line = "# ";
    appendDate(line, stamp, "-");
    line.append('\n');
    return line;
}

QString captureFileName(const platform::SystemTime &started)
{
    QByteArray name = "Tellurix-";
    appendDate(name, started, "");
    name.append('-');
    appendNumber(name, started.wHour, 2);
    appendNumber(name, started.wMinute, 2);
    appendNumber(name, started.wSecond, 2);
    name.append(".log");
    return QString::fromLatin1(name);
}

bool isOtherDate(const platform::SystemTime &a, const platform::SystemTime &b)
{
    return a.wYear != b.wYear || a.wMonth != b.wMonth || a.wDay != b.wDay;
}
