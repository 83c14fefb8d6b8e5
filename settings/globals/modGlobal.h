#pragma once
// The global settings record: the only program-wide data. Every variable starts at zero.
#include <QString>
#include <QtGlobal>

inline quint8 g_bytComPort = 0;   // port index: COM(g_bytComPort + 1) is opened
inline quint8 g_bytBaudrate = 0;  // position in the baud-rate table, 0..10
inline quint8 g_bytPeculiar = 0;  // 0 = show traffic raw, else control characters as tokens
inline quint8 g_bytLanguage = 0;  // 0 = German, else English
inline QString g_strErrDescription; // the error being reported
inline qint32 g_lngErrNumber = 0;
