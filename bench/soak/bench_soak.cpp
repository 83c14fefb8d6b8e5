// bench_soak [SECONDS]: the terminal, in process, against the device simulator streaming
// 300,000 bytes per second, with a preset sent every second. A table at every tenth of the
// run (at most a minute apart): lines kept, resident memory and its growth per line kept,
// CPU over the interval, bytes lost. Verdicts at the end; exit code 1 when a byte was lost.
// Then the wait of key presses on a terminal flooded as fast as a pty carries it.
//
// The length comes from the argument or SOAK_SECONDS (`make soak` runs 600 s); without
// either it is a 30-second run, as `make bench` starts it.
#include "FaultSupport.h"
#include "Flood.h"
#include "MainProgram.h"
#include "TerminalSession.h"
#include "TestProgram.h"
#include "TrafficListModel.h"
#include "frmMain.h"
#include "modGlobal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

using faults::FloodingDevice;
using faults::KeyPressProbe;
using faults::SimulatorProcess;
using faults::TrafficStreamCheck;

namespace {

constexpr qint64 kBytesPerSecond = 300000;
constexpr int kShortRunSeconds = 30;
constexpr int kCommandIntervalMs = 1000;
constexpr qint64 kLongestReportIntervalMs = 60000;
constexpr int kDrainMs = 30000; // for the last bytes after the simulator's end
constexpr qint64 kFloodBytes = 20 * 1024 * 1024;
constexpr int kKeyIntervalMs = 50;
constexpr qint64 kKeyWaitLimitMs = 100;

struct Sample {
    double elapsedS = 0;
    qint64 lines = 0;
    qint64 rssBytes = 0;
    qint64 modelBytes = 0;
    double cpuPercent = 0;
    qint64 received = 0;
    qint64 lost = 0;
};

int runSeconds(const QStringList &args, bool *explicitLength)
{
    bool ok = false;
    int seconds = args.size() > 1 ? args[1].toInt(&ok) : 0;
    if (!ok)
        seconds = qEnvironmentVariable("SOAK_SECONDS").toInt(&ok);
    *explicitLength = ok && seconds > 0;
    return *explicitLength ? seconds : kShortRunSeconds;
}

double mean(std::vector<double>::const_iterator begin, std::vector<double>::const_iterator end)
{
    return begin == end ? 0 : std::accumulate(begin, end, 0.0) / double(end - begin);
}

// Runs the event loop for ms milliseconds, or until done() holds. The loop blocks between
// events as the program's own does; a loop of processEvents() calls would spin instead and
// show up in the CPU figures.
template <typename Done>
void runFor(int ms, Done done)
{
    if (ms <= 0 || done())
        return;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(50);
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

class Soak {
public:
    Soak(int seconds, const QString &folder) : m_seconds(seconds), m_simulator(folder + QStringLiteral("/instrument"))
    {
    }

    // The exit code: 0 when every byte arrived in order.
    int run(bool explicitLength);

private:
    void printHeader(bool explicitLength) const;
    Sample sample(TestProgram &p, const TrafficStreamCheck &stream);
    void printRow(const Sample &s) const;
    int printVerdicts(const TrafficStreamCheck &stream, int commands) const;

    const int m_seconds;
    SimulatorProcess m_simulator;
    std::vector<Sample> m_samples;
    QElapsedTimer m_clock;
    double m_lastCpu = 0;
    qint64 m_lastMs = 0;
    qint64 m_baseRss = 0;
};

int Soak::run(bool explicitLength)
{
    const qint64 total = kBytesPerSecond * m_seconds;
    if (!m_simulator.start({QStringLiteral("--mode"), QStringLiteral("stream"), QStringLiteral("--rate"),
                            QString::number(kBytesPerSecond), QStringLiteral("--bytes"), QString::number(total),
                            QStringLiteral("--start-immediately")})) {
        std::fprintf(stderr, "bench_soak: the simulator did not start\n");
        return 2;
    }
    TestProgram p;
    p.mapPort(1, m_simulator.link());
    if (!p.start("[SETTINGS]\r\nParam1=MEAS?<CR><LF>\r\n") || !p.form().txtSend->isEnabled()) {
        std::fprintf(stderr, "bench_soak: the terminal did not open the simulator's port\n");
        return 2;
    }
    TrafficStreamCheck stream(p.traffic(), total);
    int commands = 0;
    QTimer command;
    QObject::connect(&command, &QTimer::timeout, [&] {
        p.form().cmdBefehl[0]->click();
        ++commands;
    });

    printHeader(explicitLength);
    m_baseRss = faults::ownResidentBytes();
    m_clock.start();
    m_lastCpu = faults::ownCpuSeconds();
    command.start(kCommandIntervalMs);
    const qint64 reportMs = std::min<qint64>(kLongestReportIntervalMs, m_seconds * 100LL);
    for (qint64 next = reportMs; next <= m_seconds * 1000LL; next += reportMs) {
        runFor(int(next - m_clock.elapsed()), [] { return false; });
        printRow(sample(p, stream));
    }
    command.stop();
    runFor(kDrainMs, [&] { return stream.ended(); });
    std::printf("\nbytes sent by the simulator: %lld; received in order: %lld, in %lld lines\n", total,
                stream.checker().bytesOk(), stream.inboundLines());
    const int lossCode = printVerdicts(stream, commands);
    return lossCode != 0 ? lossCode : (stream.checker().isComplete(total) ? 0 : 1);
}

void Soak::printHeader(bool explicitLength) const
{
    if (explicitLength)
        std::printf("Soak: %d s against the simulator at %lld B/s, a preset every second\n\n", m_seconds,
                    kBytesPerSecond);
    else
        std::printf("Soak, SHORT RUN of %d s (SOAK_SECONDS or `make soak` for the 10-minute run): "
                    "the simulator at %lld B/s, a preset every second\n\n",
                    m_seconds, kBytesPerSecond);
    std::printf("| elapsed s | lines kept | RSS MiB | RSS growth B/line | model B/line | CPU %% | bytes received | bytes lost |\n");
    std::printf("|----------:|-----------:|--------:|------------------:|-------------:|------:|---------------:|-----------:|\n");
}

Sample Soak::sample(TestProgram &p, const TrafficStreamCheck &stream)
{
    Sample s;
    const qint64 nowMs = m_clock.elapsed();
    const double cpu = faults::ownCpuSeconds();
    s.elapsedS = double(nowMs) / 1000.0;
    s.lines = p.traffic().count();
    s.rssBytes = faults::ownResidentBytes();
    s.modelBytes = p.traffic().allocatedBytes();
    s.cpuPercent = nowMs > m_lastMs ? 100.0 * (cpu - m_lastCpu) * 1000.0 / double(nowMs - m_lastMs) : 0;
    s.received = stream.checker().bytesSeen();
    s.lost = stream.bytesLost();
    m_lastCpu = cpu;
    m_lastMs = nowMs;
    m_samples.push_back(s);
    return s;
}

void Soak::printRow(const Sample &s) const
{
    const double growthPerLine = s.lines > 0 ? double(s.rssBytes - m_baseRss) / double(s.lines) : 0;
    const double modelPerLine = s.lines > 0 ? double(s.modelBytes) / double(s.lines) : 0;
    std::printf("| %9.1f | %10lld | %7.1f | %17.0f | %12.0f | %5.1f | %14lld | %10lld |\n", s.elapsedS, s.lines,
                double(s.rssBytes) / 1048576.0, growthPerLine, modelPerLine, s.cpuPercent, s.received, s.lost);
    std::fflush(stdout);
}

// Memory: the growth per line kept over the second half of the run against the first half.
// CPU: the mean of the second half of the intervals against the first half.
int Soak::printVerdicts(const TrafficStreamCheck &stream, int commands) const
{
    const std::vector<Sample> &run = m_samples;
    if (run.size() < 4) {
        std::printf("too short for verdicts\n");
        return stream.bytesLost() > 0 ? 1 : 0;
    }
    const Sample &mid = run[run.size() / 2 - 1];
    const Sample &last = run.back();
    const double firstHalf = double(mid.rssBytes - m_baseRss) / double(std::max<qint64>(1, mid.lines));
    const double secondHalf =
        double(last.rssBytes - mid.rssBytes) / double(std::max<qint64>(1, last.lines - mid.lines));
    const bool memoryConstant = secondHalf <= firstHalf * 1.25 + 64;
    std::vector<double> cpu;
    for (const Sample &s : run)
        cpu.push_back(s.cpuPercent);
    const double cpuFirst = mean(cpu.begin(), cpu.begin() + qsizetype(cpu.size() / 2));
    const double cpuSecond = mean(cpu.begin() + qsizetype(cpu.size() / 2), cpu.end());
    const bool cpuFlat = cpuSecond <= cpuFirst * 1.25 + 2.0;
    const qsizetype sent = stream.sentData().size();

    std::printf("\nVerdicts\n");
    std::printf("- memory per line kept: %.0f B/line in the first half, %.0f B/line in the second: %s\n",
                firstHalf, secondHalf, memoryConstant ? "CONSTANT" : "GROWING FASTER THAN THE LINES");
    std::printf("- CPU: %.1f %% in the first half, %.1f %% in the second: %s\n", cpuFirst, cpuSecond,
                cpuFlat ? "FLAT" : "RISING");
    std::printf("- commands: %d sent, %lld logged: %s\n", commands, qlonglong(sent),
                sent == commands ? "ALL" : "SOME MISSING");
    std::printf("- bytes lost: %lld: %s\n", stream.bytesLost(), stream.bytesLost() == 0 ? "NONE" : "LOSS");
    return stream.bytesLost() == 0 ? 0 : 1;
}

// How long key presses wait while the terminal takes a flood.
void measureKeyPressesUnderFlood()
{
    FloodingDevice device(kFloodBytes);
    TestProgram p;
    p.mapPort(1, device.slavePath());
    if (!device.isValid() || !p.start(KeyPressProbe::ProbePresets())) {
        std::printf("\nkey presses under a flood: could not be measured\n");
        return;
    }
    p.form().txtSend->setFocus();
    TrafficStreamCheck stream(p.traffic(), kFloodBytes);
    KeyPressProbe keys(p.form(), p.traffic(), kKeyIntervalMs);
    QElapsedTimer clock;
    clock.start();
    keys.start();
    device.start();
    runFor(180000, [&] { return stream.ended(); });
    const qint64 floodMs = clock.elapsed();
    keys.stop();
    runFor(10000, [&] { return keys.handled() == keys.queued(); });

    std::printf("\nKey presses while %lld MB arrive as fast as a pty carries them (%.1f s)\n\n",
                kFloodBytes >> 20, double(floodMs) / 1000.0);
    std::printf("| presses | without effect | median wait ms | longest wait ms | within %lld ms |\n", kKeyWaitLimitMs);
    std::printf("|--------:|---------------:|---------------:|----------------:|:--------------|\n");
    std::printf("| %7d | %14d | %14lld | %15lld | %-13s |\n", keys.handled(), keys.withoutEffect(),
                keys.medianLatencyMs(), keys.maxLatencyMs(), keys.maxLatencyMs() <= kKeyWaitLimitMs ? "yes" : "NO");
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool explicitLength = false;
    const int seconds = runSeconds(QApplication::arguments(), &explicitLength);
    QTemporaryDir folder;
    const int code = Soak(seconds, folder.path()).run(explicitLength);
    measureKeyPressesUnderFlood();
    return code;
}
