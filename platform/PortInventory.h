#pragma once
// The serial ports of this machine, presented as the registry entries of a serial port
// enumerator (kSerialEnumeratorKey and the device keys below kDeviceEnumKeyPrefix).
//
// What counts as a port:
// - every tty under <root>/sys/class/tty with a real device behind it (a "device" link), unless
//   its "type" attribute says 0: the kernel creates ttyS0..ttyS31 whether or not a UART is
//   there, and an absent UART reports type 0;
// - every device path named in the port table (Ports.ini, section "PORTS", keys "COMn") that
//   exists, such as the pseudo-terminals of socat or a device simulator.
//
// Which number a port gets:
// 1. a port-table entry that names the device, links resolved (the lowest such number);
// 2. else ttySk is COM(k+1), as the port table's fallback maps it, unless the table gives
//    that number to another path;
// 3. else the lowest number from 1 up that neither the table nor another present port uses.
//    This choice is written to the port table, by the device's /dev/serial/by-id path when it
//    has one, so that the adapter keeps its number whatever kernel name it gets next time.
//    A port whose number cannot be written is left out: the number would not reach it.
//
// Paths in the port table are the system's paths; the inventory reads them below root, which
// is "/" except in tests. Scanning happens once, at construction: one opening of the settings
// dialog sees one consistent picture.
#include "Registry.h"

#include <QString>
#include <vector>

namespace platform {

// The words a port's friendly name is made of, in the program's language.
struct PortWords {
    QString serialPort = QStringLiteral("Serial port");       // a UART of the machine itself
    QString systemConsole = QStringLiteral("system console"); // the kernel's active console
};

// Whether devicePath (links resolved below root) is a tty the kernel writes its console to
// (<root>/sys/class/tty/console/active): opening it would talk to the machine itself.
bool isSystemConsole(const QString &devicePath, const QString &root = QStringLiteral("/"));

// The device COMn means, when that is the system console and the port table does not name it
// (so nobody chose it); empty otherwise.
QString unchosenConsolePath(int portNumber, const QString &portsIni,
                            const QString &root = QStringLiteral("/"));

struct InventoryPort {
    int number = 0;       // the COM number, 1..256
    QString kernelName;   // "ttyUSB0"; empty for a path known from the port table only
    QString devicePath;   // system path of the device node, or the port table's path
    QString byIdPath;     // system path below /dev/serial/by-id, or empty
    // "FT232R USB UART (ttyUSB0)", "Serial port 16550A (ttyS0, system console)", or the port
    // table's path
    QString friendlyName;
    QString instancePath; // the enumerator's name for it
    bool systemConsole = false;
};

class PortInventory final : public Registry {
public:
    PortInventory(const QString &root, const QString &portsIni, const PortWords &words = {});

    // Ascending by number.
    const std::vector<InventoryPort> &ports() const { return m_ports; }

    std::optional<RegistryValue> query(RegistryRoot root, const QString &keyPath,
                                       const QString &valueName) const override;

private:
    void present();

    std::vector<InventoryPort> m_ports;
    MemoryRegistry m_view;
};

} // namespace platform
