#pragma once
#include "Timer.h"

#include <functional>
#include <memory>

// Runs a frame callback at most once per frame period, however often it is requested. The
// first request after a quiet spell runs on the next pass of the event loop, so a single change
// shows at once; a stream of changes shows at the frame rate. Changes that keep coming, each
// within spellGapMs() of the last frame, show at half that rate after kSustainedAfterMs and at a
// quarter after kLongSpellAfterMs, until they pause: a flood is still seen as it goes, for a
// fraction of the drawing. A change that comes later than that, such as a device's answers a
// tenth of a second apart, shows at once: a lowered rate would only move its frame away from
// the moment it came, to a wake-up of its own.
class FramePacer {
public:
    static constexpr int kDefaultPeriodMs = 16; // 60 frames a second
    static constexpr int kSustainedAfterMs = 1000;
    static constexpr int kLongSpellAfterMs = 3000;
    static constexpr int kLongestPeriodFactor = 4;

    explicit FramePacer(std::function<void()> frame, int periodMs = kDefaultPeriodMs);

    void request();
    bool pending() const;
    void setPeriodMs(int periodMs);
    int periodMs() const { return m_periodMs; }
    // The period the next frame keeps to: periodMs(), or two or four times that in a long spell
    // of frames.
    int currentPeriodMs() const;

    // The frame period of a display refreshing refreshRate times a second: rounded up, so
    // frames never come faster than the display, and at least 1 ms.
    static int periodForRefreshRate(double refreshRate);
    // A change requested within this time of the last frame continues a spell: two periods.
    qint64 spellGapMs() const { return 2 * qint64(m_periodMs); }

private:
    void runFrame();

    std::function<void()> m_frame;
    std::unique_ptr<platform::Timer> m_timer;
    int m_periodMs;
    qint64 m_lastFrameMs;
    qint64 m_spellStartMs; // when frames began to follow each other without a pause
};
