#include "CloseFromOutside.h"
#include "CommandLine.h"
#include "CommandSet.h"
#include "MainProgram.h"
#include "MemoryReturn.h"
#include "PortInventory.h"
#include "PortTable.h"
#include "ProgramFolder.h"
#include "QtSerialPort.h"
#include "SettingsStore.h"
#include "TerminationSignals.h"
#include "TellurixIcon.h"
#include "WindowPings.h"
#include "frmMain.h"

#include <QApplication>

#include <cstdio>
#include <optional>

namespace {

void nameTheApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Tellurix"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TELLURIX_VERSION));
}

// --help, --version or a command line that cannot be run: said in the language of the
// settings, without a window.
int answerInsteadOfStarting(const CommandLine &commandLine, const QString &folder)
{
    CommandSet unused;
    prc_MainLoadSettings(folder, unused);
    const CommandLineAnswer answer = commandLineAnswer(commandLine);
    std::fputs(answer.text.toLocal8Bit().constData(), answer.toErrorOutput ? stderr : stdout);
    return answer.exitCode;
}

// Help and version need no display: they are answered before the GUI connects to one.
std::optional<int> answerWithoutDisplay(int &argc, char **argv)
{
    if (!mentionsHelpOrVersion(argc, argv))
        return std::nullopt;
    const QCoreApplication app(argc, argv);
    nameTheApplication();
    const CommandLine commandLine = parseCommandLine(QCoreApplication::arguments());
    // Anything else is judged once QApplication has taken out its own options (-platform ...).
    if (commandLine.action != CommandLine::Action::Help && commandLine.action != CommandLine::Action::Version)
        return std::nullopt;
    return answerInsteadOfStarting(commandLine, platform::settingsFolder());
}

} // namespace

int main(int argc, char *argv[])
{
    platform::returnFreedMemoryPromptly();
    if (const std::optional<int> answered = answerWithoutDisplay(argc, argv))
        return *answered;
    QApplication app(argc, argv);
    nameTheApplication();
    // Ties the windows to tellurix.desktop, so that docks and Wayland show the menu's icon.
    QApplication::setDesktopFileName(QStringLiteral("tellurix"));
    QApplication::setWindowIcon(tellurixIcon());
    const platform::TerminationSignals termination;  // outlives the window, catches signals early
    const platform::WindowPings pings;

    // Decided once: the settings, the presets and the port table must not end up in two places.
    const QString folder = platform::settingsFolder();
    const CommandLine commandLine = parseCommandLine(QCoreApplication::arguments());
    if (commandLine.action != CommandLine::Action::Run)
        return answerInsteadOfStarting(commandLine, folder);
    const QString portsIni = platform::portsIniPath(folder);
    auto port = std::make_unique<platform::QtSerialPort>(
        [portsIni](int portNumber) { return platform::devicePathForPort(portNumber, portsIni); });
    MainProgram program(folder, std::move(port));
    program.setConsoleCheck([portsIni](int number) { return platform::unchosenConsolePath(number, portsIni); });
    // Logout, shutdown, kill and Ctrl+C close the window as the user would: it saves and lets go of the port.
    CloseFromOutside closing(program.form());
    QObject::connect(&termination, &platform::TerminationSignals::terminationRequested, &closing,
                     [&closing] { closing.request(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &program.form(),
                     [&program] { program.saveSettings(); });
    program.setStartupCapture(commandLine.capturePath, commandLine.captureRawPath);
    program.load();
    program.form().show();
    return QApplication::exec();
}
