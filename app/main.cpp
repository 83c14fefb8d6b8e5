#include "MainProgram.h"
#include "PortTable.h"
#include "ProgramFolder.h"
#include "QtSerialPort.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tellurix"));
    QApplication::setApplicationVersion(QStringLiteral(TELLURIX_VERSION));

    const QString portsIni = platform::portsIniPath();
    auto port = std::make_unique<platform::QtSerialPort>(
        [portsIni](int portNumber) { return platform::devicePathForPort(portNumber, portsIni); });
    MainProgram program(platform::programFolder(), std::move(port));
    program.Load();
    program.form().show();
    return QApplication::exec();
}
