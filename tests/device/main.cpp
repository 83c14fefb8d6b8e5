// tellurix-device: a simulated bench instrument on a pseudo-terminal, for tests, benchmarks and
// trying the terminal without hardware. The pty's slave is published under --link; the
// instrument answers at the master. Exit with SIGTERM/SIGINT or after --exit-after-ms.
#include "Instrument.h"
#include "Pty.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr qsizetype kOutputRoom = 64 * 1024; // scheduled output held back from the line
constexpr int kDetachedProbeMs = 10;         // how often to look for a terminal opening the line
constexpr int kLongestWaitMs = 100;

int g_wakePipe[2] = {-1, -1};
volatile sig_atomic_t g_stop = 0;

void onStopSignal(int)
{
    g_stop = 1;
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = ::write(g_wakePipe[1], &byte, 1);
}

bool installStopSignals()
{
    if (::pipe2(g_wakePipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

struct Options {
    device::InstrumentOptions instrument;
    QString link;
    QString readyFile;
    qint64 exitAfterMs = -1;
    bool verbose = false;
};

bool verbose = false;

void say(const QString &text)
{
    if (verbose)
        std::fprintf(stderr, "tellurix-device: %s\n", qPrintable(text));
}

std::optional<Options> parseOptions(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A simulated bench instrument on a pty."));
    parser.addHelpOption();
    const QCommandLineOption mode(QStringLiteral("mode"),
                                  QStringLiteral("echo, command, periodic or stream."),
                                  QStringLiteral("mode"), QStringLiteral("command"));
    const QCommandLineOption link(QStringLiteral("link"),
                                  QStringLiteral("Path of the symlink to the pty's slave."),
                                  QStringLiteral("path"));
    const QCommandLineOption ready(QStringLiteral("ready-file"),
                                   QStringLiteral("Written with \"ready\" once the link exists."),
                                   QStringLiteral("path"));
    const QCommandLineOption interval(QStringLiteral("interval-ms"),
                                      QStringLiteral("Periodic: milliseconds between measurements."),
                                      QStringLiteral("ms"), QStringLiteral("1000"));
    const QCommandLineOption rate(QStringLiteral("rate"),
                                  QStringLiteral("Stream: bytes per second, 0 = as fast as possible."),
                                  QStringLiteral("bytes"), QStringLiteral("0"));
    const QCommandLineOption bytes(QStringLiteral("bytes"), QStringLiteral("Stream: length in bytes."),
                                   QStringLiteral("count"), QStringLiteral("1048576"));
    const QCommandLineOption immediately(
        QStringLiteral("start-immediately"),
        QStringLiteral("Stream: start when the line is opened, not on the first byte received."));
    const QCommandLineOption exitAfter(QStringLiteral("exit-after-ms"),
                                       QStringLiteral("Exit after this many milliseconds."),
                                       QStringLiteral("ms"));
    const QCommandLineOption talk(QStringLiteral("verbose"), QStringLiteral("Tell what happens."));
    parser.addOptions({mode, link, ready, interval, rate, bytes, immediately, exitAfter, talk});
    parser.process(app);

    Options options;
    const std::optional<device::Mode> chosen = device::modeFromName(parser.value(mode));
    bool numbersOk = true;
    const auto number = [&](const QCommandLineOption &option) {
        bool ok = false;
        const qint64 value = parser.value(option).toLongLong(&ok);
        numbersOk = numbersOk && ok && value >= 0;
        return value;
    };
    options.instrument.intervalMs = number(interval);
    options.instrument.bytesPerSecond = number(rate);
    options.instrument.streamBytes = number(bytes);
    if (parser.isSet(exitAfter))
        options.exitAfterMs = number(exitAfter);
    options.instrument.startImmediately = parser.isSet(immediately);
    options.link = parser.value(link);
    options.readyFile = parser.value(ready);
    options.verbose = parser.isSet(talk);
    if (!chosen || !numbersOk || options.link.isEmpty() || options.instrument.intervalMs == 0) {
        std::fprintf(stderr, "tellurix-device: needs --link PATH, a known --mode and counts of 0 or "
                             "more (an interval of at least 1); see --help\n");
        return std::nullopt;
    }
    options.instrument.mode = *chosen;
    return options;
}

// Written beside the target and renamed over it, so nobody sees a half-made link or file.
bool publishLink(const QString &target, const QString &link)
{
    const QByteArray linkPath = QFile::encodeName(link);
    const QByteArray temporary = linkPath + ".new" + QByteArray::number(::getpid());
    ::unlink(temporary.constData());
    return ::symlink(QFile::encodeName(target).constData(), temporary.constData()) == 0
           && ::rename(temporary.constData(), linkPath.constData()) == 0;
}

bool writeReadyFile(const QString &path)
{
    const QString temporary = path + QStringLiteral(".new%1").arg(::getpid());
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write("ready\n") != 6) {
        return false;
    }
    file.close();
    return ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) == 0;
}

// Only our own link goes: another simulator may have taken the path over meanwhile.
void removeLink(const QString &target, const QString &link)
{
    if (QFileInfo(link).symLinkTarget() == QFileInfo(target).absoluteFilePath())
        QFile::remove(link);
}

// The master of a pty that no one has open on the slave side reports a hang-up.
bool isTerminalAttached(int master)
{
    pollfd p{master, POLLIN, 0};
    return ::poll(&p, 1, 0) >= 0 && (p.revents & POLLHUP) == 0;
}

class DeviceLoop {
public:
    DeviceLoop(const Options &options, int master)
        : m_options(options), m_instrument(options.instrument), m_master(master)
    {
        m_clock.start();
    }

    void run()
    {
        while (!g_stop && !timeIsUp()) {
            if (!m_attached)
                waitForTerminal();
            else
                serveTerminal();
        }
    }

private:
    bool timeIsUp() const { return m_options.exitAfterMs >= 0 && m_clock.elapsed() >= m_options.exitAfterMs; }

    int cappedWait(qint64 ms) const
    {
        qint64 wait = ms < 0 ? kLongestWaitMs : std::min<qint64>(ms, kLongestWaitMs);
        if (m_options.exitAfterMs >= 0)
            wait = std::min(wait, std::max<qint64>(0, m_options.exitAfterMs - m_clock.elapsed()));
        return int(wait);
    }

    // A hung-up master polls ready at once, so it is left out of the wait and looked at again
    // after a short pause: no spinning while no one listens.
    void waitForTerminal()
    {
        if (isTerminalAttached(m_master)) {
            m_attached = true;
            m_instrument.attached(m_clock.elapsed());
            say(QStringLiteral("terminal attached"));
            return;
        }
        pollfd wake{g_wakePipe[0], POLLIN, 0};
        ::poll(&wake, 1, cappedWait(kDetachedProbeMs));
    }

    void serveTerminal()
    {
        queueDueOutput();
        const qint64 dueIn = m_out.isEmpty() ? m_instrument.msUntilDue(m_clock.elapsed()) : -1;
        pollfd fds[2] = {{m_master, short(POLLIN | (m_out.isEmpty() ? 0 : POLLOUT)), 0},
                         {g_wakePipe[0], POLLIN, 0}};
        if (::poll(fds, 2, cappedWait(dueIn)) <= 0)
            return;
        if (fds[0].revents & POLLIN)
            readFromTerminal();
        if (m_attached && (fds[0].revents & POLLOUT))
            writeToTerminal();
        if (m_attached && (fds[0].revents & POLLHUP))
            detach();
    }

    void queueDueOutput()
    {
        if (m_out.size() < kOutputRoom)
            m_out += m_instrument.due(m_clock.elapsed(), kOutputRoom - m_out.size());
    }

    void readFromTerminal()
    {
        char chunk[4096];
        const ssize_t got = ::read(m_master, chunk, sizeof chunk);
        if (got > 0)
            m_out += m_instrument.received(QByteArrayView(chunk, got), m_clock.elapsed());
        else if (got < 0 && errno == EIO)
            detach();
    }

    void writeToTerminal()
    {
        const ssize_t written = ::write(m_master, m_out.constData(), size_t(m_out.size()));
        if (written > 0)
            m_out.remove(0, written);
        else if (written < 0 && errno == EIO)
            detach();
    }

    // As on a real line, what no one listens to is gone.
    void detach()
    {
        m_attached = false;
        m_out.clear();
        say(QStringLiteral("terminal detached"));
    }

    const Options &m_options;
    device::Instrument m_instrument;
    int m_master;
    QElapsedTimer m_clock;
    bool m_attached = false;
    QByteArray m_out;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const std::optional<Options> options = parseOptions(app);
    if (!options)
        return 2;
    verbose = options->verbose;
    if (!installStopSignals()) {
        std::perror("tellurix-device");
        return 1;
    }

    Pty pty;
    if (!pty.isValid()) {
        std::fprintf(stderr, "tellurix-device: cannot open a pseudo-terminal\n");
        return 1;
    }
    // The terminal's own open is what the instrument waits for.
    pty.closeSlave();
    if (!publishLink(pty.slavePath(), options->link)) {
        std::fprintf(stderr, "tellurix-device: cannot create the link %s\n", qPrintable(options->link));
        return 1;
    }
    say(QStringLiteral("%1 -> %2").arg(options->link, pty.slavePath()));
    if (!options->readyFile.isEmpty() && !writeReadyFile(options->readyFile)) {
        std::fprintf(stderr, "tellurix-device: cannot write %s\n", qPrintable(options->readyFile));
        removeLink(pty.slavePath(), options->link);
        return 1;
    }

    DeviceLoop(*options, pty.masterFd()).run();

    removeLink(pty.slavePath(), options->link);
    if (!options->readyFile.isEmpty())
        QFile::remove(options->readyFile);
    say(QStringLiteral("stopped"));
    return 0;
}
