#include "FramePacer.h"

#include <algorithm>
#include <cmath>
#include <limits>

FramePacer::FramePacer(std::function<void()> frame, int periodMs)
    : m_frame(std::move(frame)),
      m_timer(platform::makeTimer(platform::TimerKind::SingleShot)),
      m_periodMs(std::max(1, periodMs)),
      m_lastFrameMs(std::numeric_limits<qint64>::min() / 2),
      m_spellStartMs(m_lastFrameMs)
{
    m_timer->timeout = [this] { runFrame(); };
}

void FramePacer::request()
{
    if (m_timer->isActive())
        return;
    const qint64 now = platform::timerNowMs();
    if (now - m_lastFrameMs > spellGapMs())
        m_spellStartMs = now; // frames had paused
    const int period = currentPeriodMs();
    const qint64 due = m_lastFrameMs + period - now;
    m_timer->start(int(std::clamp<qint64>(due, 0, period)));
}

int FramePacer::currentPeriodMs() const
{
    const qint64 now = platform::timerNowMs();
    if (!pending() && now - m_lastFrameMs > spellGapMs())
        return m_periodMs;
    const qint64 spell = now - m_spellStartMs;
    return spell >= kLongSpellAfterMs ? kLongestPeriodFactor * m_periodMs
         : spell >= kSustainedAfterMs ? 2 * m_periodMs
                                      : m_periodMs;
}

bool FramePacer::pending() const
{
    return m_timer->isActive();
}

void FramePacer::setPeriodMs(int periodMs)
{
    m_periodMs = std::max(1, periodMs);
}

int FramePacer::periodForRefreshRate(double refreshRate)
{
    if (!(refreshRate >= 1.0) || !std::isfinite(refreshRate))
        return kDefaultPeriodMs;
    return std::max(1, int(std::ceil(1000.0 / refreshRate)));
}

void FramePacer::runFrame()
{
    m_lastFrameMs = platform::timerNowMs();
    m_frame();
}
