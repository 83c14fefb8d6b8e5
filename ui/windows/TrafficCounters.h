#pragma once
// The status bar's count of the bytes received and sent since the port last opened, taken
// from the bytes that actually went out or came in (so the display mode does not change it).
// The panel follows the counts at most every kCalmMs while lines stream in, and within kCalmMs
// of the last line: laying out and drawing the status bar per line would cost more than the
// list itself.
#include "Clock.h"
#include "Timer.h"

#include <QByteArray>
#include <QObject>
#include <limits>
#include <memory>

class TerminalSession;
class frmMain;

class TrafficCounters : public QObject {
    Q_OBJECT
public:
    static constexpr int kCalmMs = 250;

    TrafficCounters(frmMain &form, TerminalSession &session, QObject *parent);

    qint64 received() const { return m_received; }
    qint64 sent() const { return m_sent; }

private:
    void connectionChanged(bool open);
    void lineBytes(const QString &marker, const QByteArray &bytes);
    void show();

    frmMain &m_form;
    std::unique_ptr<platform::Timer> m_calm;
    qint64 m_received = 0;
    qint64 m_sent = 0;
    static constexpr qint64 kLongAgo = std::numeric_limits<qint64>::min() / 2;
    qint64 m_shownAtMs = kLongAgo;
};
