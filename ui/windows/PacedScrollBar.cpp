#include "PacedScrollBar.h"

#include "Timer.h"

#include <QStyle>
#include <QStyleOptionSlider>

PacedScrollBar::PacedScrollBar(Qt::Orientation orientation, std::function<void()> requestFrame,
                               QWidget *parent)
    : QScrollBar(orientation, parent),
      m_requestFrame(std::move(requestFrame)),
      m_calmOver(platform::makeTimer(platform::TimerKind::SingleShot))
{
    m_calmOver->timeout = [this] { m_requestFrame(); };
}

void PacedScrollBar::sliderChange(SliderChange change)
{
    if (change == SliderOrientationChange) {
        QScrollBar::sliderChange(change);
        return;
    }
    m_changed = true;
    m_requestFrame();
}

void PacedScrollBar::paintIfChanged()
{
    if (!m_changed)
        return;
    const Look look = currentLook();
    if (look == m_painted) {
        m_changed = false;
        return;
    }
    const bool calm = !look.down && look.enabled == m_painted.enabled;
    const qint64 calmFor = kCalmRepaintMs - (platform::timerNowMs() - m_paintedAtMs);
    if (calm && calmFor > 0) {
        // Drawn at the first frame after the calm spell; frames until then would only look.
        if (!m_calmOver->isActive())
            m_calmOver->start(int(calmFor));
        return;
    }
    m_calmOver->stop();
    m_changed = false;
    update();
}

PacedScrollBar::Look PacedScrollBar::currentLook() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect slider = style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                 QStyle::SC_ScrollBarSlider, this);
    return {slider, isEnabled() && minimum() < maximum(), isSliderDown()};
}

void PacedScrollBar::paintEvent(QPaintEvent *event)
{
    m_painted = currentLook();
    m_paintedAtMs = platform::timerNowMs();
    QScrollBar::paintEvent(event);
}
