// The settings dialog as the main window opens it: ports found below a fake system tree and
// in Ports.ini, real pseudo-terminals behind the port numbers, OK reopening the interface and
// the main window relabelled afterwards.
#include "FakeSystemTree.h"
#include "MainProgram.h"
#include "TerminalSession.h"
#include "PortDiscovery.h"
#include "PortTable.h"
#include "ProfileFile.h"
#include "Pty.h"
#include "TestProgram.h"
#include "TrafficLine.h"
#include "TrafficLineDelegate.h"
#include "TrafficListModel.h"
#include "TrafficListView.h"
#include "frmMain.h"
#include "frmSettings.h"
#include "modGlobal.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

QStringList items(const QComboBox *box)
{
    QStringList result;
    for (int i = 0; i < box->count(); ++i)
        result << box->itemText(i);
    return result;
}

// Our own descriptor of a pty's slave, to change its line behind the program's back.
class SlaveHandle {
public:
    explicit SlaveHandle(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
    }
    ~SlaveHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    SlaveHandle(const SlaveHandle &) = delete;
    SlaveHandle &operator=(const SlaveHandle &) = delete;

    bool isValid() const { return m_fd >= 0; }
    bool setSpeed(speed_t speed)
    {
        termios t{};
        return ::tcgetattr(m_fd, &t) == 0 && ::cfsetispeed(&t, speed) == 0
               && ::cfsetospeed(&t, speed) == 0 && ::tcsetattr(m_fd, TCSANOW, &t) == 0;
    }

private:
    int m_fd = -1;
};

struct Record {
    quint8 port, baud, peculiar, language;
    bool operator==(const Record &) const = default;
};

Record record()
{
    return {g_bytComPort, g_bytBaudrate, g_bytPeculiar, g_bytLanguage};
}

char *toString(const Record &r)
{
    return QTest::toString(QStringLiteral("port %1 baud %2 peculiar %3 language %4")
                               .arg(r.port).arg(r.baud).arg(r.peculiar).arg(r.language));
}

// Restores the platform's own version query when a test replaced it.
struct VersionQueryGuard {
    ~VersionQueryGuard() { setVersionQuery({}); }
};

} // namespace

class TestSettingsProgram : public QObject {
    Q_OBJECT
    std::unique_ptr<FakeSystemTree> tree;
    std::unique_ptr<Pty> pty;      // COM2
    std::unique_ptr<Pty> otherPty; // COM5; a test may take it away
    std::unique_ptr<SlaveHandle> slave;
    std::unique_ptr<TestProgram> p;

    frmMain &form() { return p->form(); }
    QString ini() const { return p->portsIni(); }
    QString settingsFile() const { return p->filePath(QStringLiteral("Settings.ini")); }

    // COM1 names a device that does not exist; COM2 and COM5 are pseudo-terminals, seen in the
    // fake tree through links to the real ones.
    void start(const Record &r)
    {
        p->writeSettings(r.port, r.baud, r.peculiar, r.language);
        p->mapAbsent(1);
        p->mapPort(2, pty->slavePath());
        p->mapPort(5, otherPty->slavePath());
        tree->relativeLink(pty->slavePath(), pty->slavePath());
        tree->relativeLink(otherPty->slavePath(), otherPty->slavePath());
        QVERIFY(tree->isValid());
        p->setInventoryRoot(tree->root());
        QVERIFY(p->start());
    }

    QPointer<frmSettings> openDialog()
    {
        form().mnuEditSettings->trigger();
        QPointer<frmSettings> dialog = form().findChild<frmSettings *>();
        if (dialog && QTest::qWaitForWindowExposed(dialog.data())) {
            dialog->activateWindow();
            if (!QTest::qWaitForWindowActive(dialog.data()))
                return {};
        }
        return dialog;
    }

    QString comEntry(int n, const Pty &p) const
    {
        return QStringLiteral("COM%1  -  %2").arg(n).arg(p.slavePath());
    }

private slots:
    void init()
    {
        p = std::make_unique<TestProgram>();
        tree = std::make_unique<FakeSystemTree>();
        QVERIFY(tree->isValid());
        pty = std::make_unique<Pty>();
        otherPty = std::make_unique<Pty>();
        QVERIFY(pty->isValid());
        QVERIFY(otherPty->isValid());
        slave = std::make_unique<SlaveHandle>(pty->slavePath());
        QVERIFY(slave->isValid());
    }
    void cleanup()
    {
        p.reset();
        slave.reset();
        otherPty.reset();
        pty.reset();
        tree.reset();
    }

    void opensModalWithTheDiscoveredPorts()
    {
        start({1, 6, 0, 0});
        const QPointer<frmSettings> dialog = openDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->parentWidget(), &form());
        QCOMPARE(QApplication::activeModalWidget(), dialog.data());
        QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
        QVERIFY(dialog->testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(dialog->SSTab1->currentIndex(), 0);
        // COM1's device is absent, so only the two pseudo-terminals are offered.
        QCOMPARE(items(dialog->cboPcPort), QStringList({comEntry(2, *pty), comEntry(5, *otherPty)}));
        QCOMPARE(items(dialog->cboPcPortTemp), QStringList({"1", "4"}));
        QCOMPARE(dialog->cboPcPort->currentIndex(), 0);
        QCOMPARE(dialog->cboBaudrate->currentText(), QStringLiteral("19200"));
        QCOMPARE(p->dialogs().shown.size(), 0);
    }

    void okWithUnchangedSettingsReopensTheSamePort()
    {
        start({1, 6, 0, 0});
        const QString openText = QStringLiteral("Schnittstelle COM2 mit 19200 Baud ist geöffnet.");
        QCOMPARE(form().statusText(), openText);
        QCOMPARE(pty->slaveLineSpeed(), 19200);
        const QByteArray settingsBefore = readFile(settingsFile());

        QPointer<frmSettings> dialog = openDialog();
        QVERIFY(dialog);
        form().setStatusText(QStringLiteral("stale"));
        QVERIFY(slave->setSpeed(B1200));
        QCOMPARE(pty->slaveLineSpeed(), 1200);
        QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);

        QCOMPARE(form().statusText(), openText);
        QCOMPARE(pty->slaveLineSpeed(), 19200);
        QVERIFY(p->program().session().port().portOpen());
        QCOMPARE(record(), (Record{1, 6, 0, 0}));
        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(readFile(settingsFile()), settingsBefore);
        QCOMPARE(p->dialogs().shown.size(), 0);

        // The reopened port carries data.
        QVERIFY(pty->writeMaster("ping"));
        QTRY_COMPARE(p->program().traffic().count(), 1);
        QVERIFY(p->program().traffic().lineAt(0).endsWith(QStringLiteral("[IN]   ping")));
    }

    void okSwitchesToTheChosenPortAndRate()
    {
        start({1, 6, 0, 0});
        QPointer<frmSettings> dialog = openDialog();
        QVERIFY(dialog);
        dialog->cboPcPort->setCurrentIndex(1);
        dialog->cboBaudrate->setCurrentIndex(10);
        QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
        QCOMPARE(record(), (Record{4, 10, 0, 0}));
        QCOMPARE(form().statusText(), QStringLiteral("Schnittstelle COM5 mit 115200 Baud ist geöffnet."));
        QCOMPARE(otherPty->slaveLineSpeed(), 115200);
        QTRY_VERIFY(dialog.isNull());
    }

    void englishRelabelsTheMainWindow()
    {
        start({1, 6, 0, 0});
        QCOMPARE(form().mnuFile->title(), QStringLiteral("Datei"));
        const QByteArray settingsBefore = readFile(settingsFile());
        QPointer<frmSettings> dialog = openDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Voreinstellungen"));
        dialog->SSTab1->setCurrentIndex(1);
        dialog->cboLanguageProgram->setCurrentIndex(1);
        QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);

        QCOMPARE(g_bytLanguage, quint8(1));
        QCOMPARE(form().mnuFile->title(), QStringLiteral("File"));
        QCOMPARE(form().mnuEditSettings->text(), QStringLiteral("General Settings"));
        QCOMPARE(form().cmdQuit->text(), QStringLiteral("Quit"));
        QCOMPARE(form().statusText(), QStringLiteral("Interface COM2 is opened with 19200 baud."));
        QCOMPARE(form().windowTitle(), QStringLiteral("Tellurix"));
        // The file follows only when the program ends.
        QCOMPARE(readFile(settingsFile()), settingsBefore);
        QTRY_VERIFY(dialog.isNull());
        form().close();
        QCOMPARE(platform::readProfileString(QStringLiteral("SETTINGS"), QStringLiteral("Language"),
                                             QString(), settingsFile()),
                 QStringLiteral("1"));
    }

    void cancelChangesNothing_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("Cancel button") << "button";
        QTest::newRow("Esc") << "escape";
        QTest::newRow("close box") << "close";
    }
    void cancelChangesNothing()
    {
        QFETCH(QString, way);
        start({1, 6, 0, 0});
        const QByteArray settingsBefore = readFile(settingsFile());
        const QString statusBefore = form().statusText();
        QPointer<frmSettings> dialog = openDialog();
        QVERIFY(dialog);
        dialog->cboPcPort->setCurrentIndex(1);
        dialog->cboBaudrate->setCurrentIndex(0);
        dialog->cboLanguageProgram->setCurrentIndex(1);
        dialog->chkSpecialChar->setCheckState(Qt::Checked);
        // Nobody may touch the line: a reopening would set 19200 again.
        QVERIFY(slave->setSpeed(B1200));
        // The main window's captions are set again even so.
        form().cmdQuit->setText(QStringLiteral("stale"));

        if (way == QLatin1String("button"))
            QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
        else if (way == QLatin1String("escape"))
            QTest::keyClick(dialog.data(), Qt::Key_Escape);
        else
            dialog->close();

        QTRY_VERIFY(dialog.isNull());
        QCOMPARE(record(), (Record{1, 6, 0, 0}));
        QCOMPARE(form().statusText(), statusBefore);
        QVERIFY(p->program().session().port().portOpen());
        QCOMPARE(pty->slaveLineSpeed(), 1200);
        QCOMPARE(readFile(settingsFile()), settingsBefore);
        QCOMPARE(form().cmdQuit->text(), QStringLiteral("Beenden"));
        QCOMPARE(p->dialogs().shown.size(), 0);
    }

    void peculiarTwoSurvivesTheRoundTrip()
    {
        start({1, 6, 2, 0});
        QPointer<frmSettings> dialog = openDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->chkSpecialChar->checkState(), Qt::PartiallyChecked);
        QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
        QCOMPARE(g_bytPeculiar, quint8(2));
        QTRY_VERIFY(dialog.isNull());
        form().close();
        QCOMPARE(platform::readProfileString(QStringLiteral("SETTINGS"), QStringLiteral("Peculiar"),
                                             QString(), settingsFile()),
                 QStringLiteral("2"));
    }

    void okWithoutSelectedPortKeepsThePort()
    {
        // COM1 is stored but absent, so the start fails. With COM2 the only port present,
        // nothing matches and the fallback, which starts at the second entry, finds nothing.
        start({0, 6, 0, 0});
        QCOMPARE(p->dialogs().count(QStringLiteral("message")), 1);
        otherPty.reset(); // COM5 vanishes: only COM2 is left
        QPointer<frmSettings> dialog = openDialog();
        QVERIFY(dialog);
        QCOMPARE(items(dialog->cboPcPort), QStringList({comEntry(2, *pty)}));
        QCOMPARE(dialog->cboPcPort->currentIndex(), -1);
        dialog->cboBaudrate->setCurrentIndex(9);
        QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
        QCOMPARE(record(), (Record{0, 9, 0, 0}));
        // COM1 is tried again and reported again.
        QCOMPARE(p->dialogs().count(QStringLiteral("message")), 2);
        QVERIFY(p->dialogs().shown.last().text.contains(QStringLiteral("Schnittstelle öffnen")));
    }

    void discoveryRunsAtEveryOpening()
    {
        start({1, 6, 0, 0});
        QPointer<frmSettings> first = openDialog();
        QVERIFY(first);
        QCOMPARE(first->cboPcPort->count(), 2);
        first->close();
        QTRY_VERIFY(first.isNull());

        tree->addUsb({QStringLiteral("ttyUSB0"), QStringLiteral("1-2"), QStringLiteral("FT232R USB UART"),
                      QStringLiteral("ftdi_sio"), QStringLiteral("usb-FTDI_FT232R_USB_UART_X1-if00-port0"), false});
        QVERIFY(tree->isValid());
        QPointer<frmSettings> second = openDialog();
        QVERIFY(second);
        // COM1 is named in the table (even though absent), so the adapter gets COM3.
        QCOMPARE(items(second->cboPcPort),
                 QStringList({comEntry(2, *pty), QStringLiteral("COM3  -  FT232R USB UART (ttyUSB0)"),
                              comEntry(5, *otherPty)}));
        QCOMPARE(platform::devicePathForPort(3, ini()),
                 QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_X1-if00-port0"));
        second->close();
        QTRY_VERIFY(second.isNull());
    }

    void failedVersionTestOffersTheFixedList()
    {
        start({1, 6, 0, 0});
        VersionQueryGuard guard;
        setVersionQuery([](OsVersionInfo &) { throw platform::Failure(QStringLiteral("no answer"), 7); });
        QPointer<frmSettings> dialog = openDialog();
        QVERIFY(dialog);
        QCOMPARE(p->dialogs().count(QStringLiteral("message")), 1);
        QVERIFY(p->dialogs().shown.first().text.startsWith(QStringLiteral(
            "Es ist ein Fehler bei folgender Aktion aufgetreten: Function <fkt_ToolsIsMinWin2000>.")));
        QCOMPARE(dialog->cboPcPort->count(), 14);
        QCOMPARE(dialog->cboPcPort->currentText(), QStringLiteral("COM2"));
        dialog->close();
        QTRY_VERIFY(dialog.isNull());
    }
};

QTEST_MAIN(TestSettingsProgram)
#include "tst_settingsprogram.moc"
