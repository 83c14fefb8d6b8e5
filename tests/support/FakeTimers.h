#pragma once
// Timers on a clock of the test's own: nothing fires until the test advances time, and then
// every due timer fires in the order of its due time, with the fake clock showing that
// moment. Installs itself as the timer factory while alive.
#include "FakeClock.h"
#include "Timer.h"

#include <QtGlobal>
#include <algorithm>
#include <memory>
#include <vector>

class FakeTimers {
public:
    explicit FakeTimers(FakeClock &clock) : m_clock(clock)
    {
        setNow(0);
        platform::setTimerFactory([this](platform::TimerKind kind) {
            auto timer = std::make_unique<Fake>(*this, kind);
            m_timers.push_back(timer.get());
            return timer;
        }, [this] { return m_now; });
    }
    ~FakeTimers() { platform::setTimerFactory({}, {}); }
    FakeTimers(const FakeTimers &) = delete;
    FakeTimers &operator=(const FakeTimers &) = delete;

    qint64 nowMs() const { return m_now; }
    // How many timeouts fired so far: each one a wake-up of the event loop.
    int firedCount() const { return m_fired; }

    // From now on the clock shows this time of day at the present moment, and follows on.
    void setClockTo(int h, int m, int s, int ms)
    {
        m_dayStartMs = ((h * 60 + m) * 60 + s) * 1000LL + ms - m_now;
        setNow(m_now);
    }

    // Moves time forward by ms, firing every timer that falls due on the way.
    void advance(qint64 ms)
    {
        const qint64 end = m_now + ms;
        while (Fake *next = earliestDueBy(end)) {
            setNow(next->due);
            if (next->kind == platform::TimerKind::SingleShot)
                next->active = false;
            else
                next->due += next->interval;
            ++m_fired;
            if (next->timeout)
                next->timeout();
        }
        setNow(end);
    }

private:
    struct Fake final : platform::Timer {
        Fake(FakeTimers &owner, platform::TimerKind kind) : owner(owner), kind(kind) {}
        ~Fake() override { std::erase(owner.m_timers, this); }
        void start(int intervalMs) override
        {
            interval = std::max(1, intervalMs);
            due = owner.m_now + interval;
            active = true;
        }
        void stop() override { active = false; }
        bool isActive() const override { return active; }

        FakeTimers &owner;
        platform::TimerKind kind;
        qint64 interval = 1;
        qint64 due = 0;
        bool active = false;
    };

    Fake *earliestDueBy(qint64 end) const
    {
        Fake *best = nullptr;
        for (Fake *t : m_timers) {
            if (t->active && t->due <= end && (!best || t->due < best->due))
                best = t;
        }
        return best;
    }

    void setNow(qint64 ms)
    {
        m_now = ms;
        // The clock starts at 14:03:27.000 of its day and follows the timers' time.
        const qint64 dayMs = ((m_dayStartMs + ms) % kDayMs + kDayMs) % kDayMs;
        m_clock.set(int(dayMs / 3600000 % 24), int(dayMs / 60000 % 60), int(dayMs / 1000 % 60),
                    int(dayMs % 1000));
    }

    static constexpr qint64 kDayMs = 24 * 3600 * 1000LL;
    FakeClock &m_clock;
    std::vector<Fake *> m_timers;
    qint64 m_now = 0;
    int m_fired = 0;
    qint64 m_dayStartMs = (14 * 3600 + 3 * 60 + 27) * 1000LL;
};
