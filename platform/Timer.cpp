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
    void start(int intervalMs) override
    {
        stop();
        if (intervalMs > 0 || !m_timer.isSingleShot()) {
            m_timer.start(intervalMs);
            return;
        }
        // Posted rather than a zero timer, so that it runs ahead of the repaint that the
        // same pass of the event loop has already asked for: what it changes on screen is
        // then drawn in that one repaint, not in a second one.
        m_posted = true;
        QMetaObject::invokeMethod(&m_timer, [this, generation = m_generation] {
            if (generation != m_generation)
                return;
            m_posted = false;
            if (timeout)
                timeout();
        }, Qt::QueuedConnection);
    }
    void stop() override
    {
        m_timer.stop();
        ++m_generation; // outdates a run already posted
        m_posted = false;
    }
    bool isActive() const override { return m_timer.isActive() || m_posted; }

private:
    QTimer m_timer;
    quint64 m_generation = 0;
    bool m_posted = false;
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
