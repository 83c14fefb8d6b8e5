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
        const qint64 dayMs = (14 * 3600 + 3 * 60 + 27) * 1000 + ms;
        m_clock.set(int(dayMs / 3600000 % 24), int(dayMs / 60000 % 60), int(dayMs / 1000 % 60),
                    int(dayMs % 1000));
    }

    FakeClock &m_clock;
    std::vector<Fake *> m_timers;
    qint64 m_now = 0;
};
