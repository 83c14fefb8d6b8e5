#include "FaultSupport.h"

#include <QDeadlineTimer>
#include <QFile>

#include <ctime>
#include <unistd.h>

namespace faults {

double ownCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

double processCpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // The name in parentheses may hold blanks; the fields after it do not.
    const qsizetype nameEnd = text.lastIndexOf(')');
    if (nameEnd < 0)
        return -1;
    const QList<QByteArray> fields = text.mid(nameEnd + 2).split(' ');
    // After the name: state is field 3 of the whole line, utime 14 and stime 15.
    constexpr int kUtime = 14 - 3;
    constexpr int kStime = 15 - 3;
    if (fields.size() <= kStime)
        return -1;
    const double ticks = double(fields[kUtime].toLongLong() + fields[kStime].toLongLong());
    return ticks / double(::sysconf(_SC_CLK_TCK));
}

qint64 ownResidentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return -1;
    return fields[1].toLongLong() * ::sysconf(_SC_PAGESIZE);
}

SimulatorProcess::SimulatorProcess(QString link) : m_link(std::move(link)) {}

SimulatorProcess::~SimulatorProcess()
{
    kill();
}

bool SimulatorProcess::start(const QStringList &options, int timeoutMs)
{
    m_said.clear();
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setReadChannel(QProcess::StandardError); // what waitForReadyRead() waits for
    m_process.start(QStringLiteral(TELLURIX_DEVICE),
                    QStringList{QStringLiteral("--link"), m_link, QStringLiteral("--verbose")} + options);
    // It names the link once the link exists.
    return m_process.waitForStarted(timeoutMs) && waitForMessage(" -> ", timeoutMs);
}

bool SimulatorProcess::waitForTerminal(int timeoutMs)
{
    return waitForMessage("terminal attached", timeoutMs);
}

bool SimulatorProcess::waitForMessage(const QByteArray &text, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        m_said += m_process.readAllStandardError();
        if (m_said.contains(text))
            return true;
        if (deadline.hasExpired() || m_process.state() != QProcess::Running)
            return false;
        m_process.waitForReadyRead(int(deadline.remainingTime()));
    }
}

void SimulatorProcess::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

} // namespace faults
