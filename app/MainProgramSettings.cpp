#include "MainProgram.h"

#include "PortDiscovery.h"
#include "PortInventory.h"
#include "ProgramFolder.h"
#include "TerminalSession.h"
#include "Twips.h"
#include "frmMain.h"
#include "frmSettings.h"
#include "modTools.h"

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

void MainProgram::showSettingsDialog()
{
    // Each opening takes a fresh look at the ports present, named in the program's language.
    auto portList = [root = inventoryRoot(), portsIni = portTablePath()] {
        const platform::PortWords words{fkt_ToolsGetResString(1620), fkt_ToolsGetResString(1621)};
        const platform::PortInventory inventory(root, portsIni, words);
        return fkt_ToolsGetSerialPorts(inventory);
    };
    // The dialog tells, once OK was pressed, whether the user took the console.
    auto chosen = std::make_shared<std::function<bool()>>();
    auto *dialog = new frmSettings(portList, [this, chosen] { openInterface((*chosen)()); }, m_form.get());
    *chosen = [dialog] { return dialog->consoleChosen(); };
    // OK, Cancel and the close box alike: a changed language shows at once.
    QObject::connect(dialog, &QDialog::finished, m_form.get(), [this] { m_form->ApplyLanguage(); });
    openDialog(dialog);
}
