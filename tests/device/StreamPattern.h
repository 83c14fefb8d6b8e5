#pragma once
// The byte stream of the simulator's stream mode, and its checker on the receiving side.
//
// The stream is a sequence of 16-byte blocks: a 4-byte big-endian block number, then 12 bytes
// derived from that number and their position. Every byte value occurs. A lost, repeated or
// reordered byte puts what follows out of step with the pattern, and a loss at the very end
// shows in the count, so a checker that compares every byte and the total catches all three.
#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

namespace streampattern {

constexpr qint64 kBlockSize = 16;
constexpr int kStampSize = 4;

constexpr quint8 byteAt(qint64 offset)
{
    const quint64 block = quint64(offset) / kBlockSize;
    const int position = int(quint64(offset) % kBlockSize);
    if (position < kStampSize)
        return quint8(block >> (8 * (kStampSize - 1 - position)));
    quint32 mixed = quint32(block) * 0x9E3779B1u + quint32(position) * 0x85EBCA77u;
    mixed ^= mixed >> 15;
    mixed *= 0x2C1B3C6Du;
    mixed ^= mixed >> 12;
    return quint8(mixed);
}

inline QByteArray bytes(qint64 offset, qsizetype count)
{
    QByteArray out(count, Qt::Uninitialized);
    for (qsizetype i = 0; i < count; ++i)
        out[i] = char(byteAt(offset + i));
    return out;
}

// Consumes the received stream chunk by chunk, from its first byte.
class StreamChecker {
public:
    void consume(QByteArrayView chunk)
    {
        for (const char c : chunk) {
            if (m_firstError < 0 && quint8(c) != byteAt(m_seen))
                m_firstError = m_seen;
            ++m_seen;
        }
    }

    qint64 bytesSeen() const { return m_seen; }
    // Bytes received in order before the first wrong one.
    qint64 bytesOk() const { return m_firstError < 0 ? m_seen : m_firstError; }
    // Offset of the first wrong byte, -1 while everything was in order.
    qint64 firstErrorOffset() const { return m_firstError; }
    // Exactly the first `total` bytes of the stream arrived, none lost, repeated or reordered.
    bool isComplete(qint64 total) const { return m_firstError < 0 && m_seen == total; }

private:
    qint64 m_seen = 0;
    qint64 m_firstError = -1;
};

} // namespace streampattern
