#pragma once
// Counts the events of one type that an object receives, without handling them: paints of a
// widget, repaints (update requests) of a window.
#include <QEvent>
#include <QObject>

class EventCounter final : public QObject {
public:
    EventCounter(QObject *watched, QEvent::Type type) : m_type(type) { watched->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == m_type)
            ++count;
        return false;
    }

private:
    QEvent::Type m_type;
};
