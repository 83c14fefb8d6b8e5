#include "PortInventory.h"

#include "PortTable.h"
#include "ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <optional>
#include <set>

namespace platform {

namespace {

constexpr int kHighestPort = 256;       // the serial layer takes COM1..COM256
constexpr int kPathBufferSize = 4096;   // by-id paths are long
constexpr int kParentSearchDepth = 8;   // tty → port → interface → USB device, with margin
constexpr qint64 kAttributeMaxBytes = 4096;

const QString kPortsSection = QStringLiteral("PORTS");

class Tree {
public:
    explicit Tree(const QString &root) : m_root(QDir::cleanPath(root)) {}

    // The file a system path means below the root.
    QString file(const QString &systemPath) const
    {
        if (m_root == QLatin1String("/"))
            return QDir::cleanPath(systemPath);
        return QDir::cleanPath(m_root + QLatin1Char('/') + systemPath);
    }

    // Where the path finally leads, every link resolved; empty when nothing is there.
    QString resolved(const QString &systemPath) const
    {
        return QFileInfo(file(systemPath)).canonicalFilePath();
    }

private:
    QString m_root;
};

// A port-table entry as the serial layer reads it: a bare name means a node in /dev.
QString entrySystemPath(const QString &entry)
{
    if (entry.startsWith(QLatin1Char('/')) || entry.startsWith(QLatin1String("./"))
        || entry.startsWith(QLatin1String("../")))
        return entry;
    return QStringLiteral("/dev/") + entry;
}

struct TableEntry {
    int number = 0;
    QString path;     // as written in the table
    QString identity; // the resolved file, empty when it does not exist
    bool claimed = false;
};

std::vector<TableEntry> readPortTable(const Tree &tree, const QString &portsIni)
{
    std::vector<TableEntry> entries;
    if (!QFileInfo::exists(portsIni))
        return entries;
    for (int n = 1; n <= kHighestPort; ++n) {
        const QString value = readProfileString(kPortsSection, QStringLiteral("COM%1").arg(n),
                                                QString(), portsIni, kPathBufferSize);
        if (value.isEmpty())
            continue;
        const QString systemPath = entrySystemPath(value);
        const bool relative = !systemPath.startsWith(QLatin1Char('/'));
        const QString identity = relative ? QFileInfo(systemPath).canonicalFilePath()
                                          : tree.resolved(systemPath);
        entries.push_back({n, value, identity, false});
    }
    return entries;
}

QString readAttribute(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.read(kAttributeMaxBytes)).trimmed();
}

QStringList activeConsoles(const Tree &tree)
{
    return readAttribute(tree.file(QStringLiteral("/sys/class/tty/console/active")))
        .split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// ttyS0, ttyS1, ..., ttyS10, ttyUSB0: names with a number end in the order of that number.
struct KernelNameOrder {
    static std::pair<QString, qint64> split(const QString &name)
    {
        qsizetype digits = name.size();
        while (digits > 0 && name.at(digits - 1).isDigit())
            --digits;
        const qint64 number = digits < name.size() ? name.mid(digits).toLongLong() : -1;
        return {name.left(digits), number};
    }
    bool operator()(const QString &a, const QString &b) const
    {
        const auto [prefixA, numberA] = split(a);
        const auto [prefixB, numberB] = split(b);
        if (prefixA != prefixB)
            return prefixA < prefixB;
        if (numberA != numberB)
            return numberA < numberB;
        return a < b;
    }
};

struct TtyDevice {
    QString kernelName;
    QString identity;   // the resolved /dev node, or its unresolved file when it is missing
    QString deviceDir;  // the resolved sysfs device directory
    QString byIdPath;
    QString classDir;   // below /sys/class/tty
    bool systemConsole = false;
    int number = 0;
};

std::optional<int> serialUartIndex(const QString &kernelName)
{
    static const QRegularExpression pattern(QStringLiteral("^ttyS(\\d{1,3})$"));
    const QRegularExpressionMatch match = pattern.match(kernelName);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt();
}

bool hasRealDevice(const QString &classDir)
{
    if (!QFileInfo(classDir + QStringLiteral("/device")).exists())
        return false;
    // Serial-core ports tell whether hardware answered; others have no such attribute.
    const QString typeFile = classDir + QStringLiteral("/type");
    if (!QFileInfo::exists(typeFile))
        return true;
    const QString type = readAttribute(typeFile);
    return type != QLatin1String("0");
}

// Resolved node → its first /dev/serial/by-id name, in name order.
std::vector<std::pair<QString, QString>> readByIdLinks(const Tree &tree)
{
    std::vector<std::pair<QString, QString>> links;
    const QString folder = QStringLiteral("/dev/serial/by-id");
    const QStringList names =
        QDir(tree.file(folder)).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                                          QDir::Name);
    for (const QString &name : names) {
        const QString systemPath = folder + QLatin1Char('/') + name;
        const QString target = tree.resolved(systemPath);
        if (target.isEmpty())
            continue;
        const bool known = std::any_of(links.begin(), links.end(),
                                       [&](const auto &link) { return link.first == target; });
        if (!known)
            links.emplace_back(target, systemPath);
    }
    return links;
}

std::vector<TtyDevice> readTtyDevices(const Tree &tree)
{
    const QString classFolder = tree.file(QStringLiteral("/sys/class/tty"));
    QStringList names =
        QDir(classFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    std::sort(names.begin(), names.end(), KernelNameOrder());
    const auto byId = readByIdLinks(tree);
    const QStringList consoles = activeConsoles(tree);

    std::vector<TtyDevice> devices;
    for (const QString &name : names) {
        const QString classDir = classFolder + QLatin1Char('/') + name;
        if (!hasRealDevice(classDir))
            continue;
        TtyDevice device;
        device.kernelName = name;
        device.classDir = classDir;
        device.systemConsole = consoles.contains(name);
        const QString node = QStringLiteral("/dev/") + name;
        device.identity = tree.resolved(node);
        if (device.identity.isEmpty())
            device.identity = tree.file(node);
        device.deviceDir = QFileInfo(classDir + QStringLiteral("/device")).canonicalFilePath();
        const auto link = std::find_if(byId.begin(), byId.end(), [&](const auto &entry) {
            return entry.first == device.identity;
        });
        if (link != byId.end())
            device.byIdPath = link->second;
        devices.push_back(device);
    }
    return devices;
}

// The product string of the USB device the tty hangs off (empty when it has none); nothing
// when the tty is no USB device.
std::optional<QString> usbProduct(const Tree &tree, const QString &deviceDir)
{
    const QString sysRoot = QFileInfo(tree.file(QStringLiteral("/sys"))).canonicalFilePath();
    QDir dir(deviceDir);
    for (int depth = 0; depth < kParentSearchDepth; ++depth) {
        const QString path = dir.absolutePath();
        if (sysRoot.isEmpty() || !path.startsWith(sysRoot + QLatin1Char('/')))
            break;
        // The first USB device upwards is the adapter itself; a hub further up is not.
        if (QFileInfo::exists(dir.filePath(QStringLiteral("idVendor"))))
            return readAttribute(dir.filePath(QStringLiteral("product")));
        if (!dir.cdUp())
            break;
    }
    return std::nullopt;
}

QString driverName(const QString &deviceDir)
{
    const QString driver = QFileInfo(deviceDir + QStringLiteral("/driver")).canonicalFilePath();
    return driver.isEmpty() ? QString() : QFileInfo(driver).fileName();
}

// The UART the kernel found, by the number in the tty's "type" attribute; empty if unknown.
QString uartTypeName(const QString &classDir)
{
    static const QStringList names{QString(),           QStringLiteral("8250"),
                                   QStringLiteral("16450"), QStringLiteral("16550"),
                                   QStringLiteral("16550A"), QStringLiteral("Cirrus"),
                                   QStringLiteral("ST16650"), QStringLiteral("ST16650V2"),
                                   QStringLiteral("TI16750"), QStringLiteral("Startech"),
                                   QStringLiteral("16C950"), QStringLiteral("16654"),
                                   QStringLiteral("16850")};
    bool isNumber = false;
    const int type = readAttribute(classDir + QStringLiteral("/type")).toInt(&isNumber);
    return isNumber && type > 0 && type < names.size() ? names.at(type) : QString();
}

// A USB adapter by its product (or its driver); a UART of the machine itself by what it is,
// not by the kernel's driver name ("port", "serial8250" say nothing to a user).
QString friendlyName(const Tree &tree, const TtyDevice &device, const PortWords &words)
{
    QString name;
    if (const std::optional<QString> product = usbProduct(tree, device.deviceDir)) {
        name = !product->isEmpty() ? *product : driverName(device.deviceDir);
        if (name.isEmpty())
            name = words.serialPort;
    } else {
        const QString type = uartTypeName(device.classDir);
        name = type.isEmpty() ? words.serialPort : words.serialPort + QLatin1Char(' ') + type;
    }
    QString detail = device.kernelName;
    if (device.systemConsole)
        detail += QStringLiteral(", ") + words.systemConsole;
    return name + QStringLiteral(" (") + detail + QLatin1Char(')');
}

class Numbering {
public:
    explicit Numbering(std::vector<TableEntry> &entries) : m_entries(entries)
    {
        for (const TableEntry &entry : entries)
            m_used.insert(entry.number);
    }

    void fromTable(TtyDevice &device)
    {
        for (TableEntry &entry : m_entries) {
            if (!entry.identity.isEmpty() && entry.identity == device.identity) {
                if (device.number == 0)
                    device.number = entry.number;
                entry.claimed = true;
            }
        }
    }

    void fromUartIndex(TtyDevice &device)
    {
        const std::optional<int> index = serialUartIndex(device.kernelName);
        if (device.number != 0 || !index)
            return;
        const int number = *index + 1;
        if (number <= kHighestPort && !m_used.contains(number)) {
            device.number = number;
            m_used.insert(number);
        }
    }

    // 0 when every number is taken.
    int lowestFree()
    {
        for (int n = 1; n <= kHighestPort; ++n) {
            if (!m_used.contains(n)) {
                m_used.insert(n);
                return n;
            }
        }
        return 0;
    }

private:
    std::vector<TableEntry> &m_entries;
    std::set<int> m_used;
};

} // namespace

bool isSystemConsole(const QString &devicePath, const QString &root)
{
    if (devicePath.isEmpty())
        return false;
    const Tree tree(root);
    const QString resolved = tree.resolved(devicePath);
    const QString name = QFileInfo(resolved.isEmpty() ? devicePath : resolved).fileName();
    return activeConsoles(tree).contains(name);
}

QString unchosenConsolePath(int portNumber, const QString &portsIni, const QString &root)
{
    if (portTableNames(portNumber, portsIni))
        return QString();
    const QString path = devicePathForPort(portNumber, portsIni);
    return isSystemConsole(path, root) ? path : QString();
}

PortInventory::PortInventory(const QString &root, const QString &portsIni, const PortWords &words)
{
    const Tree tree(root);
    std::vector<TableEntry> entries = readPortTable(tree, portsIni);
    std::vector<TtyDevice> devices = readTtyDevices(tree);

    Numbering numbering(entries);
    for (TtyDevice &device : devices)
        numbering.fromTable(device);
    for (TtyDevice &device : devices)
        numbering.fromUartIndex(device);
    for (TtyDevice &device : devices) {
        if (device.number != 0)
            continue;
        device.number = numbering.lowestFree();
        if (device.number == 0)
            continue;
        const QString path = device.byIdPath.isEmpty()
                                 ? QStringLiteral("/dev/") + device.kernelName
                                 : device.byIdPath;
        // A number the table does not hold would lead the serial layer to /dev/ttyS(n-1):
        // without it, the port is better not offered at all.
        if (!writeProfileString(kPortsSection, QStringLiteral("COM%1").arg(device.number), path,
                                portsIni))
            device.number = 0;
    }

    std::set<QString> listed;
    for (const TtyDevice &device : devices) {
        if (device.number == 0)
            continue;
        listed.insert(device.identity);
        m_ports.push_back({device.number, device.kernelName,
                           QStringLiteral("/dev/") + device.kernelName, device.byIdPath,
                           friendlyName(tree, device, words),
                           QStringLiteral("TTY\\") + device.kernelName, device.systemConsole});
    }
    for (const TableEntry &entry : entries) {
        if (entry.claimed || entry.identity.isEmpty() || listed.contains(entry.identity))
            continue;
        listed.insert(entry.identity);
        m_ports.push_back({entry.number, QString(), entry.path, QString(), entry.path,
                           QStringLiteral("PORTS\\COM%1").arg(entry.number), false});
    }
    std::sort(m_ports.begin(), m_ports.end(),
              [](const InventoryPort &a, const InventoryPort &b) { return a.number < b.number; });
    present();
}

void PortInventory::present()
{
    m_view.setNumber(kSerialEnumeratorKey, QStringLiteral("Count"), quint32(m_ports.size()));
    for (std::size_t i = 0; i < m_ports.size(); ++i) {
        const InventoryPort &port = m_ports[i];
        const QString deviceKey = kDeviceEnumKeyPrefix + port.instancePath;
        m_view.setText(kSerialEnumeratorKey, QString::number(i), port.instancePath);
        m_view.setText(deviceKey, QStringLiteral("FriendlyName"), port.friendlyName);
        m_view.setText(deviceKey + kDeviceParametersKey, QStringLiteral("PortName"),
                       QStringLiteral("COM%1").arg(port.number));
    }
}

std::optional<RegistryValue> PortInventory::query(RegistryRoot root, const QString &keyPath,
                                                  const QString &valueName) const
{
    return m_view.query(root, keyPath, valueName);
}

} // namespace platform
