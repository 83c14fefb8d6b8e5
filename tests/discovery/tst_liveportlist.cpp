// The settings dialog's port list while it is open: adapters plugged in and out of a fake
// system tree show up and go, the selected port stays selected while it is there, and a port
// another program's lock file names is marked while the lock is there.
#include "FakeSystemTree.h"
#include "LivePortList.h"
#include "MainProgram.h"
#include "PortHolders.h"
#include "Pty.h"
#include "TestProgram.h"
#include "frmMain.h"
#include "frmSettings.h"

#include <QAction>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <unistd.h>

namespace {

QStringList items(const QComboBox *box)
{
    QStringList result;
    for (int i = 0; i < box->count(); ++i)
        result << box->itemText(i);
    return result;
}

FakeSystemTree::Usb adapter(const QString &kernelName, const QString &usbPort, const QString &serial)
{
    return {kernelName, usbPort, QStringLiteral("FT232R USB UART"), QStringLiteral("ftdi_sio"),
            QStringLiteral("usb-FTDI_FT232R_USB_UART_") + serial + QStringLiteral("-if00-port0"), false};
}

QPointer<frmSettings> openDialog(TestProgram &p)
{
    p.form().mnuEditSettings->trigger();
    return p.form().findChild<frmSettings *>();
}

constexpr int kGenerousMs = 10000; // only ends a broken test; nothing is timed

} // namespace

class TestLivePortList : public QObject {
    Q_OBJECT

private slots:
    void adaptersComeAndGoWhileTheSelectionStays()
    {
        FakeSystemTree tree;
        tree.addUsb(adapter(QStringLiteral("ttyUSB0"), QStringLiteral("1-1"), QStringLiteral("A1")));
        QVERIFY(tree.isValid());
        TestProgram p;
        p.mapAbsent(1);
        p.setInventoryRoot(tree.root());
        QVERIFY(p.start());
        const QPointer<frmSettings> dialog = openDialog(p);
        QVERIFY(dialog);
        QCOMPARE(dialog->cboPcPort->count(), 1);
        const QString first = dialog->cboPcPort->itemText(0);
        QVERIFY2(first.endsWith(QStringLiteral("FT232R USB UART (ttyUSB0)")), qPrintable(first));
        dialog->cboPcPort->setCurrentIndex(0);

        tree.addUsb(adapter(QStringLiteral("ttyUSB1"), QStringLiteral("1-2"), QStringLiteral("B2")));
        QTRY_COMPARE_WITH_TIMEOUT(dialog->cboPcPort->count(), 2, kGenerousMs);
        QVERIFY(dialog->cboPcPort->itemText(1).endsWith(QStringLiteral("(ttyUSB1)")));
        QCOMPARE(dialog->cboPcPort->currentText(), first);
        QCOMPARE(dialog->cboPcPortTemp->count(), 2);

        // The selected one goes: the list follows, and the dialog's rules pick another.
        dialog->cboPcPort->setCurrentIndex(1);
        const QString second = dialog->cboPcPort->currentText();
        tree.unplug(QStringLiteral("ttyUSB0"), adapter(QStringLiteral("ttyUSB0"), {}, QStringLiteral("A1")).byId);
        QTRY_COMPARE_WITH_TIMEOUT(dialog->cboPcPort->count(), 1, kGenerousMs);
        QCOMPARE(dialog->cboPcPort->currentText(), second);
        QCOMPARE(items(dialog->cboPcPortTemp).size(), 1);
        const int refreshes = dialog->findChild<LivePortList *>()->refreshes();
        QVERIFY(refreshes >= 2);
        dialog->cmdCancel->click();
        QTRY_VERIFY(!dialog);
    }

    void portsHeldByAnotherProgramAreMarked_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("mark");
        QTest::newRow("German") << 0 << "[belegt] ";
        QTest::newRow("English") << 1 << "[in use] ";
    }
    void portsHeldByAnotherProgramAreMarked()
    {
        QFETCH(int, language);
        QFETCH(QString, mark);
        FakeSystemTree tree;
        Pty own;
        Pty other;
        QVERIFY(own.isValid() && other.isValid());
        // Seen in the tree through links to the real ptys, as the port table names them.
        tree.relativeLink(own.slavePath(), own.slavePath());
        tree.relativeLink(other.slavePath(), other.slavePath());
        QVERIFY(tree.isValid());
        TestProgram p;
        p.mapPort(2, own.slavePath());
        p.mapPort(5, other.slavePath());
        p.writeSettings(1, 6, 0, language);
        p.setInventoryRoot(tree.root());
        QVERIFY(p.start());
        // Another program's lock, in the tree's lock folder: this test's parent is alive.
        tree.writeText(QStringLiteral("/var/lock/") + platform::lockFileName(other.slavePath()),
                       QString::number(::getppid()) + QStringLiteral("\nminicom\n"));
        const QPointer<frmSettings> dialog = openDialog(p);
        QVERIFY(dialog);
        // The program's own open port is not another program's.
        QCOMPARE(items(dialog->cboPcPort),
                 (QStringList{QStringLiteral("COM2  -  ") + own.slavePath(),
                              QStringLiteral("COM5  -  ") + mark + other.slavePath()}));
        // The lock goes while the dialog is open: so does the mark.
        QVERIFY(QFile::remove(tree.file(QStringLiteral("/var/lock/") + platform::lockFileName(other.slavePath()))));
        QTRY_COMPARE_WITH_TIMEOUT(dialog->cboPcPort->itemText(1), QStringLiteral("COM5  -  ") + other.slavePath(), kGenerousMs);
        dialog->cmdCancel->click();
        QTRY_VERIFY(!dialog);
    }
};

QTEST_MAIN(TestLivePortList)
#include "tst_liveportlist.moc"
