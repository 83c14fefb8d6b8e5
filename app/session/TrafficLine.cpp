#include "TrafficLine.h"

#include <array>

namespace {

void appendPadded(QString &out, unsigned value, int width)
{
    std::array<char16_t, 12> reversed{};
    int n = 0;
    do {
        reversed[n++] = char16_t(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n < width)
        reversed[n++] = u'0';
    while (n > 0)
        out.append(QChar(reversed[--n]));
}

} // namespace

QString formatTrafficLine(const platform::SystemTime &stamp, const QString &marker,
                          const QString &data)
{
    QString line;
    line.reserve(12 + marker.size() + data.size());
    appendPadded(line, stamp.wHour, 2);
    line.append(u':');
    appendPadded(line, stamp.wMinute, 2);
    line.append(u':');
    appendPadded(line, stamp.wSecond, 2);
    line.append(u'.');
    appendPadded(line, stamp.wMilliseconds, 3);
    line.append(marker);
    line.append(data);
    return line;
}
