#include "MainProgram.h"

#include "LivePortList.h"
#include "PortDiscovery.h"
#include "PortHolders.h"
#include "PortInventory.h"
#include "PortListMarks.h"
#include "PortTable.h"
#include "ProfileFile.h"
#include "ProgramFolder.h"
#include "TerminalSession.h"
#include "Twips.h"
#include "frmMain.h"
#include "frmSettings.h"
#include "modTools.h"

#include <QDir>
#include <QFileInfo>

#include <functional>
#include <memory>

void MainProgram::setPortInventorySource(const QString &root, const QString &portsIni)
{
    m_inventoryRoot = root;
    m_inventoryPortsIni = portsIni;
}

QString MainProgram::inventoryRoot() const
{
    return m_inventoryRoot.isEmpty() ? QStringLiteral("/") : m_inventoryRoot;
}

// The port table beside the program, where the serial layer reads it too.
QString MainProgram::portTablePath() const
{
    return m_inventoryPortsIni.isEmpty() ? platform::programFilePath(m_folder, QStringLiteral("Ports.ini"))
                                         : m_inventoryPortsIni;
}

namespace {

// The system's lock folders, below the inventory's root like everything else it reads.
QStringList lockFolders(const QString &root)
{
    QStringList folders = platform::defaultLockFolders();
    if (root != QLatin1String("/")) {
        for (QString &folder : folders)
            folder = root + folder;
    }
    return folders;
}

} // namespace

// What decides the port list: the nodes in /dev, the by-id links, the port table's own entries
// (a socat link in /tmp) and the lock files of other programs.
QStringList MainProgram::watchedPortPaths() const
{
    const QString root = inventoryRoot() == QLatin1String("/") ? QString() : inventoryRoot();
    QStringList paths{root + QStringLiteral("/dev/tty"), root + QStringLiteral("/dev/serial/by-id/usb")};
    for (int number = 1; number <= 256; ++number) {
        const QString entry = platform::readProfileString(QStringLiteral("PORTS"), QStringLiteral("COM%1").arg(number),
                                                          QString(), portTablePath(), 4096);
        if (entry.startsWith(QLatin1Char('/')))
            paths << entry;
    }
    // The temporary folder, the last resort for lock files, changes too often to be watched.
    for (const QString &folder : lockFolders(inventoryRoot())) {
        if (!folder.endsWith(QDir::tempPath()) && QFileInfo(folder).isDir())
            paths << folder + QStringLiteral("/LCK..tty");
    }
    return paths;
}

void MainProgram::showSettingsDialog()
{
    // Each look at the ports (the opening, and every change while the dialog is open) finds
    // them anew, named in the program's language, those another program holds marked.
    auto portList = [this, root = inventoryRoot(), portsIni = portTablePath()] {
        const platform::PortWords words{fkt_ToolsGetResString(1620), fkt_ToolsGetResString(1621)};
        const platform::PortInventory inventory(root, portsIni, words);
        const QString ownPort = m_session->isOpen() ? m_session->port().devicePath() : QString();
        const QStringList locks = lockFolders(root);
        const auto held = [&portsIni, &ownPort, &locks](int number) {
            return platform::isHeldByAnotherProgram(platform::devicePathForPort(number, portsIni), ownPort, locks);
        };
        return markHeldPorts(fkt_ToolsGetSerialPorts(inventory), held, fkt_ToolsGetResString(1792));
    };
    // The dialog tells, once OK was pressed, whether the user took the console.
    auto chosen = std::make_shared<std::function<bool()>>();
    auto *dialog = new frmSettings(portList, [this, chosen] { openInterface((*chosen)()); }, m_form.get());
    *chosen = [dialog] { return dialog->consoleChosen(); };
    new LivePortList(*dialog, watchedPortPaths());
    // OK, Cancel and the close box alike: a changed language shows at once.
    QObject::connect(dialog, &QDialog::finished, m_form.get(), [this] { m_form->ApplyLanguage(); });
    openDialog(dialog);
}
