#include "MainProgram.h"

#include "PortDiscovery.h"
#include "PortInventory.h"
#include "ProgramFolder.h"
#include "TerminalSession.h"
#include "Twips.h"
#include "frmMain.h"
#include "frmSettings.h"

void MainProgram::setPortInventorySource(const QString &root, const QString &portsIni)
{
    m_inventoryRoot = root;
    m_inventoryPortsIni = portsIni;
}

void MainProgram::showSettingsDialog()
{
    const QString root = m_inventoryRoot.isEmpty() ? QStringLiteral("/") : m_inventoryRoot;
    // The port table beside the program, where the serial layer reads it too.
    const QString portsIni = m_inventoryPortsIni.isEmpty()
                                 ? platform::programFilePath(m_folder, QStringLiteral("Ports.ini"))
                                 : m_inventoryPortsIni;
    // Each opening takes a fresh look at the ports present.
    auto portList = [root, portsIni] {
        const platform::PortInventory inventory(root, portsIni);
        return fkt_ToolsGetSerialPorts(inventory);
    };
    auto *dialog = new frmSettings(portList, [this] { m_session->prc_MainOpenInterface(); },
                                   m_form.get());
    // OK, Cancel and the close box alike: a changed language shows at once.
    QObject::connect(dialog, &QDialog::finished, m_form.get(), [this] { m_form->ApplyLanguage(); });
    openDialog(dialog);
}
