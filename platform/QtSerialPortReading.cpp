// How QtSerialPort takes received bytes in. Qt's port reads whenever the descriptor becomes
// readable, which on a busy line wakes the event loop for every piece the device delivers,
// between the reader's own counts as well. So once the port is open, Qt's read notifier is kept
// off and the port reads the descriptor itself: when the bytes are counted, and, while the
// reader does not poll, as they come. The system queues only 4 KiB for a terminal's reader;
// one count every 10 ms takes up to that, some 400 KB/s, more than a 3 Mbaud line delivers.
// Only once a count finds the queue (nearly) full does the port take bytes in as they come
// while the reader polls too, so that a faster device is never held up or overrun; a slower
// line costs no wake-ups between the counts. A Qt without such a notifier keeps reading as it
// does.
#include "QtSerialPort.h"

#include <QSerialPort>
#include <QSocketNotifier>

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr size_t kReadPiece = 16 * 1024;
// Seven eighths of the 4 KiB a terminal's input queue holds: a count that takes this much may
// have left bytes behind in the system.
constexpr qsizetype kFastLineBytes = 3584;

enum class ReadEnd { Drained, HungUp };

// Appends what the descriptor gives now to `into`, until it has nothing more to give.
ReadEnd appendReadable(int fd, QByteArray &into)
{
    char piece[kReadPiece];
    for (;;) {
        const ssize_t got = ::read(fd, piece, kReadPiece);
        if (got > 0)
            into.append(piece, qsizetype(got));
        if (size_t(got) == kReadPiece || (got < 0 && errno == EINTR))
            continue;
        if (got >= 0 || errno == EAGAIN)
            return ReadEnd::Drained;
        return errno == EIO || errno == ENXIO || errno == ENODEV ? ReadEnd::HungUp
                                                                 : ReadEnd::Drained;
    }
}

} // namespace

void QtSerialPort::takeOverReading()
{
    const qintptr fd = qintptr(m_port->handle());
    QSocketNotifier *qtReader = nullptr;
    int found = 0;
    for (QSocketNotifier *notifier : m_port->findChildren<QSocketNotifier *>()) {
        if (notifier->type() == QSocketNotifier::Read && notifier->socket() == fd) {
            qtReader = notifier;
            ++found;
        }
    }
    if (found != 1)
        return;
    m_qtReader = qtReader;
    m_qtReader->setEnabled(false);
    m_readsDirectly = true;
    takeQtBuffer();
    watchArrivals();
}

void QtSerialPort::watchArrivals()
{
    m_arrivals = std::make_unique<QSocketNotifier>(qintptr(m_port->handle()), QSocketNotifier::Read);
    connect(m_arrivals.get(), &QSocketNotifier::activated, this, [this] { onArrival(); });
    m_takenSinceCount = 0;
    m_fastLine = false;
    updateWatch();
}

void QtSerialPort::setReaderPolling(bool polling)
{
    m_readerPolling = polling;
    updateWatch();
}

void QtSerialPort::updateWatch()
{
    if (m_arrivals && portOpen())
        m_arrivals->setEnabled(!m_readerPolling || m_fastLine);
}

void QtSerialPort::noteCounted()
{
    m_fastLine = m_takenSinceCount >= kFastLineBytes;
    m_takenSinceCount = 0;
    updateWatch();
}

void QtSerialPort::onArrival()
{
    if (!portOpen()) {
        m_arrivals->setEnabled(false);
        return;
    }
    if (!readWaiting()) {
        markDeviceLost();
        return;
    }
    // A polling reader counts them soon enough.
    if (!m_readerPolling && m_notify)
        m_notify(PortActivity::BytesArrived);
}

// False once the device has gone away. A hang-up shows in poll (a pty whose master closed, a
// tty hung up) or as EIO from the read (an adapter pulled while the read was under way).
bool QtSerialPort::readWaiting()
{
    const qsizetype before = m_held.size();
    takeQtBuffer();
    pollfd p{int(m_port->handle()), POLLIN, 0};
    bool open = true;
    if (::poll(&p, 1, 0) > 0) {
        open = (p.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0
               && appendReadable(p.fd, m_held) == ReadEnd::Drained;
    }
    m_takenSinceCount += m_held.size() - before;
    return open;
}

// Qt reads by itself while a write is waited for; what it took came after what is held and
// before what the descriptor still has.
void QtSerialPort::takeQtBuffer()
{
    const qint64 buffered = m_port->bytesAvailable();
    if (buffered > 0)
        m_held += m_port->read(buffered);
    if (m_readsDirectly && m_qtReader)
        m_qtReader->setEnabled(false);
}

void QtSerialPort::readDescriptorToEnd()
{
    appendReadable(int(m_port->handle()), m_held);
}

} // namespace platform
