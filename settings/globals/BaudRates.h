#pragma once
// The eleven rates a stored rate position (g_bytBaudrate) stands for.
#include <QString>

#include <array>

inline constexpr std::array<const char *, 11> kBaudRates{
    "300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "56000", "57600", "115200"};

// The position whose rate any position outside the table stands for: 9600.
inline constexpr quint8 kFallbackRatePosition = 5;

// The rate text of a position; any other position means 9600.
inline QString baudRateText(quint8 position)
{
    return QString::fromLatin1(kBaudRates[position < kBaudRates.size() ? position : kFallbackRatePosition]);
}
