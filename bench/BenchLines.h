#pragma once
// Traffic lines for the list benchmarks: one measurement answer per line, stamps 7 ms apart.
#include "Clock.h"

#include <QString>

namespace bench {

// The stamp of the i-th line.
inline platform::SystemTime stampFor(int i)
{
    platform::SystemTime t{2026, 1, 3, 7, 0, 0, 0, 0};
    const int ms = i * 7;
    t.wHour = quint16(ms / 3'600'000 % 24);
    t.wMinute = quint16(ms / 60'000 % 60);
    t.wSecond = quint16(ms / 1000 % 60);
    t.wMilliseconds = quint16(ms % 1000);
    return t;
}

// The i-th answer, "MEAS 000042 V\r\n", padded or cut to `chars` characters.
inline QString measurementFor(int i, int chars)
{
    return QStringLiteral("MEAS %1 V\r\n")
        .arg(i % 100000, 6, 10, QLatin1Char('0'))
        .leftJustified(chars, QLatin1Char('.'), true);
}

} // namespace bench
