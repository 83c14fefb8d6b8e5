#pragma once
#include "Timer.h"

#include <functional>
#include <memory>

// Runs a frame callback at most once per frame period, however often it is requested. The
// first request after a quiet spell runs on the next pass of the event loop, so a single change
// shows at once; a stream of changes shows at the frame rate. Changes that keep frames coming
// without a break for kSustainedAfterMs show at half that rate from then on, until frames stop
// for a moment: a flood is still seen as it goes, for half the drawing.
class FramePacer {
public:
    static constexpr int kDefaultPeriodMs = 16; // 60 frames a second
    static constexpr int kSustainedAfterMs = 1000;

    explicit FramePacer(std::function<void()> frame, int periodMs = kDefaultPeriodMs);

    void request();
    bool pending() const;
    void setPeriodMs(int periodMs);
    int periodMs() const { return m_periodMs; }
    // The period the next frame keeps to: periodMs(), or twice that in a long spell of frames.
    int currentPeriodMs() const;

    // The frame period of a display refreshing refreshRate times a second: rounded up, so
    // frames never come faster than the display, and at least 1 ms.
    static int periodForRefreshRate(double refreshRate);

private:
    void runFrame();

    std::function<void()> m_frame;
    std::unique_ptr<platform::Timer> m_timer;
    int m_periodMs;
    qint64 m_lastFrameMs;
    qint64 m_spellStartMs; // when frames began to follow each other without a break
};
