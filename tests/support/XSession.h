#pragma once
// End-to-end tests: a private X server (Xvfb), the real Tellurix binary copied into a fresh
// folder, and real key presses through xdotool. Every wait is bounded; nothing sleeps.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
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

// The real program in a folder of its own, started on an X session: the one way tests run the
// built binary. By default the folder is temporary and the binary is copied into it on
// start(); a test that prepares a folder of its own (a full disk, a read-only mount) names it
// and installs the copy before it makes the folder hostile.
class ProgramUnderTest {
public:
    ProgramUnderTest(const QString &binary, const XSession &session);
    ProgramUnderTest(const QString &binary, const XSession &session, const QString &folder);
    ~ProgramUnderTest();
    ProgramUnderTest(const ProgramUnderTest &) = delete;
    ProgramUnderTest &operator=(const ProgramUnderTest &) = delete;

    QString folder() const { return m_folderPath; }
    QString filePath(const QString &name) const { return m_folderPath + QLatin1Char('/') + name; }
    [[nodiscard]] bool writeFile(const QString &name, const QByteArray &bytes) const;
    QByteArray readFile(const QString &name) const;

    // Copies the binary into the folder; start() does it when it was not done.
    [[nodiscard]] bool install();
    // The program's environment beyond the display: a value set, or a name removed.
    void setEnvironment(const QString &name, const QString &value) { m_env.insert(name, value); }
    void removeEnvironment(const QString &name) { m_env.remove(name); }
    void setWorkingDirectory(const QString &path) { m_workingDirectory = path; }
    // Runs in the child between fork and exec (limits, another user).
    void setChildSetup(std::function<void()> setup) { m_childSetup = std::move(setup); }

    bool start();
    // The X window of the program's main window, once it is shown; empty when none came.
    QString waitForMainWindow(int timeoutMs = 15000);
    // Focuses the window and types keys there, as xdotool key names ("Escape", "F1").
    bool pressKeys(const QStringList &keys);
    bool typeText(const QString &text);
    // Clicks with the left button at a point of the main window, in pixels from its top left.
    bool clickAt(int x, int y);
    // Waits until a window of the program besides the main window shows (a menu that a click
    // opened): keys typed before it grabs the keyboard would go to the main window.
    bool waitForPopup(int timeoutMs = 10000);
    bool waitForExit(int timeoutMs = 15000);
    QProcess &process() { return m_process; }

private:
    QString m_binary;
    const XSession &m_session;
    QTemporaryDir m_folder;
    QString m_folderPath;
    QProcessEnvironment m_env;
    QString m_workingDirectory;
    std::function<void()> m_childSetup;
    bool m_installed = false;
    QProcess m_process;
    QString m_window;
};
