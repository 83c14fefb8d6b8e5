#pragma once
// The ways a session ends from outside: SIGTERM (shutdown, kill), SIGHUP (logout, the terminal
// went away) and SIGINT (Ctrl+C in the starting terminal). Each arrives here as a Qt signal on
// the thread that created the object, so that the program can close as if the user had closed
// it. One instance at a time; it restores the previous handlers when it goes, except after a
// signal came: then the process is on its way out, and repeats must not cut its shutdown short.
#include <QObject>

#include <array>
#include <csignal>
#include <memory>

class QSocketNotifier;

namespace platform {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals &) = delete;
    TerminationSignals &operator=(const TerminationSignals &) = delete;

    // False when the handlers could not be installed (no socket pair, or another instance).
    bool isValid() const { return m_notifier != nullptr; }
    static constexpr std::array<int, 3> handledSignals() { return {SIGTERM, SIGHUP, SIGINT}; }

signals:
    // Emitted once for each signal received, in the order they came.
    void terminationRequested(int signal);

private:
    void drain();

    std::array<int, 2> m_fds{-1, -1};        // [0] read here, [1] written by the handler
    std::array<struct sigaction, 3> m_previous{};
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace platform
