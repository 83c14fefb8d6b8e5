// The Linux port inventory over a fake /sys and /dev: which ports count, which numbers they
// get and keep, what the port table learns, and how it all reads as enumerator entries.
#include "TestFiles.h"
#include "FakeSystemTree.h"
#include "PortDiscovery.h"
#include "PortInventory.h"
#include "ProfileFile.h"
#include "ScriptedDialogs.h"

#include <QtTest>

using platform::InventoryPort;
using platform::PortInventory;

namespace {

const QString kFtdiById = QStringLiteral("usb-FTDI_FT232R_USB_UART_A1B2C3D4-if00-port0");
const QString kFtdiByIdPath = QStringLiteral("/dev/serial/by-id/") + kFtdiById;

FakeSystemTree::Usb ftdi(const QString &kernelName, const QString &usbPort = QStringLiteral("1-2"))
{
    return {kernelName, usbPort, QStringLiteral("FT232R USB UART"), QStringLiteral("ftdi_sio"),
            kFtdiById, false};
}

// "COM3 FT232R USB UART (ttyUSB0)" per port, in inventory order.
QStringList summary(const PortInventory &inventory)
{
    QStringList lines;
    for (const InventoryPort &port : inventory.ports())
        lines << QStringLiteral("COM%1 %2").arg(port.number).arg(port.friendlyName);
    return lines;
}

QString tableEntry(const QString &ini, int number)
{
    return platform::readProfileString(QStringLiteral("PORTS"), QStringLiteral("COM%1").arg(number),
                                       QString(), ini, 4096);
}

} // namespace

class TestPortInventory : public QObject {
    Q_OBJECT
    std::unique_ptr<FakeSystemTree> tree;
    QString ini;

    void writeTable(const QByteArray &content)
    {
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

private slots:
    void init()
    {
        tree = std::make_unique<FakeSystemTree>();
        QVERIFY(tree->isValid());
        tree->makeDir(QStringLiteral("/etc/tellurix"));
        ini = tree->file(QStringLiteral("/etc/tellurix/Ports.ini"));
    }
    void cleanup() { tree.reset(); }

    void uartsWithHardwareOnly()
    {
        tree->addUart(0, 4);
        tree->addUart(1, 0);
        tree->addUart(2, 16);
        tree->addUart(10, 4);
        tree->addVirtualTty(QStringLiteral("tty0"));
        tree->addVirtualTty(QStringLiteral("console"));
        QVERIFY(tree->isValid());
        const PortInventory inventory(tree->root(), ini);
        QCOMPARE(summary(inventory), QStringList({"COM1 Serial port 16550A (ttyS0)", "COM3 Serial port (ttyS2)",
                                                  "COM11 Serial port 16550A (ttyS10)"}));
        QCOMPARE(inventory.ports().at(0).devicePath, QStringLiteral("/dev/ttyS0"));
        // Numbers that follow the kernel's own need no entry in the table.
        QVERIFY(!QFileInfo::exists(ini));
    }

    void ttyWithoutTypeAttributeCounts()
    {
        tree->addUart(0, 4);
        const QString classDir = QStringLiteral("/sys/devices/platform/fe201000.serial/tty/ttyAMA0");
        tree->makeDir(classDir);
        tree->relativeLink(classDir + QStringLiteral("/device"), QStringLiteral("../.."));
        tree->linkTo(QStringLiteral("/sys/class/tty/ttyAMA0"), classDir);
        tree->writeText(QStringLiteral("/dev/ttyAMA0"), QString());
        QVERIFY(tree->isValid());
        const PortInventory inventory(tree->root(), ini);
        QCOMPARE(summary(inventory), QStringList({"COM1 Serial port 16550A (ttyS0)", "COM2 Serial port (ttyAMA0)"}));
        QCOMPARE(tableEntry(ini, 2), QStringLiteral("/dev/ttyAMA0"));
    }

    void usbAdapterGetsLowestFreeNumber()
    {
        tree->addUart(0, 4);
        tree->addUart(1, 0); // no UART: COM2 is free
        tree->addUsb(ftdi(QStringLiteral("ttyUSB0")));
        // COM3 is taken by the table even though its device is absent today.
        writeTable("[PORTS]\r\nCOM3=/dev/ttyUSB7\r\n");
        QVERIFY(tree->isValid());
        const PortInventory inventory(tree->root(), ini);
        QCOMPARE(summary(inventory),
                 QStringList({"COM1 Serial port 16550A (ttyS0)", "COM2 FT232R USB UART (ttyUSB0)"}));
        const InventoryPort &usb = inventory.ports().at(1);
        QCOMPARE(usb.kernelName, QStringLiteral("ttyUSB0"));
        QCOMPARE(usb.byIdPath, kFtdiByIdPath);
        QCOMPARE(tableEntry(ini, 2), kFtdiByIdPath);
        QCOMPARE(readFile(ini), QByteArray("[PORTS]\r\nCOM3=/dev/ttyUSB7\r\nCOM2=") + kFtdiByIdPath.toUtf8()
                                   + "\r\n");
    }

    void numbersSkipPresentUartsAndTableEntries()
    {
        tree->addUart(0, 4);
        tree->addUart(1, 4);
        tree->addUsb(ftdi(QStringLiteral("ttyUSB0")));
        tree->addUsb({QStringLiteral("ttyACM0"), QStringLiteral("1-3"), QStringLiteral("Arduino Uno"),
                      QStringLiteral("cdc_acm"), QStringLiteral("usb-Arduino_Uno_7563-if00"), true});
        writeTable("[PORTS]\r\nCOM3=/dev/pts/99\r\n");
        QVERIFY(tree->isValid());
        const PortInventory inventory(tree->root(), ini);
        // Kernel-name order decides who is numbered first: ttyACM0 before ttyUSB0.
        QCOMPARE(summary(inventory),
                 QStringList({"COM1 Serial port 16550A (ttyS0)", "COM2 Serial port 16550A (ttyS1)",
                              "COM4 Arduino Uno (ttyACM0)", "COM5 FT232R USB UART (ttyUSB0)"}));
        QCOMPARE(tableEntry(ini, 4), QStringLiteral("/dev/serial/by-id/usb-Arduino_Uno_7563-if00"));
        QCOMPARE(tableEntry(ini, 5), kFtdiByIdPath);
    }

    void adapterKeepsItsNumberUnderAnotherKernelName()
    {
        tree->addUart(0, 4);
        tree->addUsb(ftdi(QStringLiteral("ttyUSB0")));
        QVERIFY(tree->isValid());
        {
            const PortInventory first(tree->root(), ini);
            QCOMPARE(summary(first), QStringList({"COM1 Serial port 16550A (ttyS0)", "COM2 FT232R USB UART (ttyUSB0)"}));
        }
        const QByteArray tableAfterFirst = readFile(ini);

        // Plugged into another socket while a second adapter holds ttyUSB0.
        tree->unplug(QStringLiteral("ttyUSB0"), kFtdiById);
        tree->addUsb({QStringLiteral("ttyUSB0"), QStringLiteral("1-4"), QStringLiteral("CP2102 USB to UART Bridge Controller"),
                      QStringLiteral("cp210x"), QStringLiteral("usb-Silicon_Labs_CP2102_0001-if00-port0"), false});
        tree->addUsb(ftdi(QStringLiteral("ttyUSB1"), QStringLiteral("1-5")));
        QVERIFY(tree->isValid());
        const PortInventory second(tree->root(), ini);
        QCOMPARE(summary(second), QStringList({"COM1 Serial port 16550A (ttyS0)",
                                               "COM2 FT232R USB UART (ttyUSB1)",
                                               "COM3 CP2102 USB to UART Bridge Controller (ttyUSB0)"}));
        QCOMPARE(tableEntry(ini, 2), kFtdiByIdPath);
        QCOMPARE(tableEntry(ini, 3), QStringLiteral("/dev/serial/by-id/usb-Silicon_Labs_CP2102_0001-if00-port0"));
        QVERIFY(readFile(ini).startsWith(tableAfterFirst));

        // A third look changes nothing.
        const PortInventory third(tree->root(), ini);
        QCOMPARE(summary(third), summary(second));
    }

    void vanishedDeviceIsNotListedAndKeepsItsNumber()
    {
        tree->addUsb(ftdi(QStringLiteral("ttyUSB0")));
        QVERIFY(tree->isValid());
        {
            const PortInventory first(tree->root(), ini);
            QCOMPARE(summary(first), QStringList({"COM1 FT232R USB UART (ttyUSB0)"}));
        }
        tree->unplug(QStringLiteral("ttyUSB0"), kFtdiById);
        {
            const PortInventory second(tree->root(), ini);
            QCOMPARE(summary(second), QStringList());
            QCOMPARE(second.ports().size(), std::size_t(0));
        }
        // Another adapter does not take the absent one's number.
        tree->addUsb({QStringLiteral("ttyUSB0"), QStringLiteral("1-6"), QString(), QStringLiteral("pl2303"),
                      QStringLiteral("usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0"), false});
        const PortInventory third(tree->root(), ini);
        QCOMPARE(summary(third), QStringList({"COM2 pl2303 (ttyUSB0)"}));
        QCOMPARE(tableEntry(ini, 1), kFtdiByIdPath);
    }

    void adapterWithoutByIdIsRecordedByNode()
    {
        tree->addUsb({QStringLiteral("ttyACM0"), QStringLiteral("1-1"), QString(), QString(), QString(), true});
        QVERIFY(tree->isValid());
        const PortInventory inventory(tree->root(), ini);
        QCOMPARE(summary(inventory), QStringList({"COM1 Serial port (ttyACM0)"}));
        QCOMPARE(inventory.ports().at(0).byIdPath, QString());
        QCOMPARE(tableEntry(ini, 1), QStringLiteral("/dev/ttyACM0"));
    }

    void friendlyName_data()
    {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("expected");
        QTest::newRow("product") << "FT232R USB UART" << "ftdi_sio" << "FT232R USB UART (ttyUSB0)";
        QTest::newRow("product with blanks around") << "  USB-Serial  " << "" << "USB-Serial (ttyUSB0)";
        QTest::newRow("driver, not the hub's product") << "" << "ftdi_sio" << "ftdi_sio (ttyUSB0)";
        QTest::newRow("neither") << "" << "" << "Serial port (ttyUSB0)";
    }
    void friendlyName()
    {
        QFETCH(QString, product);
        QFETCH(QString, driver);
        QFETCH(QString, expected);
        tree->addUsb({QStringLiteral("ttyUSB0"), QStringLiteral("3-1"), product, driver, QString(), false});
        QVERIFY(tree->isValid());
        const PortInventory inventory(tree->root(), ini);
        QCOMPARE(inventory.ports().size(), std::size_t(1));
        QCOMPARE(inventory.ports().at(0).friendlyName, expected);
    }

    void tableEntriesNameTheirNumber()
    {
        tree->addUart(0, 4);
        tree->addUsb(ftdi(QStringLiteral("ttyUSB0")));
        tree->addUsb({QStringLiteral("ttyUSB1"), QStringLiteral("1-3"), QStringLiteral("CP2102"),
                      QStringLiteral("cp210x"), QString(), false});
        // By by-id path, by node path (links resolved), and twice for one device.
        writeTable("[PORTS]\r\nCOM9=" + kFtdiByIdPath.toUtf8() + "\r\nCOM7=/dev/ttyUSB1\r\n"
                   "COM12=/dev/ttyUSB1\r\nCOM4=ttyS0\r\n");
        QVERIFY(tree->isValid());
        const QByteArray before = readFile(ini);
        const PortInventory inventory(tree->root(), ini);
        QCOMPARE(summary(inventory), QStringList({"COM4 Serial port 16550A (ttyS0)", "COM7 CP2102 (ttyUSB1)",
                                                  "COM9 FT232R USB UART (ttyUSB0)"}));
        QCOMPARE(readFile(ini), before);
    }

    void uartNumberTakenByTheTable()
    {
        tree->addUart(0, 4);
        tree->writeText(QStringLiteral("/dev/pts/3"), QString());
        writeTable("[PORTS]\r\nCOM1=/dev/pts/3\r\n");
        QVERIFY(tree->isValid());
        const PortInventory inventory(tree->root(), ini);
        QCOMPARE(summary(inventory), QStringList({"COM1 /dev/pts/3", "COM2 Serial port 16550A (ttyS0)"}));
        QCOMPARE(tableEntry(ini, 2), QStringLiteral("/dev/ttyS0"));
    }

    void adapterLeftOutWhenItsNumberCannotBeRecorded()
    {
        tree->addUart(0, 4);
        tree->addUsb(ftdi(QStringLiteral("ttyUSB0")));
        QVERIFY(tree->isValid());
        const QString unwritable = tree->file(QStringLiteral("/no-such-folder/Ports.ini"));
        const PortInventory inventory(tree->root(), unwritable);
        QCOMPARE(summary(inventory), QStringList({"COM1 Serial port 16550A (ttyS0)"}));
    }

    void tableDevicesThatExistAreListed()
    {
        tree->writeText(QStringLiteral("/dev/pts/7"), QString());
        tree->relativeLink(QStringLiteral("/dev/simulator"), QStringLiteral("pts/7"));
        tree->writeText(QStringLiteral("/dev/ttyV0"), QString());
        writeTable("[PORTS]\r\nCOM5=/dev/pts/7\r\nCOM6=/dev/pts/9\r\nCOM8=/dev/simulator\r\n"
                   "COM2=ttyV0\r\nCOM300=/dev/pts/7\r\n");
        QVERIFY(tree->isValid());
        const PortInventory inventory(tree->root(), ini);
        // pts/9 does not exist; the link to pts/7 is the same device as COM5.
        QCOMPARE(summary(inventory), QStringList({"COM2 ttyV0", "COM5 /dev/pts/7"}));
        QCOMPARE(inventory.ports().at(1).devicePath, QStringLiteral("/dev/pts/7"));
        QCOMPARE(inventory.ports().at(1).kernelName, QString());
    }

    void deviceWithoutPermissionIsStillListed()
    {
        tree->writeText(QStringLiteral("/dev/ttyLocked"), QString());
        QVERIFY(QFile::setPermissions(tree->file(QStringLiteral("/dev/ttyLocked")), QFileDevice::Permissions()));
        writeTable("[PORTS]\r\nCOM4=/dev/ttyLocked\r\n");
        const PortInventory inventory(tree->root(), ini);
        QCOMPARE(summary(inventory), QStringList({"COM4 /dev/ttyLocked"}));
    }

    void emptySystem()
    {
        const PortInventory inventory(tree->root(), ini);
        QCOMPARE(inventory.ports().size(), std::size_t(0));
        QCOMPARE(fkt_ToolsGetSerialPorts(inventory), QStringLiteral("0"));
        QVERIFY(!QFileInfo::exists(ini));
    }

    void readsAsEnumeratorEntries()
    {
        ScriptedDialogs dialogs;
        tree->addUart(0, 4);
        tree->addUsb(ftdi(QStringLiteral("ttyUSB0")));
        tree->writeText(QStringLiteral("/dev/pts/4"), QString());
        writeTable("[PORTS]\r\nCOM7=/dev/pts/4\r\n");
        QVERIFY(tree->isValid());
        const PortInventory inventory(tree->root(), ini);
        const QChar etx(3);
        QCOMPARE(fkt_ToolsGetSerialPorts(inventory),
                 QStringList({"3", "1", "Serial port 16550A (ttyS0)", "2", "FT232R USB UART (ttyUSB0)", "7",
                              "/dev/pts/4"})
                     .join(etx));

        const auto count = inventory.query(platform::RegistryRoot::LocalMachine,
                                           platform::kSerialEnumeratorKey, QStringLiteral("Count"));
        QVERIFY(count);
        QCOMPARE(count->type, quint32(platform::RegNumber));
        QCOMPARE(count->data, platform::registryNumberBytes(3));
        const QString instance = fkt_RegistryReadString(inventory, platform::RegistryRoot::LocalMachine,
                                                        platform::kSerialEnumeratorKey, QStringLiteral("1"));
        QCOMPARE(instance, inventory.ports().at(1).instancePath);
        QCOMPARE(fkt_RegistryReadString(inventory, platform::RegistryRoot::LocalMachine,
                                        platform::kDeviceEnumKeyPrefix + instance + platform::kDeviceParametersKey,
                                        QStringLiteral("PortName")),
                 QStringLiteral("COM2"));
        QVERIFY(!inventory.query(platform::RegistryRoot::LocalMachine, platform::kSerialEnumeratorKey,
                                 QStringLiteral("3")));
        QCOMPARE(dialogs.shown.size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPortInventory)
#include "tst_portinventory.moc"
