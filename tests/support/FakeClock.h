#pragma once
#include "Clock.h"

// A clock that stands still until the test moves it; installs itself while alive.
class FakeClock final : public platform::Clock {
public:
    FakeClock() { platform::setClock(this); }
    ~FakeClock() override { platform::setClock(nullptr); }
    FakeClock(const FakeClock &) = delete;
    FakeClock &operator=(const FakeClock &) = delete;

    platform::SystemTime nowUtc() const override { return now; }
    void set(int h, int m, int s, int ms)
    {
        now.wHour = quint16(h);
        now.wMinute = quint16(m);
        now.wSecond = quint16(s);
        now.wMilliseconds = quint16(ms);
    }

    platform::SystemTime now{2026, 12, 1, 7, 14, 3, 27, 45};
};
