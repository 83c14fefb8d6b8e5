#pragma once
// The system clock in UTC, in the Windows system-time layout. Tests replace it.
#include <QtGlobal>

namespace platform {

struct SystemTime {
    // The date, then the time of day.
    quint16 wYear = 0, wMonth = 0, wDayOfWeek = 0, wDay = 0;
    quint16 wHour = 0, wMinute = 0, wSecond = 0, wMilliseconds = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual SystemTime nowUtc() const = 0;
};

class SystemClock final : public Clock {
public:
    SystemTime nowUtc() const override;
};

} // namespace platform

namespace platform {

// The process-wide clock: the system clock unless a test installed another.
const Clock &clock();
void setClock(const Clock *replacement); // nullptr restores the system clock

} // namespace platform
