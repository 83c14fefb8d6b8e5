#include "CaptureLine.h"

#include "Cp1252.h"
#include "TrafficLine.h"

#include <algorithm>
#include <array>

namespace {

// Every code below 32 has its ASCII abbreviation; the nine of the token table are among them
// and read the same, so the send tokens of a copied line are the tokens the user types.
constexpr std::array<QStringView, 32> kControlNames{
    u"NUL", u"SOH", u"STX", u"ETX", u"EOT", u"ENQ", u"ACK", u"BEL", u"BS",  u"HT",  u"LF",
    u"VT",  u"FF",  u"CR",  u"SO",  u"SI",  u"DLE", u"DC1", u"DC2", u"DC3", u"DC4", u"NAK",
    u"SYN", u"ETB", u"CAN", u"EM",  u"SUB", u"ESC", u"FS",  u"GS",  u"RS",  u"US"};

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

// The byte a character of raw data stands for; a character the code page cannot hold went out
// as '?'.
int byteOf(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80)
        return u;
    const int byte = platform::cp1252Byte(u);
    return byte < 0 ? '?' : byte;
}

void appendToken(QString &out, QStringView name)
{
    out.append(u'<');
    out.append(name);
    out.append(u'>');
}

// Whether the name between "<" and ">" is one this form writes.
bool isTokenName(QStringView name)
{
    if (name == u"DEL" || name == u"LT")
        return true;
    if (std::find(kControlNames.begin(), kControlNames.end(), name) != kControlNames.end())
        return true;
    for (const QStringView hole : {u"x81", u"x8D", u"x8F", u"x90", u"x9D"}) {
        if (name == hole)
            return true;
    }
    return false;
}

// Whether the data at `at` (a "<") would read back as a token: then it is written "<LT>".
bool readsAsToken(QStringView raw, qsizetype at)
{
    // Names are two or three characters long.
    for (qsizetype close = at + 3; close <= at + 4 && close < raw.size(); ++close) {
        if (raw[close] == u'>')
            return isTokenName(raw.sliced(at + 1, close - at - 1));
    }
    return false;
}

} // namespace

void appendTokenizedData(QString &out, QStringView raw)
{
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char16_t u = raw[i].unicode();
        // Plain characters pass in runs; only control codes and the code page's holes (which
        // decode to the C1 control of the same value) need a token.
        if (u >= 0x20 && u != 0x7F && (u < 0x80 || u > 0x9F) && u != u'<')
            continue;
        if (u == u'<' && !readsAsToken(raw, i))
            continue;
        out.append(raw.sliced(runStart, i - runStart));
        runStart = i + 1;
        if (u == u'<') {
            appendToken(out, u"LT");
        } else if (u < 0x20) {
            appendToken(out, kControlNames[u]);
        } else if (u == 0x7F) {
            appendToken(out, u"DEL");
        } else {
            const char16_t hex[] = {u'<', u'x', kHexDigits[u >> 4], kHexDigits[u & 0xF], u'>'};
            out.append(QStringView(hex, 5));
        }
    }
    out.append(raw.sliced(runStart));
}

QString tokenizedData(QStringView raw)
{
    QString out;
    out.reserve(raw.size() + 8);
    appendTokenizedData(out, raw);
    return out;
}

QString tokenizedData(QByteArrayView rawBytes)
{
    return tokenizedData(platform::decodeCp1252(rawBytes));
}

void appendCaptureLineText(QString &out, QStringView listLine, QStringView raw)
{
    out.append(listLine.first(std::min(listLine.size(), kTrafficDataColumn)));
    appendTokenizedData(out, raw);
}

QString captureLineText(QStringView listLine, QStringView raw)
{
    QString out;
    out.reserve(kTrafficDataColumn + raw.size() + 8);
    appendCaptureLineText(out, listLine, raw);
    return out;
}

QString captureLineText(const platform::SystemTime &stamp, const QString &marker, QStringView raw)
{
    return formatTrafficLine(stamp, marker, tokenizedData(raw));
}

QString hexData(QStringView raw)
{
    if (raw.isEmpty())
        return QString();
    QString out(raw.size() * 3 - 1, Qt::Uninitialized);
    QChar *p = out.data();
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const int byte = byteOf(raw[i]);
        if (i > 0)
            *p++ = u' ';
        *p++ = QChar(kHexDigits[byte >> 4]);
        *p++ = QChar(kHexDigits[byte & 0xF]);
    }
    return out;
}
