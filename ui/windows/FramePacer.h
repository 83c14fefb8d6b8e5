#pragma once
#include "Timer.h"

#include <functional>
#include <memory>

// Runs a frame callback at most once per frame period, however often it is requested. The
// first request after a quiet spell runs on the next pass of the event loop, so a single change
// shows at once; a stream of changes shows at the frame rate. Changes that keep coming without
// a pause (spellGapMs()) show at half that rate after kSustainedAfterMs and at a quarter after
// kLongSpellAfterMs, until they pause: a flood is still seen as it goes, for a fraction of the
// drawing, and a change that comes slower than the lowered rate still shows at once.
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
    // Frames that follow each other closer than this are one spell: twice the longest period.
    qint64 spellGapMs() const { return 2 * kLongestPeriodFactor * qint64(m_periodMs); }

private:
    void runFrame();

    std::function<void()> m_frame;
    std::unique_ptr<platform::Timer> m_timer;
    int m_periodMs;
    qint64 m_lastFrameMs;
    qint64 m_spellStartMs; // when frames began to follow each other without a pause
};
