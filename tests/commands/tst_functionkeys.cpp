// F1..F8 from anywhere in the main window, the command buttons and the send field's handlers,
// with real key events; bytes are counted where the device sees them.
#include "CommandSlots.h"
#include "MainProgram.h"
#include "TerminalSession.h"
#include "TestProgram.h"
#include "TrafficLine.h"
#include "TrafficListModel.h"
#include "frmMain.h"
#include "modGlobal.h"

#include <QtTest>

#include <QLineEdit>
#include <QListView>
#include <QPushButton>

namespace {

const QByteArray kPresets = "[SETTINGS]\r\nParam1=S1\r\nParam2=S2\r\nParam3=S3\r\nParam4=S4\r\n"
                            "Param5=S5\r\nParam6=S6\r\nParam7=S7\r\nParam8=S8\r\n";

void sendKey(QWidget *target, QEvent::Type type, Qt::Key key, bool autoRepeat,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent event(type, key, modifiers, QString(), autoRepeat);
    QApplication::sendEvent(target, &event);
}

// A key held down: the first press, then repeats (release + press, both auto-repeat),
// then the real release.
void holdKey(QWidget *target, Qt::Key key, int repeats)
{
    sendKey(target, QEvent::KeyPress, key, false);
    for (int i = 0; i < repeats; ++i) {
        sendKey(target, QEvent::KeyRelease, key, true);
        sendKey(target, QEvent::KeyPress, key, true);
    }
    sendKey(target, QEvent::KeyRelease, key, false);
}

} // namespace

class TestFunctionKeys : public QObject {
    Q_OBJECT

private slots:
    void functionKeyPressesItsOwnSlotWhereverTheFocusIs_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("F3 on cmdBefehl7") << "cmdBefehl7" << int(Qt::Key_F3) << QByteArray("S3");
        QTest::newRow("F1 on cmdQuit") << "cmdQuit" << int(Qt::Key_F1) << QByteArray("S1");
        QTest::newRow("F8 on cmdSend") << "cmdSend" << int(Qt::Key_F8) << QByteArray("S8");
        QTest::newRow("F2 in the list") << "lstSendReceive" << int(Qt::Key_F2) << QByteArray("S2");
        QTest::newRow("F4 on cmdInsertSpecialChar") << "cmdInsertSpecialChar" << int(Qt::Key_F4) << QByteArray("S4");
        QTest::newRow("F7 on cmdDelete") << "cmdDelete" << int(Qt::Key_F7) << QByteArray("S7");
        QTest::newRow("F5 in txtSend") << "txtSend" << int(Qt::Key_F5) << QByteArray("S5");
        QTest::newRow("F6 in txtBefehl2") << "txtBefehl2" << int(Qt::Key_F6) << QByteArray("S6");
        QTest::newRow("F9 sends nothing") << "cmdQuit" << int(Qt::Key_F9) << QByteArray();
        QTest::newRow("F12 sends nothing") << "txtSend" << int(Qt::Key_F12) << QByteArray();
        QTest::newRow("a letter sends nothing") << "cmdBefehl1" << int(Qt::Key_A) << QByteArray();
    }
    void functionKeyPressesItsOwnSlotWhereverTheFocusIs()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(QByteArray, sent);
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start(kPresets));
        // So that every control can take the focus; the field's text is never sent here.
        p.form().cmdDelete->setEnabled(true);
        p.form().txtSend->setText(QStringLiteral("T"));
        auto *target = p.form().findChild<QWidget *>(focus);
        QVERIFY(target);
        target->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), target);
        QTest::keyClick(target, Qt::Key(key));
        QCOMPARE(p.received(), sent);
        QCOMPARE(p.traffic().count(), sent.isEmpty() ? 0 : 1);
    }

    void keyWithNoFocusedControlIsForwardedByTheWindow()
    {
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start(kPresets));
        if (QWidget *focused = QApplication::focusWidget())
            focused->clearFocus();
        QTest::keyClick(&p.form(), Qt::Key_F2);
        QCOMPARE(p.received(), QByteArray("S2"));
    }

    void modifiersAreIgnored_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Shift") << int(Qt::ShiftModifier);
        QTest::newRow("Ctrl") << int(Qt::ControlModifier);
        QTest::newRow("Alt") << int(Qt::AltModifier);
    }
    void modifiersAreIgnored()
    {
        QFETCH(int, modifiers);
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start(kPresets));
        p.form().cmdBefehl[0]->setFocus();
        QTest::keyClick(p.form().cmdBefehl[0], Qt::Key_F4, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(p.received(), QByteArray("S4"));
    }

    void f5InTheSendFieldLeavesItAndEnterSendsIt()
    {
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start(kPresets));
        p.form().txtSend->setFocus();
        QTest::keyClicks(p.form().txtSend, QStringLiteral("HELLO"));
        QTest::keyClick(p.form().txtSend, Qt::Key_F5);
        QCOMPARE(p.received(), QByteArray("S5"));
        QCOMPARE(p.form().txtSend->text(), QStringLiteral("HELLO"));
        QTest::keyClick(p.form().txtSend, Qt::Key_Return);
        QCOMPARE(p.received(), QByteArray("HELLO"));
        QCOMPARE(p.form().txtSend->text(), QString());
    }

    void enterInAPresetFieldSendsTheSendField()
    {
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start(kPresets));
        p.form().txtSend->setText(QStringLiteral("FIELD"));
        p.form().txtBefehl[2]->setFocus();
        QTest::keyClick(p.form().txtBefehl[2], Qt::Key_Return);
        QCOMPARE(p.received(), QByteArray("FIELD"));
        QCOMPARE(p.form().txtBefehl[2]->text(), QStringLiteral("S3"));
    }

    void enterOnAnotherButtonPressesThatButton()
    {
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start(kPresets));
        p.form().txtSend->setText(QStringLiteral("FIELD"));
        p.form().cmdBefehl[5]->setFocus();
        QTest::keyClick(p.form().cmdBefehl[5], Qt::Key_Return);
        QCOMPARE(p.received(), QByteArray("S6"));
        QCOMPARE(p.form().txtSend->text(), QStringLiteral("FIELD"));
    }

    void emptySendFieldNeverSends()
    {
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start(kPresets));
        p.form().txtSend->setFocus();
        QTest::keyClick(p.form().txtSend, Qt::Key_Return);
        p.form().cmdSend->click();
        QCOMPARE(p.received(), QByteArray());
        QCOMPARE(p.traffic().count(), 0);
    }

    void heldKeyRepeatsOnKeyDownControlsOnly()
    {
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start(kPresets));
        p.form().cmdBefehl[0]->setFocus();
        holdKey(p.form().cmdBefehl[0], Qt::Key_F2, 3);
        QCOMPARE(p.received(), QByteArray("S2S2S2S2"));
        QCOMPARE(p.traffic().count(), 4);

        p.form().lstSendReceive->setFocus();
        holdKey(p.form().lstSendReceive, Qt::Key_F2, 2);
        QCOMPARE(p.received(), QByteArray("S2S2S2"));

        p.form().txtBefehl[4]->setFocus();
        holdKey(p.form().txtBefehl[4], Qt::Key_F2, 5);
        QCOMPARE(p.received(), QByteArray("S2"));
    }

    void keyUpInAPresetFieldRefreshesOnlyItsToolTip()
    {
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start(kPresets));
        p.form().txtBefehl[5]->setText(QStringLiteral("CHANGED BY MOUSE"));
        p.form().txtBefehl[1]->setFocus();
        p.form().txtBefehl[1]->end(false);
        QTest::keyClicks(p.form().txtBefehl[1], QStringLiteral("X"));
        QCOMPARE(p.form().txtBefehl[1]->toolTip(), QStringLiteral("S2X"));
        QTest::keyClick(p.form().txtBefehl[1], Qt::Key_F6);
        QCOMPARE(p.received(), QByteArray("CHANGED BY MOUSE"));
        QCOMPARE(p.form().txtBefehl[5]->toolTip(), QStringLiteral("S6"));
    }

    void nothingIsSentWhileNoPortIsOpen()
    {
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start(kPresets, "[SETTINGS]\r\nComPort=9\r\n")); // COM10: no such device
        QCOMPARE(p.dialogs().count(QStringLiteral("message")), 1);
        for (QPushButton *b : p.form().cmdBefehl)
            QVERIFY(!b->isEnabled());
        p.form().txtBefehl[0]->setFocus();
        QTest::keyClick(p.form().txtBefehl[0], Qt::Key_F1);
        QTest::keyClicks(p.form().txtBefehl[0], QStringLiteral("Z"));
        QCOMPARE(p.form().txtBefehl[0]->text(), QStringLiteral("S1Z")); // still editable
        p.form().cmdBefehl[0]->click();
        QCOMPARE(p.traffic().count(), 0);
        QCOMPARE(p.received(), QByteArray());
    }

    void emptyPresetSendsAnEmptyLine()
    {
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start("[SETTINGS]\r\nParam1=S1\r\n"));
        p.form().cmdBefehl[6]->setFocus();
        QTest::keyClick(p.form().cmdBefehl[6], Qt::Key_F7);
        QCOMPARE(p.traffic().count(), 1);
        QCOMPARE(p.traffic().lineAt(0).size(), 21);
        QCOMPARE(p.received(), QByteArray());
    }

    void failedSendFromASlotIsReportedShortAndKeepsTheText()
    {
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start(kPresets));
        p.program().session().port().setPortOpen(false); // buttons still enabled: the write itself fails
        p.form().cmdBefehl[2]->click();
        QCOMPARE(p.dialogs().count(QStringLiteral("message")), 1);
        QVERIFY(p.dialogs().shown.last().text.startsWith(QStringLiteral("Beschreibung: ")));
        QVERIFY(p.dialogs().shown.last().text.endsWith(QStringLiteral("\r\nFehler: 8012")));
        QCOMPARE(p.form().txtBefehl[2]->text(), QStringLiteral("S3"));
        QCOMPARE(p.traffic().count(), 0);
    }

    void sendButtonFollowsTheField()
    {
        TestProgram p;
        p.mapPty(1);
        QVERIFY(p.start(kPresets));
        QVERIFY(!p.form().cmdSend->isEnabled());
        p.form().txtSend->setFocus();
        QTest::keyClick(p.form().txtSend, Qt::Key_A);
        QVERIFY(p.form().cmdSend->isEnabled());
        QTest::keyClick(p.form().txtSend, Qt::Key_Backspace);
        QVERIFY(!p.form().cmdSend->isEnabled());
    }
};

QTEST_MAIN(TestFunctionKeys)
#include "tst_functionkeys.moc"
