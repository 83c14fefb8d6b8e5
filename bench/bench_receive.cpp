// Receiving at session rates: the real program, in-process and offscreen, reads a counter-stamped
// stream from the device simulator over a pty (raw display, so every line's data is the bytes
// as received), and answers written at a pty master are timed until their line is in the list.
//
// "UI busy" is the longest stretch the UI thread spent between two waits for events: an input
// event arriving at its start waits that long. QAbstractEventDispatcher's aboutToBlock/awake
// cannot give it here: the glib dispatcher emits aboutToBlock before an iteration that both
// waits and dispatches, and awake after it, so the work falls inside the "blocked" interval (a
// deliberate 200 ms stall reads as 0 ms). The poll function of glib's main context is the one
// place that sees the thread go idle and wake, so it is wrapped instead. The stretch is given in
// wall time and in the UI thread's own CPU time; on a machine whose cores are taken by other
// processes the first grows, the second does not.
#include "Cp1252.h"
#include "MainProgram.h"
#include "Pty.h"
#include "TestProgram.h"
#include "StreamPattern.h"
#include "TrafficLine.h"
#include "TrafficLineDelegate.h"
#include "TrafficListModel.h"
#include "TrafficListView.h"
#include "TerminalPresenter.h"
#include "TerminalSession.h"
#include "frmMain.h"
#include "modGlobal.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <dlfcn.h>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int kDataStart = 21; // "HH:MM:SS.mmm" and a nine-character marker
constexpr int kStallMs = 3000; // no new byte for this long ends a stream run as failed
constexpr int kAnswers = 300;
constexpr int kShortestGapMs = 60;
constexpr int kLongestGapMs = 120;
constexpr int kLatencyGiveUpMs = 1000;
const QByteArray kAnswer = QByteArrayLiteral("OK\r\n");

QElapsedTimer &steadyClock()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock;
}

qint64 nowNs()
{
    return steadyClock().nsecsElapsed();
}

// ---- UI thread busy time, from glib's poll function -----------------------------------------

namespace uibusy {

using PollFunc = int (*)(void *fds, unsigned count, int timeoutMs);

PollFunc g_originalPoll = nullptr;
qint64 g_leftPollNs = -1;
qint64 g_leftPollCpuNs = -1;
qint64 g_longestNs = 0;
qint64 g_longestCpuNs = 0;

// CPU time of the calling thread: unlike wall time, it does not grow while other processes
// hold the cores.
qint64 threadCpuNs()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

int timedPoll(void *fds, unsigned count, int timeoutMs)
{
    if (g_leftPollNs >= 0) {
        g_longestNs = std::max(g_longestNs, nowNs() - g_leftPollNs);
        g_longestCpuNs = std::max(g_longestCpuNs, threadCpuNs() - g_leftPollCpuNs);
    }
    const int result = g_originalPoll(fds, count, timeoutMs);
    g_leftPollNs = nowNs();
    g_leftPollCpuNs = threadCpuNs();
    return result;
}

// Only the glib dispatcher polls through the main context; false for any other dispatcher.
bool install()
{
    const QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher || !QByteArray(dispatcher->metaObject()->className()).contains("Glib"))
        return false;
    void *glib = ::dlopen("libglib-2.0.so.0", RTLD_NOW | RTLD_NOLOAD);
    if (!glib)
        return false;
    using ContextDefault = void *(*)();
    using GetPoll = PollFunc (*)(void *);
    using SetPoll = void (*)(void *, PollFunc);
    const auto contextDefault = reinterpret_cast<ContextDefault>(::dlsym(glib, "g_main_context_default"));
    const auto getPoll = reinterpret_cast<GetPoll>(::dlsym(glib, "g_main_context_get_poll_func"));
    const auto setPoll = reinterpret_cast<SetPoll>(::dlsym(glib, "g_main_context_set_poll_func"));
    if (!contextDefault || !getPoll || !setPoll)
        return false;
    g_originalPoll = getPoll(contextDefault());
    if (!g_originalPoll)
        return false;
    setPoll(contextDefault(), timedPoll);
    return true;
}

// Called on the UI thread: the stretch under way counts from now.
void reset()
{
    g_longestNs = g_longestCpuNs = 0;
    g_leftPollNs = nowNs();
    g_leftPollCpuNs = threadCpuNs();
}

// The longest stretch since reset(), the one under way included: wall time, and the UI
// thread's CPU time (its longest stretch, not necessarily the same one).
double longestMs()
{
    const qint64 current = g_leftPollNs >= 0 ? nowNs() - g_leftPollNs : 0;
    return double(std::max(g_longestNs, current)) / 1e6;
}

double longestCpuMs()
{
    const qint64 current = g_leftPollCpuNs >= 0 ? threadCpuNs() - g_leftPollCpuNs : 0;
    return double(std::max(g_longestCpuNs, current)) / 1e6;
}

} // namespace uibusy

// ---- helpers ---------------------------------------------------------------------------------

// Runs the event loop until `done` holds (looked at every pollMs) or timeoutMs ran out.
bool waitUntil(const std::function<bool()> &done, int timeoutMs, int pollMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(pollMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start();
    deadline.start(timeoutMs);
    loop.exec();
    return done();
}

struct Usage {
    double cpuSeconds = 0;
    double peakRssMiB = 0;
};

Usage usageNow()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return {seconds(u.ru_utime) + seconds(u.ru_stime), double(u.ru_maxrss) / 1024.0};
}

// The first three fields of /proc/loadavg: wall-time figures grow when other processes hold the
// cores, so the table says how busy the machine was.
QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("unknown");
    return file.readAll().split(' ').mid(0, 3).join(' ');
}

bool isReceivedLine(QStringView line)
{
    return line.size() >= kDataStart && line.mid(12, 9) == kMarkerIn;
}

// The program in a folder of its own (TestProgram): COM1 at 115200 baud, raw display, COM1
// mapped to `device`. Starts it and waits until its window is on screen; the reason when that
// failed.
QString startProgram(TestProgram &p, const QString &device)
{
    p.mapPort(1, device);
    if (!p.writeFile(QStringLiteral("Settings.ini"),
                     "[SETTINGS]\r\nComPort=0\r\nBaudrate=10\r\nPeculiar=0\r\nLanguage=1\r\n"))
        return QStringLiteral("Settings.ini could not be written");
    if (!p.start())
        return QStringLiteral("the window was never shown");
    if (!p.dialogs().shown.isEmpty())
        return QStringLiteral("the program reported: ") + p.dialogs().shown.last().text;
    if (!p.session().port().portOpen())
        return QStringLiteral("COM1 is not open");
    // The first layout and paint belong to start-up, not to receiving.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return {};
}

// ---- the simulator ---------------------------------------------------------------------------

class Simulator {
public:
    ~Simulator() { stop(); }

    // Starts a stream of `bytes` at `rate` (0 = as fast as possible), beginning with the first
    // byte it receives; waits for its ready file. The simulator ends itself after lifetimeMs,
    // should this program die without stopping it. The reason when that failed.
    QString start(const QTemporaryDir &folder, qint64 rate, qint64 bytes, int lifetimeMs)
    {
        link = folder.filePath(QStringLiteral("device"));
        const QString ready = folder.filePath(QStringLiteral("device.ready"));
        m_process.setProgram(QStringLiteral(TELLURIX_DEVICE_PATH));
        m_process.setArguments({QStringLiteral("--mode"), QStringLiteral("stream"),
                                QStringLiteral("--rate"), QString::number(rate),
                                QStringLiteral("--bytes"), QString::number(bytes),
                                QStringLiteral("--link"), link, QStringLiteral("--ready-file"), ready,
                                QStringLiteral("--exit-after-ms"), QString::number(lifetimeMs)});
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return QStringLiteral("tellurix-device did not start: ") + m_process.errorString();
        waitUntil([&] { return QFile::exists(ready) || !running(); }, 5000, 5);
        if (!QFile::exists(ready))
            return running() ? QStringLiteral("tellurix-device never became ready")
                             : QStringLiteral("tellurix-device ended before it was ready");
        return {};
    }

    bool running() const { return m_process.state() != QProcess::NotRunning; }

    void stop()
    {
        if (!running())
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(1000);
        }
    }

    QString link;

private:
    QProcess m_process;
};

// ---- receive runs ----------------------------------------------------------------------------

struct StreamCase {
    QString label;
    qint64 rate; // bytes per second, 0 = as fast as possible
    qint64 bytes;
    int timeoutMs;
};

struct StreamResult {
    qint64 received = 0;
    qint64 lost = -1;
    double bytesPerSecond = 0;
    qint64 lines = 0;
    double cpuSeconds = 0;
    double peakRssMiB = 0;
    double longestBusyMs = -1;
    double longestBusyCpuMs = -1;
    QString failure; // empty: complete and in order
};

// Every received line's data, in order, through the pattern checker.
streampattern::StreamChecker checkReceived(const TrafficListModel &model)
{
    streampattern::StreamChecker checker;
    for (int row = 0; row < model.count(); ++row) {
        const QString line = model.lineAt(row);
        if (isReceivedLine(line))
            checker.consume(platform::encodeCp1252(QStringView(line).mid(kDataStart)));
    }
    return checker;
}

StreamResult runStream(const StreamCase &c, bool busyMeasured)
{
    StreamResult r;
    QTemporaryDir folder;
    Simulator simulator;
    r.failure = simulator.start(folder, c.rate, c.bytes, c.timeoutMs + 30'000);
    if (!r.failure.isEmpty())
        return r;
    TestProgram p;
    r.failure = startProgram(p, simulator.link);
    if (!r.failure.isEmpty())
        return r;

    TrafficListModel &model = p.program().traffic();
    qint64 firstNs = -1;
    qint64 lastNs = -1;
    QObject receiver;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, &receiver,
                     [&](const QModelIndex &, int first, int last) {
                         const qint64 now = nowNs();
                         for (int row = first; row <= last; ++row) {
                             const QString line = model.lineAt(row);
                             if (!isReceivedLine(line))
                                 continue;
                             r.received += line.size() - kDataStart;
                             ++r.lines;
                             if (firstNs < 0)
                                 firstNs = now;
                             lastNs = now;
                         }
                     });

    const Usage before = usageNow();
    uibusy::reset();
    // The simulator streams from the first byte it receives.
    p.program().session().SendText(QStringLiteral("S"));
    qint64 progressNs = nowNs();
    qint64 progressBytes = 0;
    const auto stalled = [&] { return nowNs() - progressNs > qint64(kStallMs) * 1'000'000; };
    const bool ended = waitUntil(
        [&] {
            if (r.received != progressBytes) {
                progressBytes = r.received;
                progressNs = nowNs();
            }
            return r.received >= c.bytes || stalled() || !simulator.running()
                   || !p.program().session().port().portOpen();
        },
        c.timeoutMs, 50);
    const Usage after = usageNow();
    if (busyMeasured) {
        r.longestBusyMs = uibusy::longestMs();
        r.longestBusyCpuMs = uibusy::longestCpuMs();
    }
    r.cpuSeconds = after.cpuSeconds - before.cpuSeconds;
    r.peakRssMiB = after.peakRssMiB;
    if (lastNs > firstNs)
        r.bytesPerSecond = double(r.received) / (double(lastNs - firstNs) / 1e9);

    const streampattern::StreamChecker checker = checkReceived(model);
    const qint64 seen = checker.bytesSeen();
    if (checker.firstErrorOffset() >= 0) {
        r.lost = c.bytes - checker.bytesOk();
        r.failure = QStringLiteral("byte %1 of the stream is wrong: lost, repeated or out of order")
                        .arg(checker.firstErrorOffset());
    } else if (seen > c.bytes) {
        r.lost = 0;
        r.failure = QStringLiteral("%1 bytes more than sent").arg(seen - c.bytes);
    } else if (seen == c.bytes) {
        r.lost = 0;
    } else if (!ended) {
        // Still arriving when time ran out: late, not lost.
        r.failure = QStringLiteral("timed out after %1 of %2 bytes, all in order").arg(seen).arg(c.bytes);
    } else {
        r.lost = c.bytes - seen;
        const QString why = !simulator.running()                    ? QStringLiteral("the simulator ended")
                            : !p.program().session().port().portOpen() ? QStringLiteral("the port closed")
                                                                    : QStringLiteral("the stream stalled");
        r.failure = QStringLiteral("%1 after %2 of %3 bytes").arg(why).arg(seen).arg(c.bytes);
    }
    if (r.failure.isEmpty() && !p.program().session().port().portOpen())
        r.failure = QStringLiteral("the port closed");
    if (!p.dialogs().shown.isEmpty())
        r.failure = QStringLiteral("the program reported: ") + p.dialogs().shown.last().text;

    p.stop();
    simulator.stop();
    return r;
}

// ---- latency ---------------------------------------------------------------------------------

struct LatencyResult {
    std::vector<double> ms; // one per answer, in order
    QString failure;
};

LatencyResult runLatency()
{
    LatencyResult r;
    Pty device;
    if (!device.isValid()) {
        r.failure = QStringLiteral("no pseudo-terminal");
        return r;
    }
    TestProgram p;
    r.failure = startProgram(p, device.slavePath());
    if (!r.failure.isEmpty())
        return r;

    TrafficListModel &model = p.program().traffic();
    std::mt19937 random(20260107u);
    std::uniform_int_distribution<int> gapMs(kShortestGapMs, kLongestGapMs);
    int written = 0;
    qint64 writtenNs = -1;
    bool awaitingLine = false;
    QTimer nextAnswer;
    nextAnswer.setSingleShot(true);
    nextAnswer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&nextAnswer, &QTimer::timeout, &nextAnswer, [&] {
        const bool ok = device.writeMaster(kAnswer, 1000);
        writtenNs = nowNs();
        if (!ok) {
            r.failure = QStringLiteral("writing at the pty master failed");
            return;
        }
        ++written;
        awaitingLine = true;
    });

    QObject receiver;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, &receiver,
                     [&](const QModelIndex &, int first, int last) {
                         const qint64 now = nowNs();
                         for (int row = first; row <= last; ++row) {
                             const QString line = model.lineAt(row);
                             if (!isReceivedLine(line))
                                 continue;
                             if (!awaitingLine || platform::encodeCp1252(QStringView(line).mid(kDataStart)) != kAnswer) {
                                 r.failure = QStringLiteral("unexpected line: ") + line;
                                 continue;
                             }
                             awaitingLine = false;
                             r.ms.push_back(double(now - writtenNs) / 1e6);
                             // The gap runs from the previous write; one answer per line.
                             if (written < kAnswers) {
                                 const qint64 dueNs = writtenNs + qint64(gapMs(random)) * 1'000'000;
                                 nextAnswer.start(int(std::max<qint64>(0, (dueNs - now) / 1'000'000)));
                             }
                         }
                     });

    nextAnswer.start(gapMs(random));
    const int boundMs = kAnswers * (kLongestGapMs + 50) + 5000;
    waitUntil(
        [&] {
            const bool lineOverdue = awaitingLine && nowNs() - writtenNs > qint64(kLatencyGiveUpMs) * 1'000'000;
            if (lineOverdue && r.failure.isEmpty())
                r.failure = QStringLiteral("answer %1 never showed up").arg(written);
            return int(r.ms.size()) == kAnswers || !r.failure.isEmpty();
        },
        boundMs, 50);
    if (r.failure.isEmpty() && int(r.ms.size()) != kAnswers)
        r.failure = QStringLiteral("%1 of %2 answers in time").arg(r.ms.size()).arg(kAnswers);
    if (!p.dialogs().shown.isEmpty())
        r.failure = QStringLiteral("the program reported: ") + p.dialogs().shown.last().text;
    p.stop();
    return r;
}

// Nearest-rank percentile of sorted values.
double percentile(const std::vector<double> &sorted, double p)
{
    const size_t rank = size_t(std::ceil(p / 100.0 * double(sorted.size())));
    return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

// ---- tables ----------------------------------------------------------------------------------

void printStreamHeader(bool busyMeasured)
{
    std::printf("Receive: tellurix-device streams over a pty into the running terminal (raw display)\n");
    if (!busyMeasured)
        std::printf("(longest UI busy: n/a, the event dispatcher is not glib's)\n");
    std::printf("\n| %-19s | %10s | %10s | %7s | %13s | %6s | %6s | %8s | %9s | %9s | %-6s |\n",
                "rate target", "expected B", "received B", "lost B", "displayed B/s", "lines", "CPU s",
                "peak RSS", "UI busy", "UI busy", "result");
    std::printf("| %-19s | %10s | %10s | %7s | %13s | %6s | %6s | %8s | %9s | %9s | %-6s |\n", "", "", "",
                "", "", "", "", "MiB", "max ms", "max CPU", "");
    std::printf("|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|%s|\n", std::string(21, '-').c_str(),
                std::string(12, '-').c_str(), std::string(12, '-').c_str(), std::string(9, '-').c_str(),
                std::string(15, '-').c_str(), std::string(8, '-').c_str(), std::string(8, '-').c_str(),
                std::string(10, '-').c_str(), std::string(11, '-').c_str(), std::string(11, '-').c_str(),
                std::string(8, '-').c_str());
}

void printStreamRow(const StreamCase &c, const StreamResult &r)
{
    const QByteArray lost = r.lost >= 0 ? QByteArray::number(r.lost) : QByteArrayLiteral("-");
    std::printf("| %-19s | %10lld | %10lld | %7s | %13.0f | %6lld | %6.2f | %8.1f | %9.1f | %9.1f | %-6s |\n",
                qPrintable(c.label), c.bytes, r.received, lost.constData(), r.bytesPerSecond, r.lines,
                r.cpuSeconds, r.peakRssMiB, r.longestBusyMs, r.longestBusyCpuMs,
                r.failure.isEmpty() ? "ok" : "FAIL");
    std::fflush(stdout);
}

void printStreamNotes()
{
    std::printf("\nCPU s: user + system time of the terminal's process over the run. Peak RSS: the "
                "process's peak so far.\nUI busy: longest stretch of the UI thread between two waits "
                "for events, in wall time and in the thread's CPU time.\n");
}

void printLatency(const LatencyResult &r)
{
    std::printf("\nLatency: \"OK<CR><LF>\" written at the pty master until its line is in the list\n"
                "(%d answers, gaps %d-%d ms)\n\n",
                kAnswers, kShortestGapMs, kLongestGapMs);
    std::printf("| %7s | %9s | %9s | %9s | %9s | %9s | %-6s |\n", "answers", "median ms", "p90 ms",
                "p99 ms", "max ms", "min ms", "result");
    std::printf("|%s|%s|%s|%s|%s|%s|%s|\n", std::string(9, '-').c_str(), std::string(11, '-').c_str(),
                std::string(11, '-').c_str(), std::string(11, '-').c_str(), std::string(11, '-').c_str(),
                std::string(11, '-').c_str(), std::string(8, '-').c_str());
    std::vector<double> sorted = r.ms;
    std::sort(sorted.begin(), sorted.end());
    if (sorted.empty()) {
        std::printf("| %7d | %9s | %9s | %9s | %9s | %9s | %-6s |\n", 0, "-", "-", "-", "-", "-", "FAIL");
    } else {
        std::printf("| %7zu | %9.2f | %9.2f | %9.2f | %9.2f | %9.2f | %-6s |\n", sorted.size(),
                    percentile(sorted, 50), percentile(sorted, 90), percentile(sorted, 99), sorted.back(),
                    sorted.front(), r.failure.isEmpty() ? "ok" : "FAIL");
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    steadyClock();
    const bool busyMeasured = uibusy::install();

    const std::vector<StreamCase> cases = {
        {QStringLiteral("11520 B/s (115200)"), 11'520, 11'520 * 5, 5'000 + 10'000},
        {QStringLiteral("300000 B/s (3M)"), 300'000, 300'000 * 5, 5'000 + 10'000},
        {QStringLiteral("as fast as possible"), 0, 10 * 1024 * 1024, 40'000},
    };

    QStringList failures;
    std::printf("load average at start: %s (%d cores)\n\n", loadAverage().constData(),
                QThread::idealThreadCount());
    printStreamHeader(busyMeasured);
    for (const StreamCase &c : cases) {
        const StreamResult r = runStream(c, busyMeasured);
        printStreamRow(c, r);
        if (!r.failure.isEmpty())
            failures << c.label + QStringLiteral(": ") + r.failure;
    }

    printStreamNotes();

    const LatencyResult latency = runLatency();
    printLatency(latency);
    if (!latency.failure.isEmpty())
        failures << QStringLiteral("latency: ") + latency.failure;

    std::printf("\nload average at end: %s\n", loadAverage().constData());
    if (!failures.isEmpty()) {
        std::printf("\n");
        for (const QString &f : failures)
            std::printf("FAIL %s\n", qPrintable(f));
    }
    return failures.isEmpty() ? 0 : 1;
}
