#include "Pty.h"

#include <QDeadlineTimer>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <thread>

namespace {

void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Waits for `events` on fd. A master without any slave open is hung up and polls ready at
// once; it is then waited on in small steps instead of spun on.
bool waitFor(int fd, short events, const QDeadlineTimer &deadline)
{
    pollfd p{fd, events, 0};
    const int ready = ::poll(&p, 1, int(deadline.remainingTime()));
    if (ready > 0 && (p.revents & POLLHUP) != 0 && (p.revents & events) == 0)
        ::poll(nullptr, 0, 5);
    return ready > 0;
}

} // namespace

Pty::Pty()
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    termios raw{};
    if (::tcgetattr(m_slave, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::tcsetattr(m_slave, TCSANOW, &raw);
    }
    const int flags = ::fcntl(m_master, F_GETFL);
    ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK);
    m_slavePath = QFile::decodeName(name);
}

Pty::~Pty()
{
    closeSlave();
    closeMaster();
}

bool Pty::writeMaster(QByteArrayView bytes, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!bytes.isEmpty()) {
        const qsizetype taken = writeSomeMaster(bytes);
        if (taken < 0)
            return false;
        bytes = bytes.sliced(taken);
        if (bytes.isEmpty())
            break;
        if (deadline.hasExpired())
            return false;
        waitFor(m_master, POLLOUT, deadline);
    }
    return true;
}

qsizetype Pty::writeSomeMaster(QByteArrayView bytes)
{
    if (m_master < 0)
        return -1;
    const ssize_t written = ::write(m_master, bytes.data(), size_t(bytes.size()));
    if (written >= 0)
        return written;
    return errno == EAGAIN || errno == EINTR ? 0 : -1;
}

QByteArray Pty::readMaster(qsizetype count, int timeoutMs)
{
    QByteArray received;
    const QDeadlineTimer deadline(timeoutMs);
    char chunk[4096];
    while (m_master >= 0 && received.size() < count) {
        const ssize_t got = ::read(m_master, chunk, sizeof chunk);
        if (got > 0) {
            received.append(chunk, got);
            continue;
        }
        if (deadline.hasExpired())
            break;
        waitFor(m_master, POLLIN, deadline);
    }
    return received;
}

QByteArray Pty::readMasterUntilQuiet(int quietMs)
{
    QByteArray received;
    for (;;) {
        const QByteArray more = readMaster(1 << 20, quietMs);
        if (more.isEmpty())
            return received;
        received += more;
    }
}

void Pty::closeSlave()
{
    closeFd(m_slave);
}

void Pty::closeMaster()
{
    closeFd(m_master);
}

qsizetype Pty::waitingAtSlave() const
{
    int waiting = 0;
    if (m_slave < 0 || ::ioctl(m_slave, FIONREAD, &waiting) != 0)
        return -1;
    return waiting;
}

bool Pty::waitUntilWaitingAtSlave(qsizetype count, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    for (qsizetype waiting = waitingAtSlave(); waiting < count; waiting = waitingAtSlave()) {
        if (waiting < 0 || deadline.hasExpired())
            return false;
        std::this_thread::yield();
    }
    return true;
}

int Pty::slaveLineSpeed() const
{
    if (m_slave >= 0)
        return ttyLineSpeed(m_slave);
    // Without our own descriptor, look through a fresh one.
    const int fd = ::open(QFile::encodeName(m_slavePath).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return -1;
    const int speed = ttyLineSpeed(fd);
    ::close(fd);
    return speed;
}
