#include "ReceivePoller.h"

ReceivePoller::ReceivePoller(platform::SerialPort &port, QObject *parent)
    : QObject(parent), m_port(port), m_pause(platform::makeTimer(platform::TimerKind::SingleShot))
{
    m_pause->timeout = [this] { onQuietPauseOver(); };
}

void ReceivePoller::tick()
{
    if (m_port.takeDeviceLost()) {
        m_gathering = false;
        m_count = 0;
        m_pause->stop();
        emit deviceLost();
        return;
    }
    if (m_gathering)
        return;
    m_count = m_port.inBufferCount();
    if (m_count <= 0)
        return;
    m_gathering = true;
    if (m_count >= kChunkLimit)
        finish();
    else
        m_pause->start(kQuietPauseMs);
}

bool ReceivePoller::gatherAsOfBeat(int beatInMs)
{
    if (m_gathering)
        return false;
    m_count = m_port.inBufferCount();
    if (m_count <= 0 || m_count >= kChunkLimit)
        return false;
    m_gathering = true;
    m_pause->start(beatInMs + kQuietPauseMs);
    return true;
}

bool ReceivePoller::recount()
{
    m_count = m_port.inBufferCount();
    if (m_count > 0 && m_count < kChunkLimit)
        return true;
    m_pause->stop();
    m_gathering = false;
    return false;
}

void ReceivePoller::onQuietPauseOver()
{
    const qint16 now = m_port.inBufferCount();
    if (now <= 0) {
        // The port went away or was reopened while the chunk was gathered: nothing to log.
        m_gathering = false;
        emit gatheringEnded();
        return;
    }
    if (now != m_count) {
        m_count = m_port.inBufferCount();
        if (m_count < kChunkLimit) {
            m_pause->start(kQuietPauseMs);
            return;
        }
    }
    finish();
}

void ReceivePoller::finish()
{
    m_gathering = false;
    emit chunkComplete();
    emit gatheringEnded();
}
