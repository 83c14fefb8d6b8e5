#pragma once
// A miniature of the parts of a Linux system the port inventory reads, in a temporary folder:
// /sys/class/tty links into /sys/devices, /dev nodes (plain files) and /dev/serial/by-id
// links, laid out as the kernel and udev lay them out.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

class FakeSystemTree {
public:
    FakeSystemTree() { m_ok = m_dir.isValid(); }

    bool isValid() const { return m_ok; }
    QString root() const { return m_dir.path(); }
    QString file(const QString &systemPath) const { return m_dir.path() + systemPath; }

    // An on-board UART ttyS<index>; type 0 is what the kernel reports without hardware.
    void addUart(int index, int type)
    {
        const QString name = QStringLiteral("ttyS%1").arg(index);
        const QString port = QStringLiteral("/sys/devices/platform/serial8250");
        if (!QFileInfo::exists(file(port))) {
            const QString driver = QStringLiteral("/sys/bus/platform/drivers/serial8250");
            makeDir(driver);
            makeDir(port);
            linkTo(port + QStringLiteral("/driver"), driver);
        }
        const QString classDir = port + QStringLiteral("/tty/") + name;
        makeDir(classDir);
        writeText(classDir + QStringLiteral("/type"), QString::number(type) + QLatin1Char('\n'));
        linkTo(classDir + QStringLiteral("/device"), port);
        linkTo(QStringLiteral("/sys/class/tty/") + name, classDir);
        writeText(QStringLiteral("/dev/") + name, QString());
    }

    struct Usb {
        QString kernelName;  // ttyUSB0, ttyACM0
        QString usbPort;     // where it is plugged in, "1-2"
        QString product;     // empty: the device has no product string
        QString driver;      // empty: no driver bound
        QString byId;        // empty: udev made no by-id link
        bool acm = false;    // the tty hangs off the interface itself
    };

    void addUsb(const Usb &usb)
    {
        // The host controller's root hub has a product string of its own; it must not be taken.
        const QString hub = QStringLiteral("/sys/devices/pci0000:00/0000:00:14.0/usb1");
        makeDir(hub);
        writeText(hub + QStringLiteral("/idVendor"), QStringLiteral("1d6b\n"));
        writeText(hub + QStringLiteral("/product"), QStringLiteral("xHCI Host Controller\n"));
        const QString device = hub + QLatin1Char('/') + usb.usbPort;
        makeDir(device);
        writeText(device + QStringLiteral("/idVendor"), QStringLiteral("0403\n"));
        if (!usb.product.isEmpty())
            writeText(device + QStringLiteral("/product"), usb.product + QLatin1Char('\n'));
        const QString interface = device + QLatin1Char('/') + usb.usbPort + QStringLiteral(":1.0");
        makeDir(interface);
        QString ttyDevice = interface;
        if (!usb.acm) {
            ttyDevice = interface + QLatin1Char('/') + usb.kernelName;
            makeDir(ttyDevice);
        }
        if (!usb.driver.isEmpty()) {
            const QString driver = QStringLiteral("/sys/bus/usb-serial/drivers/") + usb.driver;
            makeDir(driver);
            linkTo(ttyDevice + QStringLiteral("/driver"), driver);
        }
        const QString classDir = ttyDevice + QStringLiteral("/tty/") + usb.kernelName;
        makeDir(classDir);
        relativeLink(classDir + QStringLiteral("/device"), QStringLiteral("../.."));
        linkTo(QStringLiteral("/sys/class/tty/") + usb.kernelName, classDir);
        writeText(QStringLiteral("/dev/") + usb.kernelName, QString());
        if (!usb.byId.isEmpty()) {
            makeDir(QStringLiteral("/dev/serial/by-id"));
            relativeLink(QStringLiteral("/dev/serial/by-id/") + usb.byId,
                         QStringLiteral("../../") + usb.kernelName);
        }
    }

    // A tty without hardware behind it, such as a virtual console.
    void addVirtualTty(const QString &name)
    {
        const QString classDir = QStringLiteral("/sys/devices/virtual/tty/") + name;
        makeDir(classDir);
        linkTo(QStringLiteral("/sys/class/tty/") + name, classDir);
        writeText(QStringLiteral("/dev/") + name, QString());
    }

    // Unplugging: the class link, the node and the by-id link go.
    void unplug(const QString &kernelName, const QString &byId = QString())
    {
        QFile::remove(file(QStringLiteral("/sys/class/tty/") + kernelName));
        QFile::remove(file(QStringLiteral("/dev/") + kernelName));
        if (!byId.isEmpty())
            QFile::remove(file(QStringLiteral("/dev/serial/by-id/") + byId));
    }

    void writeText(const QString &systemPath, const QString &text)
    {
        makeDir(systemPath.section(QLatin1Char('/'), 0, -2));
        QFile f(file(systemPath));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            m_ok = false;
        f.write(text.toUtf8());
    }

    // A link inside the tree to another place inside the tree.
    void linkTo(const QString &systemPath, const QString &systemTarget)
    {
        makeDir(systemPath.section(QLatin1Char('/'), 0, -2));
        if (!QFile::link(file(systemTarget), file(systemPath)))
            m_ok = false;
    }

    // A link whose target is given as it stands (relative, or a path outside the tree).
    void relativeLink(const QString &systemPath, const QString &target)
    {
        makeDir(systemPath.section(QLatin1Char('/'), 0, -2));
        if (!QFile::link(target, file(systemPath)))
            m_ok = false;
    }

    void makeDir(const QString &systemPath)
    {
        if (!QDir().mkpath(file(systemPath)))
            m_ok = false;
    }

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
};
