#pragma once
// Display settings beside the global settings record, kept in Settings.ini's [DISPLAY] section.
#include <QtGlobal>

inline quint8 g_bytHexDisplay = 0; // 0 = data as text, else as hex bytes ("41 42 0D 0A")
