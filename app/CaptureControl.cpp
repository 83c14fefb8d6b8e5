#include "CaptureControl.h"

#include "BaudRates.h"
#include "CaptureFormat.h"
#include "CaptureSettings.h"
#include "CaptureStatusPanel.h"
#include "Dialogs.h"
#include "TerminalSession.h"
#include "TrafficCapture.h"
#include "frmMain.h"
#include "modFormat.h"
#include "modGlobal.h"
#include "modTools.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

CaptureHeader headerNow(const TerminalSession &session)
{
    // The version is the one main() gives the application.
    QString program = kAppTitle;
    if (!QCoreApplication::applicationVersion().isEmpty())
        program += QLatin1Char(' ') + QCoreApplication::applicationVersion();
    return {program, g_bytComPort + 1, baudRateText(g_bytBaudrate), session.isOpen()};
}

} // namespace

QString rawCapturePath(const QString &logPath)
{
    const QFileInfo info(logPath);
    const QString suffix = info.suffix();
    // A log named *.bin keeps its whole name: the two files must never be one.
    if (suffix.isEmpty() || suffix.compare(QLatin1String("bin"), Qt::CaseInsensitive) == 0)
        return logPath + QStringLiteral(".bin");
    return logPath.chopped(suffix.size() + 1) + QStringLiteral(".bin");
}

CaptureControl::CaptureControl(frmMain &form, TerminalSession &session, const QString &settingsFolder)
    : m_form(form),
      m_session(session),
      m_settingsFolder(settingsFolder),
      m_capture(std::make_unique<TrafficCapture>(session))
{
    connect(m_capture.get(), &TrafficCapture::activeChanged, this, [this] { showState(); });
    // The report waits until the write that failed is over: it may have run inside the poll.
    connect(m_capture.get(), &TrafficCapture::failed, this, [this] {
        m_form.stbCapture->showFailed(QFileInfo(m_capture->namedPath()).fileName());
    });
    connect(m_capture.get(), &TrafficCapture::failed, this, &CaptureControl::onFailed, Qt::QueuedConnection);
    connect(form.mnuFileCaptureStart, &QAction::triggered, this, &CaptureControl::startFromMenu);
    connect(form.mnuFileCaptureStop, &QAction::triggered, this, &CaptureControl::stop);
    // Every way of closing the window writes what is still pending. No box holds up the exit
    // (a signal or a logout may be closing it): a last write that fails goes unreported.
    connect(&form, &frmMain::unloading, this, [this] {
        const QSignalBlocker quiet(m_capture.get());
        m_capture->stop();
    });
    showState();
}

CaptureControl::~CaptureControl() = default;

QString CaptureControl::automaticFolder() const
{
    const QString folder = g_strCaptureFolder.trimmed();
    if (folder.isEmpty())
        return {};
    return QDir::cleanPath(QDir(m_settingsFolder).absoluteFilePath(QDir::fromNativeSeparators(folder)));
}

void CaptureControl::startAutomatic()
{
    const QString folder = automaticFolder();
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder); // a folder that cannot be made is reported by the start
    const platform::SystemTime now = platform::clock().nowUtc();
    begin(folder + QLatin1Char('/') + captureFileName(now), now);
}

void CaptureControl::startFromMenu()
{
    if (m_capture->isActive())
        return;
    QString folder = m_lastFolder;
    if (folder.isEmpty())
        folder = automaticFolder();
    if (folder.isEmpty())
        folder = m_settingsFolder;
    // An existing file is continued, never replaced: nothing to confirm.
    const std::optional<QString> chosen = m_form.chooseSaveFile(
        {.initialFolder = folder, .proposedName = captureFileName(platform::clock().nowUtc()),
         .filter = fkt_ToolsGetResString(1702), .defaultSuffix = QStringLiteral(".log"),
         .title = fkt_ToolsGetResString(1703), .confirmOverwrite = false});
    if (!chosen || chosen->isEmpty())
        return;
    m_lastFolder = QFileInfo(*chosen).absolutePath();
    begin(*chosen, platform::clock().nowUtc());
}

void CaptureControl::startFromCommandLine(const QString &logPath, const QString &rawPath)
{
    if (rawPath.isEmpty())
        begin(logPath, platform::clock().nowUtc());
    else
        begin(logPath, rawPath, platform::clock().nowUtc());
}

void CaptureControl::begin(const QString &logPath, const platform::SystemTime &started)
{
    begin(logPath, g_bytCaptureRaw != 0 ? rawCapturePath(logPath) : QString(), started);
}

void CaptureControl::begin(const QString &logPath, const QString &rawPath, const platform::SystemTime &started)
{
    try {
        m_capture->start(logPath, rawPath, headerNow(m_session), started);
    } catch (const platform::Failure &failure) {
        m_form.stbCapture->showFailed(QFileInfo(TrafficCapture::namedPath(logPath, rawPath)).fileName());
        reportFailedAction(&m_form, fkt_ToolsGetResString(1703), failureDescription(failure), failure.number);
    }
}

void CaptureControl::stop()
{
    m_capture->stop();
}

void CaptureControl::onFailed(const platform::Failure &failure)
{
    reportFailedAction(&m_form, fkt_ToolsGetResString(1704), failureDescription(failure), failure.number);
}

void CaptureControl::showState()
{
    const bool active = m_capture->isActive();
    m_form.mnuFileCaptureStart->setEnabled(!active);
    m_form.mnuFileCaptureStop->setEnabled(active);
    if (active)
        m_form.stbCapture->showCapturing(QFileInfo(m_capture->namedPath()).fileName());
    else
        m_form.stbCapture->showIdle(); // a failure says so right after
}
