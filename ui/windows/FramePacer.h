#pragma once
#include "Timer.h"

#include <functional>
#include <memory>

// Runs a frame callback at most once per frame period, however often it is requested. The
// first request after a quiet spell runs on the next pass of the event loop, so a single change
// shows at once; a stream of changes shows at the frame rate.
class FramePacer {
public:
    static constexpr int kDefaultPeriodMs = 16; // 60 frames a second

    explicit FramePacer(std::function<void()> frame, int periodMs = kDefaultPeriodMs);

    void request();
    bool pending() const;
    void setPeriodMs(int periodMs);
    int periodMs() const { return m_periodMs; }

    // The frame period of a display refreshing refreshRate times a second: rounded up, so
    // frames never come faster than the display, and at least 1 ms.
    static int periodForRefreshRate(double refreshRate);

private:
    void runFrame();

    std::function<void()> m_frame;
    std::unique_ptr<platform::Timer> m_timer;
    int m_periodMs;
    qint64 m_lastFrameMs;
};
