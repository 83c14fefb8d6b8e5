// The traffic list's pause, its find bar, the hex display with its setting and the byte
// counts in the status bar, in both languages.
#include "ListOutputFixture.h"
#include "TrafficCounters.h"
#include "TrafficLine.h"

#include <QLabel>
#include <QStatusBar>

namespace {

// Counts the layout requests a widget receives: each is a new layout of it and its children.
struct LayoutRequests final : QObject {
    explicit LayoutRequests(QWidget *widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::LayoutRequest)
            ++count;
        return false;
    }
    int count = 0;
};

} // namespace

class TstListPause : public ListOutputFixture {
    Q_OBJECT

private slots:
    void init() { startFresh(); }
    void cleanup() { finish(); }

    // --- pause ---

    void appendsWhilePausedLeaveSelectionAndScrollAlone()
    {
        QVERIFY(startOnFakes());
        addLines(60);
        QCOMPARE(list().currentIndex().row(), 59); // not paused: every append selects the last
        letTheFrameShow();
        QScrollBar *bar = list().verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        list().setFocus();
        list().setCurrentIndex(traffic().index(5));
        bar->setValue(bar->singleStep() * 3);
        const int scrolled = bar->value();

        QSignalSpy toggled(form().mnuEditPause, &QAction::toggled);
        QTest::keyClick(&list(), Qt::Key_Pause);
        QCOMPARE(toggled.count(), 1);
        QVERIFY(form().mnuEditPause->isChecked());
        QVERIFY(list().displayPaused());
        QVERIFY(form().stbStatusPause->isVisible());
        addLines(3);
        QCOMPARE(traffic().count(), 63);
        QCOMPARE(list().currentIndex().row(), 5);
        QCOMPARE(list().selectionModel()->selectedRows(), QModelIndexList{traffic().index(5)});
        QCOMPARE(bar->value(), scrolled);
        QCOMPARE(form().stbStatusPause->text(), QStringLiteral("Anzeige angehalten: 3 neue Zeilen"));
        g_bytLanguage = 1;
        form().ApplyLanguage();
        QCOMPARE(form().stbStatusPause->text(), QStringLiteral("Display paused: 3 new lines"));

        QTest::keyClick(&list(), Qt::Key_Pause);
        QVERIFY(!form().mnuEditPause->isChecked());
        QVERIFY(!form().stbStatusPause->isVisible());
        QCOMPARE(list().currentIndex().row(), 62);
        letTheFrameShow();
        QCOMPARE(bar->value(), bar->maximum());
        addLines(1);
        QCOMPARE(list().currentIndex().row(), 63);
    }

    void pausedListStaysReadableWithoutAPort()
    {
        QVERIFY(startOnFakes());
        addLines(5);
        p->session().closeInterface();
        QVERIFY(!list().isEnabled());
        form().mnuEditPause->trigger();
        QVERIFY(list().isEnabled());
        // A reopening that fails keeps a paused list readable too.
        port->failOpenWith = 8010;
        p->session().prc_MainOpenInterface();
        QVERIFY(list().isEnabled());
        form().mnuEditPause->trigger();
        QVERIFY(!list().isEnabled());
        QCOMPARE(traffic().count(), 5);
    }

    // --- find ---

    void findBarFindsTokensInEveryDisplayMode()
    {
        QVERIFY(startOnFakes());
        receive("A\r");                 // raw
        g_bytPeculiar = 1;
        receive("B\r");                 // tokens
        g_bytPeculiar = 0;
        form().mnuEditHex->trigger();
        receive("C\r");                 // hex
        form().mnuEditHex->trigger();
        receive("D");
        QCOMPARE(traffic().lineAt(2).mid(21), QStringLiteral("43 0D"));
        list().setCurrentIndex(QModelIndex());

        QTest::keyClick(&form(), Qt::Key_F, Qt::ControlModifier);
        frmFind *bar = form().findChild<frmFind *>(QStringLiteral("frmFind"));
        QVERIFY(bar);
        QVERIFY(bar->isVisible());
        bar->txtFind->setText(QStringLiteral("<CR>"));
        for (const int expected : {0, 1, 2, 0}) {
            bar->cmdFindNext->click();
            QCOMPARE(list().currentIndex().row(), expected);
        }
        QVERIFY(form().mnuEditPause->isChecked());
        bar->cmdFindPrevious->click();
        QCOMPARE(list().currentIndex().row(), 2);

        // A line arriving after a hit leaves the hit selected.
        receive("E\r");
        QCOMPARE(list().currentIndex().row(), 2);

        bar->txtFind->setText(QStringLiteral("c<cr>"));
        QVERIFY(bar->find(FindDirection::Forward));
        QCOMPARE(list().currentIndex().row(), 2);
        bar->chkMatchCase->setChecked(true);
        QVERIFY(!bar->find(FindDirection::Forward));
        QCOMPARE(bar->labFindResult->text(), QStringLiteral("\"c<cr>\" wurde nicht gefunden."));
        QCOMPARE(list().currentIndex().row(), 2);
    }

    void findHitIsScrolledIntoView()
    {
        QVERIFY(startOnFakes());
        p->session().AddTrafficLine(kMarkerIn, QStringLiteral("needle"));
        addLines(200);
        letTheFrameShow();
        frmFind *bar = openFindBar();
        QVERIFY(bar);
        bar->txtFind->setText(QStringLiteral("NEEDLE"));
        QVERIFY(!list().viewport()->rect().intersects(list().visualRect(traffic().index(0))));
        QVERIFY(bar->find(FindDirection::Forward));
        QCOMPARE(list().currentIndex().row(), 0);
        QVERIFY(list().viewport()->rect().contains(list().visualRect(traffic().index(0)).topLeft()));
    }

    void findBarInBothLanguages_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("de") << 0 << QStringList{"Suchen", "Suchen nach:", "Groß-/Kleinschreibung beachten",
                                                "Weitersuchen", "Rückwärts suchen", "Schließen"};
        QTest::newRow("en") << 1 << QStringList{"Find", "Find what:", "Match case", "Find next",
                                                "Find previous", "Close"};
    }
    void findBarInBothLanguages()
    {
        QFETCH(int, language);
        QFETCH(QStringList, texts);
        QVERIFY(startOnFakes(0, quint8(language)));
        frmFind *bar = openFindBar();
        QVERIFY(bar);
        QCOMPARE((QStringList{bar->windowTitle(), bar->labFindWhat->text(), bar->chkMatchCase->text(),
                              bar->cmdFindNext->text(), bar->cmdFindPrevious->text(), bar->cmdClose->text()}),
                 texts);
        bar->cmdClose->click();
        QVERIFY(!bar->isVisible());
    }

    // --- hex display and its setting ---

    void hexSettingIsReadAndWritten()
    {
        QVERIFY(startOnFakes(0, 0, "[DISPLAY]\r\nHex=1\r\n"));
        QCOMPARE(g_bytHexDisplay, quint8(1));
        QVERIFY(form().mnuEditHex->isChecked());
        receive("OK\r\n");
        QCOMPARE(traffic().lineAt(0).mid(21), QStringLiteral("4F 4B 0D 0A"));
        form().mnuEditHex->trigger();
        QCOMPARE(g_bytHexDisplay, quint8(0));
        receive("OK");
        QCOMPARE(traffic().lineAt(1).mid(21), QStringLiteral("OK"));
        QCOMPARE(traffic().lineAt(0).mid(21), QStringLiteral("4F 4B 0D 0A")); // old lines stay
        p->program().saveSettings();
        QCOMPARE(p->readFile(QStringLiteral("Settings.ini")),
                 QByteArray("[SETTINGS]\r\nComPort=1\r\nBaudrate=6\r\nPeculiar=0\r\nLanguage=0\r\n"
                            "[DISPLAY]\r\nHex=0\r\n"));
    }

    void fileWithoutHexKeyStaysAsItWas()
    {
        QVERIFY(startOnFakes());
        const QByteArray before = p->readFile(QStringLiteral("Settings.ini"));
        p->program().saveSettings();
        QCOMPARE(p->readFile(QStringLiteral("Settings.ini")), before);
        form().mnuEditHex->trigger();
        p->program().saveSettings();
        QCOMPARE(p->readFile(QStringLiteral("Settings.ini")), before + "[DISPLAY]\r\nHex=1\r\n");
    }

    void settingsDialogHasTheHexBox_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("text");
        QTest::newRow("de") << 0 << QStringLiteral("Daten hexadezimal darstellen");
        QTest::newRow("en") << 1 << QStringLiteral("Show data as hex bytes");
    }
    void settingsDialogHasTheHexBox()
    {
        QFETCH(int, language);
        QFETCH(QString, text);
        TestProgram::resetGlobals();
        g_bytLanguage = quint8(language);
        g_bytHexDisplay = 1;
        frmSettings dialog([] { return QStringLiteral("0"); }, {});
        QVERIFY(dialog.chkHexDisplay);
        QCOMPARE(dialog.chkHexDisplay->objectName(), QStringLiteral("chkHexDisplay"));
        QCOMPARE(dialog.chkHexDisplay->parentWidget(), dialog.fraPresentation);
        QCOMPARE(dialog.chkHexDisplay->text(), text);
        QVERIFY(dialog.chkHexDisplay->isChecked());
        dialog.chkHexDisplay->setChecked(false);
        dialog.ReadControls();
        QCOMPARE(g_bytHexDisplay, quint8(0));
        QCOMPARE(g_bytPeculiar, quint8(0)); // the other box keeps its own setting
        dialog.chkHexDisplay->setChecked(true);
        dialog.ReadControls();
        QCOMPARE(g_bytHexDisplay, quint8(1));
    }

    // --- byte counts ---

    void statusBarCountsBytesSinceThePortOpened_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("counted");
        QTest::addColumn<QString>("reopened");
        QTest::newRow("de") << 0 << QStringLiteral("Empfangen: 6 Bytes, gesendet: 3 Bytes")
                            << QStringLiteral("Empfangen: 0 Bytes, gesendet: 0 Bytes");
        QTest::newRow("en") << 1 << QStringLiteral("Received: 6 bytes, sent: 3 bytes")
                            << QStringLiteral("Received: 0 bytes, sent: 0 bytes");
    }
    void statusBarCountsBytesSinceThePortOpened()
    {
        QFETCH(int, language);
        QFETCH(QString, counted);
        QFETCH(QString, reopened);
        QVERIFY(startOnFakes(1, quint8(language)));
        receive("OK\r\n");
        p->session().SendText(QStringLiteral("AT<CR>")); // shown as typed, three bytes out
        form().mnuEditHex->trigger();
        receive("12");                                    // shown as five characters
        // A note line is the program's text, not traffic.
        p->session().AddTrafficLine(kMarkerNote, QStringLiteral("Verbindung verloren"));
        // While lines stream in, the panel follows within a quarter second.
        p->timers()->advance(TrafficCounters::kCalmMs);
        QCOMPARE(form().stbStatusBytes->text(), counted);
        QVERIFY(form().stbStatusBytes->isVisible());
        p->session().closeInterface();
        QCOMPARE(form().stbStatusBytes->text(), counted);
        p->session().prc_MainOpenInterface();
        QCOMPARE(form().stbStatusBytes->text(), reopened);
    }

    // The panel changes with a line, in the list's own frame, never by a timer of its own while
    // lines keep coming; a last line still shows within kCalmMs.
    void byteCountsFollowAStreamWithTheLines()
    {
        QVERIFY(startOnFakes(1, 1));
        const auto shows = [this](int received) {
            return form().stbStatusBytes->text()
                == QStringLiteral("Received: %1 bytes, sent: 0 bytes").arg(received);
        };
        receive("A"); // the first line shows at once
        QVERIFY(shows(1));
        receive("B"); // lines 100 ms apart: the panel waits while the spell lasts
        receive("C");
        QVERIFY(shows(1));
        receive("D"); // the first line after the spell shows every byte so far
        QVERIFY(shows(4));
        receive("E");
        QVERIFY(shows(4));
        p->timers()->advance(TrafficCounters::kCalmMs);
        QVERIFY(shows(5));
    }

    // New figures of the same length leave the status bar's layout alone; more digits, or
    // another language, make the panel as wide as its text.
    void byteCountsKeepTheirPanelsSizeUntilTheTextChangesShape()
    {
        QVERIFY(startOnFakes(1, 1));
        QLabel *panel = form().stbStatusBytes;
        LayoutRequests requests(form().stbStatus);
        const auto fitsItsText = [panel] { return panel->size() == panel->sizeHint(); };
        receive("A");
        QCoreApplication::processEvents();
        const int reshaped = requests.count;
        QVERIFY(fitsItsText());
        for (const char *text : {"B", "C", "D"}) {
            p->timers()->advance(TrafficCounters::kCalmMs);
            receive(text);
        }
        QCOMPARE(panel->text(), QStringLiteral("Received: 4 bytes, sent: 0 bytes"));
        QCoreApplication::processEvents();
        QCOMPARE(requests.count, reshaped);

        p->timers()->advance(TrafficCounters::kCalmMs);
        receive("0123456789");
        QCOMPARE(panel->text(), QStringLiteral("Received: 14 bytes, sent: 0 bytes"));
        QVERIFY(fitsItsText());
        g_bytLanguage = 0;
        form().ApplyLanguage();
        QCOMPARE(panel->text(), QStringLiteral("Empfangen: 14 Bytes, gesendet: 0 Bytes"));
        QVERIFY(fitsItsText());
        QCoreApplication::processEvents();
        QVERIFY(requests.count > reshaped);
    }
};

QTEST_MAIN(TstListPause)
#include "tst_listpause.moc"
