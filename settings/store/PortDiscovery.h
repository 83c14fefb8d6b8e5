#pragma once
// Port discovery: which serial ports the system reports, read from the serial port
// enumerator's registry entries (on Linux, the port inventory presented as such).
//
// The port list is a text of fields joined by kPortListSeparator (code 3): field 1 the count
// exactly as the enumerator's "Count" read, then per listed device its port number ("COM3"
// gives "3", no name gives "0") and its friendly name (possibly empty). An enumerator entry
// that is empty adds no pair, so the count may promise more pairs than follow. The list "0"
// means no ports.
#include "Failure.h"
#include "Registry.h"

#include <QChar>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <stdexcept>

inline constexpr QChar kPortListSeparator = QChar(3);

// The platform's version record; only major, minor and platform identifier are looked at.
struct OsVersionInfo {
    qint32 dwOSVersionInfoSize = 0;
    qint32 dwMajorVersion = 0;
    qint32 dwMinorVersion = 0;
    qint32 dwBuildNumber = 0;
    qint32 dwPlatformId = 0;
};

constexpr qint32 kVersionInfoSize = 148;
constexpr qint32 kPlatformNt = 2;

// Fills the record; throws platform::Failure when the platform cannot answer.
using VersionQuery = std::function<void(OsVersionInfo &)>;
// An empty query restores the platform's own.
void setVersionQuery(VersionQuery query);

// True on an NT-family system of version 5 or later; Linux answers as one. A failing version
// query is reported as a failed action ("Function <fkt_ToolsIsMinWin2000>") and gives false.
bool fkt_ToolsIsMinWin2000();

// Text values up to their first zero byte, 32-bit numbers as signed decimal text; a missing
// key or value, or a value of any other type, gives defaultValue. Never fails.
QString fkt_RegistryReadString(const platform::Registry &registry, platform::RegistryRoot root,
                               const QString &keyPath, const QString &valueName,
                               const QString &defaultValue = QString());

// The port list from the registry's enumerator entries. A "Count" that is not a whole
// number from 1 to 32767 gives "0".
QString fkt_ToolsGetSerialPorts(const platform::Registry &registry);

// The enumerator's count as a 16-bit number; nothing for a text that is no whole number in
// range.
std::optional<qint16> portCountFromText(const QString &text);
