#include "CaptureFormat.h"

#include "Cp1252.h"
#include "Tokens.h"
#include "TrafficLine.h"

#include <array>

namespace {

constexpr std::array<const char *, 32> kControlNames{
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
    "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
    "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};

constexpr std::array<unsigned char, 5> kHoles{0x81, 0x8D, 0x8F, 0x90, 0x9D};

const QByteArray kLessThan = QByteArrayLiteral("<LT>");

// What each byte becomes, apart from the look-ahead for "<".
std::array<QByteArray, 256> makePieces()
{
    std::array<QByteArray, 256> pieces;
    for (int b = 0; b < 256; ++b) {
        if (b < 32 || b == 127) {
            // The token table's own token where it has one, so the capture and the display
            // never disagree on those nine.
            const QString token = CharsToTokens(QString(QChar(char16_t(b))));
            pieces[b] = token.size() > 1
                            ? token.toUtf8()
                            : QByteArray("<") + (b == 127 ? "DEL" : kControlNames[b]) + '>';
        } else if (b < 128) {
            pieces[b] = QByteArray(1, char(b));
        } else {
            pieces[b] = QString(QChar(platform::cp1252Char(static_cast<unsigned char>(b)))).toUtf8();
        }
    }
    for (const unsigned char hole : kHoles)
        pieces[hole] = "<x" + QByteArray::number(hole, 16).toUpper() + '>';
    return pieces;
}

const std::array<QByteArray, 256> &pieces()
{
    static const std::array<QByteArray, 256> table = makePieces();
    return table;
}

// Whether the raw bytes at `at` (a '<') would read as a token of the capture.
bool readsAsToken(QByteArrayView bytes, qsizetype at)
{
    const qsizetype close = bytes.indexOf('>', at + 1);
    if (close < 0 || close - at > 4 || close - at < 3)
        return false;
    const QByteArrayView candidate = bytes.sliced(at, close - at + 1);
    if (candidate == QByteArrayView(kLessThan))
        return true;
    for (int b = 0; b < 256; ++b) {
        const QByteArray &piece = pieces()[b];
        if (piece.size() > 1 && piece.startsWith('<') && candidate == QByteArrayView(piece))
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
    const std::array<QByteArray, 256> &table = pieces();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b == '<' && readsAsToken(bytes, i))
            out.append(kLessThan);
        else
            out.append(table[b]);
    }
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
