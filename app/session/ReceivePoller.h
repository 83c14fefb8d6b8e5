#pragma once
// Receive polling as a timer-driven state machine on the UI thread: every tick looks at the
// count of waiting bytes; once bytes wait, the count is checked again every 20 ms until it
// stays the same across one pause (or 512 bytes or more are waiting, so that a continuous
// stream becomes a sequence of chunks and nothing piles up), then chunkComplete() asks the
// owner to read everything. Ticks that fall due while a chunk is gathered do nothing.
#include "SerialPort.h"
#include "Timer.h"

#include <QObject>
#include <memory>

class ReceivePoller : public QObject {
    Q_OBJECT
public:
    static constexpr int kQuietPauseMs = 20;
    static constexpr qint16 kChunkLimit = 512;

    explicit ReceivePoller(platform::SerialPort &port, QObject *parent = nullptr);

    void tick();
    // Starts gathering with the bytes waiting now, as a tick beatInMs from now would, for a
    // reader told of every byte until then (recount() after each). False, with nothing started,
    // when nothing waits or that tick would end the chunk at once.
    bool gatherAsOfBeat(int beatInMs);
    // More bytes came before that beat. False when the beat's tick must count for itself (the
    // chunk limit is reached or the port closed): the gathering is then given up.
    bool recount();
    bool gathering() const { return m_gathering; }
    // The last tick found nothing waiting and no chunk is being gathered.
    bool idle() const { return !m_gathering && m_count <= 0; }
    // The chunk just completed was ended by the chunk limit, not by a quiet pause.
    bool endedAtLimit() const { return !m_gathering && m_count >= kChunkLimit; }

signals:
    void chunkComplete();
    // The chunk was read (after chunkComplete) or came to nothing: the next tick may start
    // another.
    void gatheringEnded();
    // The device went away; what it delivered before is still waiting to be read.
    void deviceLost();

private:
    void onQuietPauseOver();
    void finish();

    platform::SerialPort &m_port;
    std::unique_ptr<platform::Timer> m_pause;
    qint16 m_count = 0;
    bool m_gathering = false;
};
