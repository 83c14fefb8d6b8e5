#include "Cp1252.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace platform {

namespace {

// 0x80..0x9F, the only range where the code page differs from Latin-1. The five holes keep
// their C1 control character so that any byte read from a port or a file survives a trip
// through QString.
constexpr std::array<char16_t, 32> kHighRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80..0x87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 0x88..0x8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90..0x97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 0x98..0x9F
};

constexpr char kUnmappable = '?';

constexpr std::array<char16_t, 256> makeByteToChar()
{
    std::array<char16_t, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = (b >= 0x80 && b <= 0x9F) ? kHighRange[b - 0x80] : char16_t(b);
    return table;
}

constexpr std::array<char16_t, 256> kByteToChar = makeByteToChar();

// Characters below U+0100: the byte of the same value, except the C1 controls the code page
// uses for other characters (U+0080, U+0082, ...), which have no byte of their own.
constexpr std::array<char, 256> makeLowCharToByte()
{
    std::array<char, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[c] = kUnmappable;
    for (int b = 0; b < 256; ++b)
        if (kByteToChar[b] < 0x100)
            table[kByteToChar[b]] = char(b);
    return table;
}

constexpr std::array<char, 256> kLowCharToByte = makeLowCharToByte();

struct HighMapping {
    char16_t ch;
    char byte;
};

constexpr int countHighMappings()
{
    int n = 0;
    for (char16_t c : kHighRange)
        n += c >= 0x100 ? 1 : 0;
    return n;
}

// The characters above U+00FF, sorted for a binary search.
constexpr std::array<HighMapping, countHighMappings()> makeHighCharToByte()
{
    std::array<HighMapping, countHighMappings()> table{};
    std::size_t n = 0;
    for (int i = 0; i < int(kHighRange.size()); ++i)
        if (kHighRange[i] >= 0x100)
            table[n++] = {kHighRange[i], char(0x80 + i)};
    std::sort(table.begin(), table.end(),
              [](const HighMapping &a, const HighMapping &b) { return a.ch < b.ch; });
    return table;
}

constexpr auto kHighCharToByte = makeHighCharToByte();

char byteForChar(char16_t c)
{
    if (c < 0x100)
        return kLowCharToByte[c];
    const auto it = std::lower_bound(
        kHighCharToByte.begin(), kHighCharToByte.end(), c,
        [](const HighMapping &m, char16_t value) { return m.ch < value; });
    return (it != kHighCharToByte.end() && it->ch == c) ? it->byte : kUnmappable;
}

// Most serial text is ASCII, the same in every code page: it goes a word at a time.
bool eightAsciiBytes(const char *in)
{
    std::uint64_t block;
    std::memcpy(&block, in, sizeof block);
    return (block & 0x8080808080808080u) == 0;
}

bool fourAsciiChars(const char16_t *in)
{
    std::uint64_t block;
    std::memcpy(&block, in, sizeof block);
    return (block & 0xFF80FF80FF80FF80u) == 0;
}

// Copies the ASCII characters at the start of [in, end) to out, four at a time; returns where
// it stopped, with out moved on as far.
const char16_t *copyAsciiRun(const char16_t *in, const char16_t *end, char *&out)
{
    while (end - in >= 4 && fourAsciiChars(in)) {
        for (int i = 0; i < 4; ++i)
            out[i] = char(in[i]);
        in += 4;
        out += 4;
    }
    return in;
}

} // namespace

char16_t cp1252Char(unsigned char byte)
{
    return kByteToChar[byte];
}

int cp1252Byte(char16_t c)
{
    const char byte = byteForChar(c);
    // '?' is the stand-in for every character without a byte, and the byte of '?' itself.
    if (byte == kUnmappable && c != u'?')
        return -1;
    return static_cast<unsigned char>(byte);
}

QString decodeCp1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const char *in = bytes.data();
    const char *const end = in + bytes.size();
    while (in != end) {
        if (end - in >= 8 && eightAsciiBytes(in)) {
            for (int i = 0; i < 8; ++i)
                out[i] = char16_t(in[i]);
            in += 8;
            out += 8;
        } else {
            *out++ = kByteToChar[static_cast<unsigned char>(*in++)];
        }
    }
    return text;
}

QByteArray encodeCp1252(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    const char16_t *in = text.utf16();
    const char16_t *const end = in + text.size();
    while ((in = copyAsciiRun(in, end, out)) != end) {
        const char16_t c = *in++;
        if (c < 0x80) {
            *out++ = char(c);
        } else if (QChar::isSurrogate(c)) {
            // A character outside the BMP is one character, so it becomes one '?'.
            if (QChar::isHighSurrogate(c) && in != end && QChar::isLowSurrogate(*in))
                ++in;
            *out++ = kUnmappable;
        } else {
            *out++ = byteForChar(c);
        }
    }
    bytes.truncate(out - bytes.data());
    return bytes;
}

bool encodeCp1252Exactly(QStringView text, char *out)
{
    const char16_t *in = text.utf16();
    const char16_t *const end = in + text.size();
    while ((in = copyAsciiRun(in, end, out)) != end) {
        const int byte = cp1252Byte(*in++);
        if (byte < 0)
            return false;
        *out++ = char(byte);
    }
    return true;
}

} // namespace platform
