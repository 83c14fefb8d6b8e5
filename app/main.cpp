#include "MainProgram.h"
#include "MemoryReturn.h"
#include "PortInventory.h"
#include "PortTable.h"
#include "ProgramFolder.h"
#include "QtSerialPort.h"
#include "TerminationSignals.h"
#include "TellurixIcon.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    platform::returnFreedMemoryPromptly();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tellurix"));
    QApplication::setApplicationVersion(QStringLiteral(TELLURIX_VERSION));
    // Ties the windows to tellurix.desktop, so that docks and Wayland show the menu's icon.
    QApplication::setDesktopFileName(QStringLiteral("tellurix"));
    QApplication::setWindowIcon(tellurixIcon());
    const platform::TerminationSignals termination;  // outlives the window, catches signals early

    // Decided once: the settings, the presets and the port table must not end up in two places.
    const QString folder = platform::settingsFolder();
    const QString portsIni = platform::portsIniPath(folder);
    auto port = std::make_unique<platform::QtSerialPort>(
        [portsIni](int portNumber) { return platform::devicePathForPort(portNumber, portsIni); });
    MainProgram program(folder, std::move(port));
    program.setConsoleCheck([portsIni](int number) { return platform::unchosenConsolePath(number, portsIni); });
    // Logout, shutdown, kill and Ctrl+C close the window as the user would: it saves and lets go of the port.
    QObject::connect(&termination, &platform::TerminationSignals::terminationRequested, &program.form(),
                     [&program] { program.form().close(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &program.form(),
                     [&program] { program.saveSettings(); });
    program.load();
    program.form().show();
    return QApplication::exec();
}
