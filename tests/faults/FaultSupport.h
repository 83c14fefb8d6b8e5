#pragma once
// What the fault tests and the soak benchmark share: the device simulator in a process of its
// own, and what a process costs (CPU time, resident memory). Every wait is bounded.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace faults {

// CPU time, user and system, this process has used so far.
double ownCpuSeconds();
// The same for another process of this machine, from /proc; -1 when it cannot be read.
double processCpuSeconds(qint64 pid);
// Resident memory of this process in bytes; -1 when it cannot be read.
qint64 ownResidentBytes();

// tellurix-device, publishing its pseudo-terminal under a link the program's port table names.
// The link stays the same across restarts, as a device node does when an adapter comes back.
class SimulatorProcess {
public:
    explicit SimulatorProcess(QString link);
    ~SimulatorProcess(); // kills a simulator still running
    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;

    // Starts it with --link and the given options and waits until the link is there.
    bool start(const QStringList &options, int timeoutMs = 10000);
    // Waits until the simulator says a terminal opened its line.
    bool waitForTerminal(int timeoutMs = 10000);
    // SIGKILL: the pty's master goes with the process, as a pulled-out device goes; the link
    // is left behind, pointing nowhere.
    void kill();
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    qint64 processId() const { return m_process.processId(); }
    const QString &link() const { return m_link; }

private:
    bool waitForMessage(const QByteArray &text, int timeoutMs);

    QString m_link;
    QProcess m_process;
    QByteArray m_said; // its messages, gathered from standard error
};

} // namespace faults
