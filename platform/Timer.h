#pragma once
// Timers of the UI thread's event loop behind a small interface, so that tests can drive the
// receive poll's ticks and pauses on a clock of their own instead of waiting for real time.
#include <QtGlobal>
#include <functional>
#include <memory>

namespace platform {

class Timer {
public:
    virtual ~Timer() = default;
    // (Re)starts the timer: timeout runs after intervalMs, and again every intervalMs unless
    // the timer is single-shot. A single-shot timer started with 0 runs on the next pass of the
    // event loop, ahead of the repaints already asked for, so what it changes is drawn in them.
    virtual void start(int intervalMs) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

    std::function<void()> timeout;
};

enum class TimerKind {
    Repeating,
    SingleShot,
};

// A timer from the process-wide factory: Qt's timers unless a test installed others.
std::unique_ptr<Timer> makeTimer(TimerKind kind);

// Milliseconds on the timers' own steady clock, from an arbitrary start.
qint64 timerNowMs();

using TimerFactory = std::function<std::unique_ptr<Timer>(TimerKind)>;
using TimerClock = std::function<qint64()>;
// Empty arguments restore Qt's timers and the steady clock.
void setTimerFactory(TimerFactory factory, TimerClock clock = {});

} // namespace platform
