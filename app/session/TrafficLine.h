#pragma once
// A traffic line: the UTC time stamp as "HH:MM:SS.mmm", a nine-character direction marker and
// the data, so that the data of every line starts at position 22.
#include "Clock.h"

#include <QString>

inline const QString kMarkerOut = QStringLiteral("  [OUT]  ");
inline const QString kMarkerIn = QStringLiteral("  [IN]   ");
// A note of the program's own between the traffic, such as a lost and restored connection.
inline const QString kMarkerNote = QStringLiteral("  [---]  ");

// The stamp's hour, minute, second and milliseconds (patterns "00" and "000"), then the marker
// and the data.
QString formatTrafficLine(const platform::SystemTime &stamp, const QString &marker,
                          const QString &data);
