#pragma once
// The capture as the user meets it: File ▸ Start capture... (a save dialog proposing
// Tellurix-YYYYMMDD-HHMMSS.log, UTC, in the folder used last) and Stop capture, one capture at
// a time; the automatic capture from start-up to exit when the settings name a folder; the
// status bar's capture panel; one message box when a failure ends a capture, after which the
// terminal goes on.
#include "Clock.h"
#include "Failure.h"

#include <QObject>
#include <QString>
#include <memory>

class TerminalSession;
class TrafficCapture;
class frmMain;

class CaptureControl : public QObject {
    Q_OBJECT
public:
    // settingsFolder: where Settings.ini lives; a relative capture folder is taken from there.
    CaptureControl(frmMain &form, TerminalSession &session, const QString &settingsFolder);
    ~CaptureControl() override;

    // Starts the automatic capture when the settings name a folder (created when missing).
    void startAutomatic();
    // The capture the command line asks for, instead of the automatic one: into logPath (and
    // its .bin when the settings ask for it) and, when rawPath is given, the received bytes
    // there; a raw path alone captures nothing else.
    void startFromCommandLine(const QString &logPath, const QString &rawPath);
    void startFromMenu();
    void stop();

    TrafficCapture &capture() { return *m_capture; }

private:
    // Starts a capture into logPath (and its .bin when the settings ask for it); reports a
    // failure itself.
    void begin(const QString &logPath, const platform::SystemTime &started);
    void begin(const QString &logPath, const QString &rawPath, const platform::SystemTime &started);
    void onFailed(const platform::Failure &failure);
    void showState();
    QString automaticFolder() const;

    frmMain &m_form;
    TerminalSession &m_session;
    QString m_settingsFolder;
    QString m_lastFolder;
    std::unique_ptr<TrafficCapture> m_capture;
};

// The raw file beside a log: the same path with ".bin" for its suffix (added to a log that
// has none or is itself named *.bin).
QString rawCapturePath(const QString &logPath);
