#pragma once
// End-to-end tests: a private X server (Xvfb), the real Tellurix binary copied into a fresh
// folder, and real key presses through xdotool. Every wait is bounded; nothing sleeps.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>

class XSession {
public:
    XSession();  // starts Xvfb; check isValid()
    ~XSession();
    XSession(const XSession &) = delete;
    XSession &operator=(const XSession &) = delete;

    bool isValid() const { return !m_display.isEmpty(); }
    QString display() const { return m_display; }

    // Runs xdotool with the arguments; its standard output, trimmed, or nothing on failure.
    std::optional<QString> xdotool(const QStringList &arguments, int timeoutMs = 10000) const;

private:
    QProcess m_server;
    QString m_display;
};

// The real program in a folder of its own, started on an X session.
class ProgramUnderTest {
public:
    ProgramUnderTest(const QString &binary, const XSession &session);
    ~ProgramUnderTest();
    ProgramUnderTest(const ProgramUnderTest &) = delete;
    ProgramUnderTest &operator=(const ProgramUnderTest &) = delete;

    QString folder() const { return m_folder.path(); }
    QString filePath(const QString &name) const { return m_folder.filePath(name); }
    void writeFile(const QString &name, const QByteArray &bytes) const;
    QByteArray readFile(const QString &name) const;

    bool start();
    // The X window of the program's main window, once it is shown; empty when none came.
    QString waitForMainWindow(int timeoutMs = 15000);
    // Focuses the window and types keys there, as xdotool key names ("Escape", "F1").
    bool pressKeys(const QStringList &keys);
    bool typeText(const QString &text);
    // Clicks with the left button at a point of the main window, in pixels from its top left.
    bool clickAt(int x, int y);
    bool waitForExit(int timeoutMs = 15000);
    QProcess &process() { return m_process; }

private:
    QString m_binary;
    const XSession &m_session;
    QTemporaryDir m_folder;
    QProcess m_process;
    QString m_window;
};
