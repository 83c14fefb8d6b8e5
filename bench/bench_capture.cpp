// What capturing costs: the real program, in-process and offscreen, receives a steady stream
// of 300,000 B/s from a pseudo-terminal for a few seconds, once without a capture and once with
// the automatic capture writing its .log and .bin; the table gives the process's CPU time per
// second of stream for both. A second table times the capture's own work on one core: turning
// a megabyte into log lines, and handing it to the system.
#include "CaptureFormat.h"
#include "FakeSerialPort.h"
#include "Pty.h"
#include "StreamPattern.h"
#include "TerminalSession.h"
#include "TestProgram.h"
#include "TrafficCapture.h"
#include "TrafficLine.h"
#include "TrafficListModel.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr qint64 kRate = 300'000; // bytes per second
constexpr int kSeconds = 5;
constexpr int kPieceMs = 10;
constexpr int kRounds = 3;

double cpuSeconds()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    const auto s = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
}

QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').mid(0, 3).join(' ') : QByteArray("unknown");
}

struct Run {
    bool ok = false;
    double cpuPerSecond = 0;
    qint64 received = 0;
    qint64 logBytes = 0;
    qint64 binBytes = 0;
};

// The device: the stream pattern at kRate, in pieces every 10 ms, from a thread of its own.
class Device : public QThread {
public:
    explicit Device(Pty &pty) : m_pty(pty) {}
    std::atomic<qint64> sent{0};

protected:
    void run() override
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < kSeconds * 1000) {
            const qint64 due = kRate * clock.elapsed() / 1000;
            if (due > sent) {
                const QByteArray piece = streampattern::bytes(sent, due - sent);
                if (!m_pty.writeMaster(piece, 2000))
                    return;
                sent += piece.size();
            }
            QThread::msleep(kPieceMs);
        }
    }

private:
    Pty &m_pty;
};

qint64 receivedBytes(TrafficListModel &model)
{
    qint64 total = 0;
    for (int i = 0; i < model.count(); ++i)
        total += model.lineAt(i).size() - 21;
    return total;
}

Run runStream(bool capturing)
{
    Run r;
    TestProgram p;
    Pty &pty = p.mapPty(1);
    QTemporaryDir captures;
    QByteArray settings = "[SETTINGS]\r\nComPort=0\r\nBaudrate=10\r\nPeculiar=0\r\nLanguage=1\r\n";
    if (capturing)
        settings += "[CAPTURE]\r\nFolder=" + captures.path().toUtf8() + "\r\nRaw=1\r\n";
    if (!p.start({}, settings) || !p.session().isOpen())
        return r;
    QCoreApplication::processEvents();
    Device device(pty);
    QEventLoop loop;
    QObject::connect(&device, &QThread::finished, &loop, &QEventLoop::quit);
    const double before = cpuSeconds();
    device.start();
    loop.exec();
    // The last piece is read and written.
    QDeadlineTimer settle(1000);
    while (!settle.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    r.cpuPerSecond = (cpuSeconds() - before) / kSeconds;
    r.received = receivedBytes(p.traffic());
    p.stop(); // the capture writes what is left
    for (const QString &name : QDir(captures.path()).entryList(QDir::Files)) {
        const qint64 size = QFileInfo(captures.filePath(name)).size();
        (name.endsWith(QStringLiteral(".bin")) ? r.binBytes : r.logBytes) += size;
    }
    r.ok = r.received == device.sent && (!capturing || r.binBytes == device.sent);
    return r;
}

// The capture's own work for one megabyte in chunks of 512 bytes, as the poll delivers a
// stream: formatting, and formatting with the writes to a real file.
void timeCaptureWork()
{
    const QByteArray mega = streampattern::bytes(0, 1 << 20);
    platform::SystemTime stamp;
    QElapsedTimer timer;
    timer.start();
    qint64 produced = 0;
    for (qsizetype at = 0; at < mega.size(); at += 512)
        produced += captureTrafficLine(stamp, kMarkerIn, QByteArrayView(mega).sliced(at, 512)).size();
    const double formatMs = timer.nsecsElapsed() / 1e6;

    // The same lines through a capture into a real file: formatting, batching and the writes.
    QTemporaryDir dir;
    TerminalSession session(std::make_unique<FakeSerialPort>());
    TrafficCapture capture(session);
    capture.start(dir.filePath(QStringLiteral("bench.log")), dir.filePath(QStringLiteral("bench.bin")),
                  {QStringLiteral("Tellurix"), 1, QStringLiteral("115200"), true});
    timer.start();
    for (qsizetype at = 0; at < mega.size(); at += 512)
        capture.addLine(stamp, kMarkerIn, QByteArrayView(mega).sliced(at, 512));
    capture.stop();
    const double captureMs = timer.nsecsElapsed() / 1e6;

    std::printf("| capture work for 1 MiB in 512-byte lines | ms |\n|---|---|\n");
    std::printf("| format into log lines (%lld B of log) | %.1f |\n", produced, formatMs);
    std::printf("| format, batch and write .log and .bin | %.1f |\n", captureMs);
    std::printf("\nAt %lld B/s that is %.1f %% of one core for the capture's own work.\n", kRate,
                captureMs / 10.0 * double(kRate) / double(1 << 20));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("Receiving %lld B/s for %d s at 115200 baud (raw display), real program in process\n\n",
                kRate, kSeconds);
    std::printf("| run | capture | CPU s per s of stream | received B | .log B | .bin B | check |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    bool ok = true;
    // Alternating runs, so that another process's load falls on both alike; the medians say it.
    std::vector<double> cpu[2];
    for (int round = 1; round <= kRounds; ++round) {
        for (const bool capturing : {false, true}) {
            const Run r = runStream(capturing);
            ok = ok && r.ok;
            cpu[capturing].push_back(r.cpuPerSecond);
            std::printf("| %d | %s | %.3f | %lld | %lld | %lld | %s |\n", round, capturing ? ".log + .bin" : "none",
                        r.cpuPerSecond, r.received, r.logBytes, r.binBytes, r.ok ? "complete" : "FAILED");
        }
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("\nMedian CPU per second of stream: %.3f s without, %.3f s with the capture (load %s).\n",
                median(cpu[0]), median(cpu[1]), loadAverage().constData());
    std::printf("\n");
    timeCaptureWork();
    return ok ? 0 : 1;
}
