// The menu "Leitung" / "Line" and the status bar's lamps with the program in process: on a fake
// port and fake time for what the lines do, on a real pty for a device that has no modem lines.
#include "ConnectionSettings.h"
#include "LineControls.h"
#include "MainProgram.h"
#include "ModemLines.h"
#include "SettingsStore.h"
#include "TerminalSession.h"
#include "TestProgram.h"
#include "frmMain.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QtTest>

namespace {

QStringList menuTitles(frmMain &form)
{
    QStringList titles;
    for (const QAction *action : form.menuBar()->actions())
        titles << action->text();
    return titles;
}

QStringList visibleLamps(const LineControls &c)
{
    QStringList lit;
    for (const QLabel *lamp : c.labLamps) {
        if (lamp->isVisibleTo(lamp->window()))
            lit << lamp->text() + (lamp->property("lit").toBool() ? QStringLiteral("+") : QStringLiteral("-"));
    }
    return lit;
}

} // namespace

class TestLineControls : public QObject {
    Q_OBJECT

private slots:
    void menuInBothLanguages_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("German") << 0 << QStringList{"Datei", "Bearbeiten", "Leitung", "?"}
                                << QStringList{"DTR", "RTS", "Break senden", "", "DTR und RTS nach dem Öffnen an",
                                               "DTR und RTS nach dem Öffnen aus"};
        QTest::newRow("English") << 1 << QStringList{"File", "Edit", "Line", "?"}
                                 << QStringList{"DTR", "RTS", "Send break", "", "DTR and RTS on after opening",
                                                "DTR and RTS off after opening"};
    }
    void menuInBothLanguages()
    {
        QFETCH(int, language);
        QFETCH(QStringList, titles);
        QFETCH(QStringList, items);
        TestProgram p;
        p.useFakePort();
        p.writeSettings(0, 6, 0, language);
        QVERIFY(p.start());
        QCOMPARE(menuTitles(p.form()), titles);
        QStringList seen;
        for (const QAction *action : p.program().lineControls().mnuLine->actions())
            seen << action->text();
        QCOMPARE(seen, items);
    }

    void linesFollowTheMenuAndTheLampsTheDevice()
    {
        TestProgram p;
        FakeSerialPort &port = p.useFakePort();
        FakeTimers &timers = p.useFakeTime();
        port.pinout = platform::SignalDsr;
        p.writeSettings(0, 6);
        QVERIFY(p.start());
        LineControls &c = p.program().lineControls();
        QVERIFY(c.mnuLineDtr->isChecked());
        QVERIFY(c.mnuLineRts->isChecked());
        QVERIFY(c.mnuLineAfterOpenOn->isChecked());
        QCOMPARE(visibleLamps(c), (QStringList{"CTS-", "DSR+", "DCD-", "RI-"}));
        QVERIFY(!c.labLampsUnavailable->isVisibleTo(&p.form()));

        c.mnuLineDtr->trigger();
        QVERIFY(!port.dtr);
        QVERIFY(!c.mnuLineDtr->isChecked());
        c.mnuLineRts->trigger();
        QVERIFY(!port.rts);
        c.mnuLineBreak->trigger();
        QVERIFY(port.breakOn);
        QVERIFY(!c.mnuLineBreak->isEnabled()); // one break at a time
        timers.advance(ModemLines::kBreakMs);
        QVERIFY(!port.breakOn);
        QVERIFY(c.mnuLineBreak->isEnabled());

        port.pinout = platform::SignalCts | platform::SignalRi;
        timers.advance(100);
        QCOMPARE(visibleLamps(c), (QStringList{"CTS+", "DSR-", "DCD-", "RI+"}));

        // Closed: no lamps and nothing to switch; the choice for after opening stays.
        p.session().closeInterface();
        QCOMPARE(visibleLamps(c), QStringList());
        QVERIFY(!c.mnuLineDtr->isEnabled());
        QVERIFY(!c.mnuLineBreak->isEnabled());
        QVERIFY(c.mnuLineAfterOpenOff->isEnabled());
        c.mnuLineAfterOpenOff->trigger();
        QCOMPARE(g_bytLinesAfterOpen, quint8(1));
        p.session().prc_MainOpenInterface();
        QVERIFY(!port.dtr);
        QVERIFY(!port.rts);
        QVERIFY(!c.mnuLineDtr->isChecked());
        p.program().saveSettings();
        QVERIFY(p.readFile(QStringLiteral("Settings.ini")).endsWith("[CONNECTION]\r\nLinesAfterOpen=1\r\n"));
    }

    void aPtySaysOnceThatItHasNoLines()
    {
        TestProgram p;
        Pty &pty = p.mapPty(1);
        QVERIFY(pty.isValid());
        p.writeSettings(0, 6, 0, 1);
        QVERIFY(p.start());
        QVERIFY(p.session().isOpen());
        LineControls &c = p.program().lineControls();
        QSignalSpy unavailable(&p.program().modemLines(), &ModemLines::inputLinesUnavailable);
        QVERIFY(c.labLampsUnavailable->isVisibleTo(&p.form()));
        QCOMPARE(c.labLampsUnavailable->text(), QStringLiteral("Line states not available"));
        QCOMPARE(visibleLamps(c), QStringList());
        QVERIFY(!p.program().modemLines().polling());
        QTest::qWait(200);
        QCOMPARE(unavailable.size(), 0); // told at the opening, never again
        // The break and the output lines do not disturb a pty.
        c.mnuLineBreak->trigger();
        c.mnuLineDtr->trigger();
        QTRY_VERIFY(c.mnuLineBreak->isEnabled());
        QVERIFY(p.session().isOpen());
        QCOMPARE(p.dialogs().shown.size(), 0);
    }
};

QTEST_MAIN(TestLineControls)
#include "tst_linecontrols.moc"
