// The settings dialog's connection controls: the rates above the table, a typed rate, and
// reconnecting; how they fill from the settings and go back, and their captions.
#include "ConnectionSettings.h"
#include "frmSettings.h"
#include "modGlobal.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

std::unique_ptr<frmSettings> makeDialog()
{
    return std::make_unique<frmSettings>([] { return QStringLiteral("0"); }, [] {});
}

} // namespace

class TestConnectionControls : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        g_bytComPort = g_bytBaudrate = g_bytPeculiar = g_bytLanguage = 0;
        resetConnectionSettings();
    }

    void fillsFromTheSettings_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("custom");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QString>("typed");
        QTest::newRow("table rate") << 10 << 0 << 10 << "";
        QTest::newRow("position beyond the table") << 12 << 0 << -1 << "";
        QTest::newRow("fast rate") << 10 << 921600 << 13 << "";
        QTest::newRow("3000000") << 5 << 3000000 << 16 << "";
        QTest::newRow("typed rate") << 10 << 250000 << 17 << "250000";
    }
    void fillsFromTheSettings()
    {
        QFETCH(int, position);
        QFETCH(int, custom);
        QFETCH(int, shown);
        QFETCH(QString, typed);
        g_bytBaudrate = quint8(position);
        g_lngBaudrateCustom = custom;
        const auto dialog = makeDialog();
        QCOMPARE(dialog->cboBaudrate->currentIndex(), shown);
        QCOMPARE(dialog->txtBaudrateCustom->text(), typed);
        QCOMPARE(dialog->txtBaudrateCustom->isEnabled(), shown == 17);
        QVERIFY(dialog->chkReconnect->isChecked());
    }

    void readsBack_data()
    {
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("custom");
        QTest::newRow("table rate clears a custom one") << 6 << "" << 6 << 0;
        QTest::newRow("fast rate keeps Baudrate") << 11 << "" << 2 << 230400;
        QTest::newRow("2000000") << 15 << "" << 2 << 2000000;
        QTest::newRow("typed") << 17 << "74880" << 2 << 74880;
        QTest::newRow("typed table rate goes to Baudrate") << 17 << "57600" << 9 << 0;
        QTest::newRow("typed nonsense changes nothing") << 17 << "abc" << 2 << 460800;
        QTest::newRow("nothing typed changes nothing") << 17 << "" << 2 << 460800;
    }
    void readsBack()
    {
        QFETCH(int, chosen);
        QFETCH(QString, typed);
        QFETCH(int, position);
        QFETCH(int, custom);
        g_bytBaudrate = 2;
        g_lngBaudrateCustom = 460800;
        const auto dialog = makeDialog();
        dialog->cboBaudrate->setCurrentIndex(chosen);
        dialog->txtBaudrateCustom->setText(typed);
        dialog->ReadControls();
        QCOMPARE(int(g_bytBaudrate), position);
        QCOMPARE(g_lngBaudrateCustom, custom);
    }

    void reconnectBoxGoesBackAndCancelChangesNothing()
    {
        auto dialog = makeDialog();
        dialog->chkReconnect->setChecked(false);
        dialog->cboBaudrate->setCurrentIndex(14);
        dialog->cmdCancel->click();
        QVERIFY(g_blnReconnect);
        QCOMPARE(g_lngBaudrateCustom, 0);
        dialog = makeDialog();
        dialog->chkReconnect->setChecked(false);
        dialog->cmdOk->click();
        QVERIFY(!g_blnReconnect);
        QVERIFY(!makeDialog()->chkReconnect->isChecked());
    }

    void captions_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("reconnect");
        QTest::addColumn<QString>("other");
        QTest::newRow("German") << 0 << "Automatisch wieder verbinden" << "Andere:";
        QTest::newRow("English") << 1 << "Reconnect automatically" << "Other:";
    }
    void captions()
    {
        QFETCH(int, language);
        QFETCH(QString, reconnect);
        QFETCH(QString, other);
        g_bytLanguage = quint8(language);
        const auto dialog = makeDialog();
        QCOMPARE(dialog->chkReconnect->text(), reconnect);
        QCOMPARE(dialog->cboBaudrate->itemText(dialog->cboBaudrate->count() - 1), other);
        // The caption fits its text inside the frame.
        QVERIFY(dialog->chkReconnect->width() >= qMin(dialog->chkReconnect->sizeHint().width(),
                                                      dialog->fraInterface->width() - dialog->chkReconnect->x()));
    }
};

QTEST_MAIN(TestConnectionControls)
#include "tst_connectioncontrols.moc"
