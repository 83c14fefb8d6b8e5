#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

// The handler's only state: the write end of the socket pair, -1 while nobody listens.
std::atomic<int> g_writeFd{-1};
// Set by the handler, so that a signal still waiting in the socket counts too.
std::atomic<bool> g_received{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "the signal handler needs lock-free atomics");

// Async-signal-safe: one write() of the signal number, errno left as the interrupted code had
// it. A full socket drops the byte; the signals already queued end the session all the same.
extern "C" void onTerminationSignal(int signal)
{
    const int savedErrno = errno;
    g_received.store(true, std::memory_order_relaxed);
    const int fd = g_writeFd.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signal);
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = savedErrno;
}

bool setNonBlockingAndCloseOnExec(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0
           && ::fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    if (g_writeFd.load() >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, m_fds.data()) != 0)
        return;
    if (!setNonBlockingAndCloseOnExec(m_fds[0]) || !setNonBlockingAndCloseOnExec(m_fds[1])) {
        ::close(m_fds[0]);
        ::close(m_fds[1]);
        m_fds = {-1, -1};
        return;
    }
    g_received.store(false);
    g_writeFd.store(m_fds[1]);
    m_notifier = std::make_unique<QSocketNotifier>(m_fds[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { drain(); });

    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls elsewhere in the program carry on instead of failing with EINTR.
    action.sa_flags = SA_RESTART;
    const auto handled = handledSignals();
    for (std::size_t i = 0; i < handled.size(); ++i)
        ::sigaction(handled[i], &action, &m_previous[i]);
}

TerminationSignals::~TerminationSignals()
{
    if (!isValid())
        return;
    const auto handled = handledSignals();
    for (std::size_t i = 0; i < handled.size(); ++i) {
        if (g_received.load())
            ::signal(handled[i], SIG_IGN);
        else
            ::sigaction(handled[i], &m_previous[i], nullptr);
    }
    g_writeFd.store(-1);
    m_notifier.reset();  // before its descriptor closes
    ::close(m_fds[0]);
    ::close(m_fds[1]);
}

void TerminationSignals::drain()
{
    unsigned char bytes[16];
    for (;;) {
        const ssize_t count = ::read(m_fds[0], bytes, sizeof bytes);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return;
        for (ssize_t i = 0; i < count; ++i)
            emit terminationRequested(int(bytes[i]));
    }
}

} // namespace platform
