#include "Timer.h"

#include <QElapsedTimer>
#include <QTimer>

namespace platform {

namespace {

class QtTimer final : public Timer {
public:
    explicit QtTimer(TimerKind kind)
    {
        m_timer.setSingleShot(kind == TimerKind::SingleShot);
        // A single-shot timer measures a pause, which a coarse timer may stretch by 5 %.
        if (kind == TimerKind::SingleShot)
            m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (timeout)
                timeout();
        });
    }
    void start(int intervalMs) override { m_timer.start(intervalMs); }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

TimerFactory &installedFactory()
{
    static TimerFactory factory;
    return factory;
}

TimerClock &installedClock()
{
    static TimerClock clock;
    return clock;
}

} // namespace

std::unique_ptr<Timer> makeTimer(TimerKind kind)
{
    if (const TimerFactory &factory = installedFactory())
        return factory(kind);
    return std::make_unique<QtTimer>(kind);
}

qint64 timerNowMs()
{
    if (const TimerClock &clock = installedClock())
        return clock();
    static const QElapsedTimer steady = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return steady.elapsed();
}

void setTimerFactory(TimerFactory factory, TimerClock clock)
{
    installedFactory() = std::move(factory);
    installedClock() = std::move(clock);
}

} // namespace platform
