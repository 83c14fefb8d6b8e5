#pragma once
// The connection's settings beyond the four bytes of the record: reconnecting after the device
// went away, and a rate above the eleven of the rate table. Plain data, like the record.
#include "BaudRates.h"
#include "modGlobal.h"

#include <QString>
#include <QtGlobal>
#include <array>

// Whether a port whose device went away is opened again as soon as the device is back.
inline bool g_blnReconnect = true;
// A rate outside the table (a faster one or one the user typed); 0 means none. When set it
// wins over g_bytBaudrate, which keeps its meaning for older copies of the program.
inline qint32 g_lngBaudrateCustom = 0;
// DTR and RTS once the port is open: 0 on (the usual), 1 off (for boards that reset on DTR).
inline quint8 g_bytLinesAfterOpen = 0;

// Offered in the settings dialog after the eleven rates of the table.
inline constexpr std::array<qint32, 6> kFastBaudRates{230400, 460800, 921600, 1000000, 2000000, 3000000};

// The highest rate a user may type; Linux takes any rate up to this on the adapters that
// support custom rates at all.
inline constexpr qint32 kHighestTypedRate = 12000000;

// A rate a user may type or a file may hold.
inline constexpr bool isUsableRate(qint64 rate)
{
    return rate >= 1 && rate <= kHighestTypedRate;
}

// The rate the port opens at: the custom rate when set, else the table's rate text.
inline QString effectiveBaudRateText()
{
    return isUsableRate(g_lngBaudrateCustom) ? QString::number(g_lngBaudrateCustom)
                                             : baudRateText(g_bytBaudrate);
}

// As a freshly started program has them.
inline void resetConnectionSettings()
{
    g_blnReconnect = true;
    g_lngBaudrateCustom = 0;
    g_bytLinesAfterOpen = 0;
}
