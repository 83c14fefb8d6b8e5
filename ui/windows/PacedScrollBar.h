#pragma once
#include "Timer.h"

#include <QRect>
#include <QScrollBar>

#include <functional>
#include <memory>

// A scroll bar that draws a change of its range or value only at a frame, and only when the
// picture changes: once a list is long, its slider stays put while lines arrive, and the bar
// needs no drawing at all. While the user does not hold the slider, a changed picture is drawn
// at most every kCalmRepaintMs: a slider that shrinks as lines arrive is not worth more (a
// tall bar's drawing is among the dearest of the window: Qt spreads its tall fills over its
// thread pool, and waking those threads four times a second cost more than the list's rows).
class PacedScrollBar : public QScrollBar {
    Q_OBJECT
public:
    PacedScrollBar(Qt::Orientation orientation, std::function<void()> requestFrame,
                   QWidget *parent = nullptr);

    // Called at the frame: repaints when the slider or the bar's state changed since the last
    // picture.
    void paintIfChanged();

    static constexpr qint64 kCalmRepaintMs = 1000;

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct Look {
        QRect slider;
        bool enabled = false;
        bool down = false;
        friend bool operator==(const Look &, const Look &) = default;
    };
    Look currentLook() const;

    std::function<void()> m_requestFrame;
    std::unique_ptr<platform::Timer> m_calmOver;
    Look m_painted;
    qint64 m_paintedAtMs = 0;
    bool m_changed = false;
};
