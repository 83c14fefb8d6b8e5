// The settings dialog on its own, offscreen: its controls, the port lists built from port
// lists of every shape, and the way the record goes in and comes back.
#include "ScriptedDialogs.h"
#include "frmSettings.h"
#include "modGlobal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

namespace {

const QChar kEtx(3);

QString list(const QStringList &fields)
{
    return fields.join(kEtx);
}

QStringList items(const QComboBox *box)
{
    QStringList result;
    for (int i = 0; i < box->count(); ++i)
        result << box->itemText(i);
    return result;
}

QRect twips(const QWidget *widget)
{
    const QRect g = widget->geometry();
    return {g.x() * 15, g.y() * 15, g.width() * 15, g.height() * 15};
}

// The design's twips as whole pixels place them.
QRect snapped(int left, int top, int width, int height)
{
    return {left / 15 * 15, top / 15 * 15, width / 15 * 15, height / 15 * 15};
}

struct Record {
    quint8 port, baud, peculiar, language;
    bool operator==(const Record &) const = default;
};

Record record()
{
    return {g_bytComPort, g_bytBaudrate, g_bytPeculiar, g_bytLanguage};
}

void setRecord(const Record &r)
{
    g_bytComPort = r.port;
    g_bytBaudrate = r.baud;
    g_bytPeculiar = r.peculiar;
    g_bytLanguage = r.language;
}

char *toString(const Record &r)
{
    return QTest::toString(QStringLiteral("port %1 baud %2 peculiar %3 language %4")
                               .arg(r.port).arg(r.baud).arg(r.peculiar).arg(r.language));
}

} // namespace

class TestSettingsDialog : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedDialogs> dialogs;
    QString portList = QStringLiteral("0");
    int listRequests = 0;
    int reopenCalls = 0;
    Record seenAtReopen{};

    std::unique_ptr<frmSettings> makeDialog()
    {
        return std::make_unique<frmSettings>(
            [this] {
                ++listRequests;
                return portList;
            },
            [this] {
                ++reopenCalls;
                seenAtReopen = record();
            });
    }

private slots:
    void init()
    {
        dialogs = std::make_unique<ScriptedDialogs>();
        portList = QStringLiteral("0");
        listRequests = reopenCalls = 0;
        setRecord({0, 0, 0, 0});
    }
    void cleanup() { dialogs.reset(); }

    void fillPortLists_data()
    {
        QTest::addColumn<QString>("portList");
        QTest::addColumn<int>("current");
        QTest::addColumn<QStringList>("visible");
        QTest::addColumn<QStringList>("companion");
        QTest::addColumn<int>("selected");

        QStringList fixed, fixedIndexes;
        for (int n = 1; n <= 14; ++n) {
            fixed << QStringLiteral("COM%1").arg(n);
            fixedIndexes << QString::number(n - 1);
        }
        QTest::newRow("no ports") << "0" << 0 << fixed << fixedIndexes << 0;
        QTest::newRow("no ports, COM5 stored") << "0" << 4 << fixed << fixedIndexes << 4;
        QTest::newRow("no ports, COM14 stored") << "0" << 13 << fixed << fixedIndexes << 13;
        QTest::newRow("no ports, COM21 stored") << "0" << 20 << fixed << fixedIndexes << 1;
        QTest::newRow("empty list") << "" << 0 << fixed << fixedIndexes << 0;
        QTest::newRow("count not a number") << list({"zwei", "1", "a"}) << 0 << fixed << fixedIndexes << 0;
        QTest::newRow("count negative") << list({"-2", "1", "a"}) << 0 << fixed << fixedIndexes << 0;

        const auto entry = [](int n, const QString &name) {
            return QStringLiteral("COM%1  -  %2").arg(n).arg(name);
        };
        QTest::newRow("one port with its name")
            << list({"1", "3", "X"}) << 2 << QStringList{entry(3, "X")} << QStringList{"2"} << 0;
        QTest::newRow("first reported stays first")
            << list({"3", "5", "A", "1", "B", "3", "C"}) << 0
            << QStringList{entry(5, "A"), entry(1, "B"), entry(3, "C")} << QStringList{"4", "0", "2"} << 1;
        QTest::newRow("rest sorted")
            << list({"3", "1", "A", "5", "B", "3", "C"}) << 4
            << QStringList{entry(1, "A"), entry(3, "C"), entry(5, "B")} << QStringList{"0", "2", "4"} << 2;
        QTest::newRow("longer sort")
            << list({"5", "9", "a", "12", "b", "2", "c", "7", "d", "1", "e"}) << 8
            << QStringList{entry(9, "a"), entry(1, "e"), entry(2, "c"), entry(7, "d"), entry(12, "b")}
            << QStringList{"8", "0", "1", "6", "11"} << 0;
        QTest::newRow("stored COM7, present COM1 and COM3")
            << list({"2", "1", "A", "3", "B"}) << 6 << QStringList{entry(1, "A"), entry(3, "B")}
            << QStringList{"0", "2"} << 1;
        QTest::newRow("stored COM7, present COM3 and COM1")
            << list({"2", "3", "B", "1", "A"}) << 6 << QStringList{entry(3, "B"), entry(1, "A")}
            << QStringList{"2", "0"} << -1;
        QTest::newRow("one port, not the stored one")
            << list({"1", "3", "X"}) << 0 << QStringList{entry(3, "X")} << QStringList{"2"} << -1;
        QTest::newRow("empty last name")
            << list({"2", "1", "A", "2", ""}) << 1 << QStringList{entry(1, "A"), entry(2, "")}
            << QStringList{"0", "1"} << 1;
        QTest::newRow("count with junk around")
            << list({"2 Ports", "1", "A", "2", "B"}) << 0 << QStringList{entry(1, "A"), entry(2, "B")}
            << QStringList{"0", "1"} << 0;
        QTest::newRow("number field filtered")
            << list({"1", "COM4", "A"}) << 3 << QStringList{entry(4, "A")} << QStringList{"3"} << 0;
        QTest::newRow("COM256 is the last")
            << list({"2", "256", "A", "257", "B"}) << 255 << QStringList{entry(256, "A")}
            << QStringList{"255"} << 0;
        QTest::newRow("count promises more pairs")
            << list({"3", "1", "A", "2", "B"}) << 0 << QStringList{entry(1, "A"), entry(2, "B")}
            << QStringList{"0", "1"} << 0;
        QTest::newRow("last pair without its name field")
            << list({"2", "1", "A", "2"}) << 0 << QStringList{entry(1, "A")} << QStringList{"0"} << 0;
        QTest::newRow("more pairs than the count")
            << list({"1", "1", "A", "2", "B"}) << 1 << QStringList{entry(1, "A")} << QStringList{"0"} << -1;
        QTest::newRow("empty number field")
            << list({"2", "", "A", "3", "B"}) << 2 << QStringList{entry(3, "B")} << QStringList{"2"} << 0;
        QTest::newRow("number field not a number")
            << list({"3", "x", "A", "1.5", "B", "4", "C"}) << 3 << QStringList{entry(4, "C")}
            << QStringList{"3"} << 0;
        QTest::newRow("number zero or negative")
            << list({"3", "0", "A", "-3", "B", "2", "C"}) << 1 << QStringList{entry(2, "C")}
            << QStringList{"1"} << 0;
        QTest::newRow("nothing valid")
            << list({"2", "", "A", "x", "B"}) << 0 << QStringList{} << QStringList{} << -1;

        QStringList many{QStringLiteral("130")};
        QStringList manyVisible, manyCompanion;
        for (int n = 1; n <= 130; ++n) {
            many << QString::number(n) << QStringLiteral("P%1").arg(n);
            if (n <= 127) {
                manyVisible << entry(n, QStringLiteral("P%1").arg(n));
                manyCompanion << QString::number(n - 1);
            }
        }
        QTest::newRow("at most 127 ports") << list(many) << 126 << manyVisible << manyCompanion << 126;
    }
    void fillPortLists()
    {
        QFETCH(QString, portList);
        QFETCH(int, current);
        QFETCH(QStringList, visible);
        QFETCH(QStringList, companion);
        QFETCH(int, selected);
        QComboBox visibleBox;
        QComboBox companionBox;
        visibleBox.addItem(QStringLiteral("stale"));
        companionBox.addItem(QStringLiteral("99"));
        frmSettings::FillPortLists(portList, &visibleBox, &companionBox, quint8(current));
        QCOMPARE(items(&visibleBox), visible);
        QCOMPARE(items(&companionBox), companion);
        QCOMPARE(visibleBox.currentIndex(), selected);
        QCOMPARE(dialogs->shown.size(), 0);
    }

    void controlsAtTheirPlaces()
    {
        const auto dialog = makeDialog();
        QCOMPARE(dialog->objectName(), QStringLiteral("frmSettings"));
        QCOMPARE(dialog->size(), QSize(5745 / 15, 4230 / 15));
        QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
        QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
        QVERIFY(!(dialog->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(dialog->windowFlags() & Qt::WindowMaximizeButtonHint));

        const struct {
            QWidget *widget;
            const char *name;
            QWidget *parent;
            QRect place;
        } expected[] = {
            {dialog->SSTab1, "SSTab1", dialog.get(), snapped(120, 120, 5535, 3585)},
            {dialog->fraInterface, "fraInterface", dialog->SSTab1, snapped(180, 480, 5175, 2895)},
            {dialog->labSpsPcPort, "labSpsPcPort", dialog->fraInterface, snapped(300, 450, 1110, 195)},
            {dialog->cboPcPort, "cboPcPort", dialog->fraInterface, snapped(300, 690, 4605, 315)},
            {dialog->labSpsBaudrate, "labSpsBaudrate", dialog->fraInterface, snapped(300, 1140, 645, 195)},
            {dialog->cboBaudrate, "cboBaudrate", dialog->fraInterface, snapped(300, 1380, 2175, 315)},
            {dialog->labSpsDataformat, "labSpsDataformat", dialog->fraInterface, snapped(300, 1950, 2970, 195)},
            {dialog->cboPcPortTemp, "cboPcPortTemp", dialog->fraInterface, snapped(300, 2430, 2200, 315)},
            {dialog->fraInternational, "fraInternational", dialog->SSTab1, snapped(180, 480, 5175, 2895)},
            {dialog->labLanguageProgram, "labLanguageProgram", dialog->fraInternational, snapped(300, 450, 1275, 195)},
            {dialog->cboLanguageProgram, "cboLanguageProgram", dialog->fraInternational, snapped(300, 690, 2650, 315)},
            {dialog->fraPresentation, "fraPresentation", dialog->SSTab1, snapped(180, 480, 5175, 2895)},
            {dialog->chkSpecialChar, "chkSpecialChar", dialog->fraPresentation, snapped(360, 450, 3195, 315)},
            {dialog->cmdOk, "cmdOk", dialog.get(), snapped(3060, 3780, 1395, 375)},
            {dialog->cmdCancel, "cmdCancel", dialog.get(), snapped(4560, 3780, 1095, 375)},
        };
        const QList<QWidget *> captions{dialog->labSpsPcPort, dialog->labSpsBaudrate,
                                        dialog->labSpsDataformat, dialog->labLanguageProgram,
                                        dialog->chkSpecialChar};
        for (const auto &e : expected) {
            QVERIFY2(e.widget, e.name);
            QCOMPARE(e.widget->objectName(), QString::fromLatin1(e.name));
            QCOMPARE(e.widget->parentWidget(), e.parent);
            QCOMPARE(dialog->findChild<QWidget *>(QString::fromLatin1(e.name)), e.widget);
            if (!captions.contains(e.widget)) {
                QCOMPARE(twips(e.widget), e.place);
                continue;
            }
            // Captions keep their place and grow, where the font needs it, to show the text.
            const QRect place = twips(e.widget);
            QCOMPARE(place.topLeft(), e.place.topLeft());
            QVERIFY(place.width() >= e.place.width());
            QVERIFY(place.height() >= e.place.height());
            QVERIFY(e.widget->width() >= e.widget->sizeHint().width());
            QVERIFY(e.widget->geometry().right() < e.parent->width());
        }
        QCOMPARE(dialog->SSTab1->count(), 4); // the three of the design and the capture's
        QVERIFY(dialog->cboPcPortTemp->isHidden());
        for (const QComboBox *box : {dialog->cboPcPort, dialog->cboBaudrate, dialog->cboLanguageProgram})
            QVERIFY(!box->isEditable());
        QCOMPARE(items(dialog->cboBaudrate),
                 QStringList({"300", "600", "1200", "2400", "4800", "9600 *", "19200", "38400", "56000",
                              "57600", "115200", "230400", "460800", "921600", "1000000", "2000000",
                              "3000000", "Andere:"}));
        QCOMPARE(items(dialog->cboLanguageProgram), QStringList({"Deutsch", "Englisch"}));
        QVERIFY(dialog->cmdOk->isDefault());
        QVERIFY(!dialog->cmdCancel->isDefault());
    }

    void captions_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("German") << 0
                                << QStringList{"Voreinstellungen", "Schnittstelle", "International",
                                               "Darstellung", "Einstellung", "PC-Schnittstelle", "Baudrate",
                                               QString::fromUtf8("(Fix: 8 Datenbits, keine Pärität, 1 Stoppbit)"),
                                               "Programmsprache", "Sonderzeichen interpretiert darstellen",
                                               QString::fromUtf8("Übernehmen"), "Abbrechen"};
        QTest::newRow("English") << 1
                                 << QStringList{"General Settings", "Interface", "International",
                                                "Presentation", "Interface", "PC-Interface", "Baud rate",
                                                "(Fix: 8 data bits, no parity, 1 stop bit)",
                                                "Program language", "Interpret special characters", "Accept",
                                                "Cancel"};
    }
    void captions()
    {
        QFETCH(int, language);
        QFETCH(QStringList, texts);
        g_bytLanguage = quint8(language);
        const auto dialog = makeDialog();
        const QStringList shown{dialog->windowTitle(),
                                dialog->SSTab1->tabText(0),
                                dialog->SSTab1->tabText(1),
                                dialog->SSTab1->tabText(2),
                                dialog->fraInterface->title(),
                                dialog->labSpsPcPort->text(),
                                dialog->labSpsBaudrate->text(),
                                dialog->labSpsDataformat->text(),
                                dialog->labLanguageProgram->text(),
                                dialog->chkSpecialChar->text(),
                                dialog->cmdOk->text(),
                                dialog->cmdCancel->text()};
        QCOMPARE(shown, texts);
        QCOMPARE(dialog->fraInternational->title(), texts.at(4));
        QCOMPARE(dialog->fraPresentation->title(), texts.at(4));
        for (const QWidget *caption : QList<QWidget *>{dialog->labSpsPcPort, dialog->labSpsDataformat,
                                                       dialog->labLanguageProgram, dialog->chkSpecialChar})
            QVERIFY(caption->width() >= caption->sizeHint().width());
    }

    void tabsShowTheirFrames()
    {
        const auto dialog = makeDialog();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        QCOMPARE(dialog->SSTab1->currentIndex(), 0);
        const QList<QGroupBox *> frames{dialog->fraInterface, dialog->fraInternational, dialog->fraPresentation};
        for (int tab : {0, 1, 2, 0}) {
            dialog->SSTab1->setCurrentIndex(tab);
            for (int i = 0; i < 3; ++i)
                QCOMPARE(frames[i]->isVisible(), i == tab);
        }
        QVERIFY(dialog->cboPcPort->isVisible());
        QVERIFY(!dialog->cboPcPortTemp->isVisible());
    }

    void tabOrder()
    {
        const auto dialog = makeDialog();
        // Frames and labels take no focus; the controls that do follow this order.
        const QList<QWidget *> expected{dialog->cmdOk,          dialog->cmdCancel,
                                        dialog->SSTab1,         dialog->cboLanguageProgram,
                                        dialog->cboPcPort,      dialog->chkSpecialChar,
                                        dialog->chkHexDisplay,  dialog->cboPcPortTemp,
                                        dialog->cboBaudrate};
        for (QWidget *label : QList<QWidget *>{dialog->labLanguageProgram, dialog->labSpsPcPort,
                                               dialog->fraInterface, dialog->fraPresentation})
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        QList<QWidget *> chain;
        QWidget *w = dialog->cmdOk;
        do {
            if (expected.contains(w) && !chain.contains(w))
                chain << w;
            w = w->nextInFocusChain();
        } while (w != dialog->cmdOk);
        QCOMPARE(chain, expected);
    }

    void tabKeyVisitsTheShownControls_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QStringList>("visited");
        QTest::newRow("Interface") << 0 << QStringList{"cmdCancel", "qt_tabwidget_tabbar", "cboPcPort", "cboBaudrate", "chkReconnect", "cmdOk"};
        QTest::newRow("International") << 1 << QStringList{"cmdCancel", "qt_tabwidget_tabbar", "cboLanguageProgram", "cmdOk"};
        QTest::newRow("Presentation") << 2 << QStringList{"cmdCancel", "qt_tabwidget_tabbar", "chkSpecialChar", "chkHexDisplay", "cmdOk"};
    }
    void tabKeyVisitsTheShownControls()
    {
        QFETCH(int, tab);
        QFETCH(QStringList, visited);
        const auto dialog = makeDialog();
        dialog->SSTab1->setCurrentIndex(tab);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        QCOMPARE(QApplication::focusWidget(), dialog->cmdOk); // the first of the tab order
        QStringList seen;
        for (qsizetype i = 0; i < visited.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            seen << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString());
        }
        QCOMPARE(seen, visited);
    }

    void centredOnTheScreen()
    {
        const auto dialog = makeDialog();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        const QPoint screenCentre = dialog->screen()->availableGeometry().center();
        QVERIFY(qAbs(dialog->frameGeometry().center().x() - screenCentre.x()) <= 1);
        QVERIFY(qAbs(dialog->frameGeometry().center().y() - screenCentre.y()) <= 1);
    }

    void fillsFromTheRecord_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("peculiar");
        QTest::addColumn<int>("baudShown");
        QTest::addColumn<int>("languageShown");
        QTest::addColumn<int>("checkState");
        QTest::newRow("first positions") << 0 << 0 << 0 << 0 << 0 << int(Qt::Unchecked);
        QTest::newRow("115200, English, ticked") << 10 << 1 << 1 << 10 << 1 << int(Qt::Checked);
        QTest::newRow("9600") << 5 << 0 << 0 << 5 << 0 << int(Qt::Unchecked);
        QTest::newRow("third state") << 6 << 0 << 2 << 6 << 0 << int(Qt::PartiallyChecked);
        QTest::newRow("values beyond the controls") << 11 << 2 << 3 << -1 << -1 << int(Qt::PartiallyChecked);
        QTest::newRow("byte limits") << 255 << 255 << 255 << -1 << -1 << int(Qt::PartiallyChecked);
    }
    void fillsFromTheRecord()
    {
        QFETCH(int, baud);
        QFETCH(int, language);
        QFETCH(int, peculiar);
        QFETCH(int, baudShown);
        QFETCH(int, languageShown);
        QFETCH(int, checkState);
        setRecord({0, quint8(baud), quint8(peculiar), quint8(language)});
        const auto dialog = makeDialog();
        QCOMPARE(dialog->cboBaudrate->currentIndex(), baudShown);
        QCOMPARE(dialog->cboLanguageProgram->currentIndex(), languageShown);
        QCOMPARE(int(dialog->chkSpecialChar->checkState()), checkState);
        QCOMPARE(listRequests, 1);

        // Accepting untouched controls gives the record back as it was: what the controls
        // show is written again, what they cannot show is left alone.
        const Record before = record();
        Record probe = before;
        probe.peculiar = 99;
        if (baudShown >= 0)
            probe.baud = 99;
        if (languageShown >= 0)
            probe.language = 99;
        setRecord(probe);
        dialog->ReadControls();
        QCOMPARE(record(), before);
    }

    void readControlsTakesTheChoices()
    {
        portList = list({"3", "1", "A", "8", "B", "5", "C"});
        setRecord({0, 11, 7, 3});
        const auto dialog = makeDialog();
        QCOMPARE(items(dialog->cboPcPort).at(2), QStringLiteral("COM8  -  B"));
        dialog->cboPcPort->setCurrentIndex(2);
        dialog->cboBaudrate->setCurrentIndex(3);
        dialog->cboLanguageProgram->setCurrentIndex(1);
        dialog->chkSpecialChar->setCheckState(Qt::Unchecked);
        dialog->ReadControls();
        QCOMPARE(record(), (Record{7, 3, 0, 1}));
    }

    void specialCharBoxCycles()
    {
        g_bytPeculiar = 2;
        const auto dialog = makeDialog();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        dialog->SSTab1->setCurrentIndex(2);
        QCOMPARE(dialog->chkSpecialChar->checkState(), Qt::PartiallyChecked);
        QTest::mouseClick(dialog->chkSpecialChar, Qt::LeftButton);
        QCOMPARE(dialog->chkSpecialChar->checkState(), Qt::Checked);
        dialog->ReadControls();
        QCOMPARE(g_bytPeculiar, quint8(1));
        QTest::mouseClick(dialog->chkSpecialChar, Qt::LeftButton);
        dialog->ReadControls();
        QCOMPARE(g_bytPeculiar, quint8(0));
    }

    void twoStateBoxForTwoStateValues()
    {
        g_bytPeculiar = 1;
        const auto dialog = makeDialog();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        dialog->SSTab1->setCurrentIndex(2);
        QVERIFY(!dialog->chkSpecialChar->isTristate());
        QTest::mouseClick(dialog->chkSpecialChar, Qt::LeftButton);
        QCOMPARE(dialog->chkSpecialChar->checkState(), Qt::Unchecked);
        QTest::mouseClick(dialog->chkSpecialChar, Qt::LeftButton);
        QCOMPARE(dialog->chkSpecialChar->checkState(), Qt::Checked);
    }

    void noSelectedPortKeepsThePort()
    {
        portList = list({"2", "3", "B", "1", "A"});
        setRecord({6, 2, 0, 0});
        const auto dialog = makeDialog();
        QCOMPARE(dialog->cboPcPort->currentIndex(), -1);
        dialog->cboBaudrate->setCurrentIndex(4);
        dialog->ReadControls();
        QCOMPARE(record(), (Record{6, 4, 0, 0}));
    }

    void okReadsThenReopensThenCloses()
    {
        const auto dialog = makeDialog();
        QSignalSpy accepted(dialog.get(), &QDialog::accepted);
        QSignalSpy finished(dialog.get(), &QDialog::finished);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        dialog->cboPcPort->setCurrentIndex(4);
        dialog->cboBaudrate->setCurrentIndex(9);
        QTest::mouseClick(dialog->cmdOk, Qt::LeftButton);
        QCOMPARE(reopenCalls, 1);
        QCOMPARE(seenAtReopen, (Record{4, 9, 0, 0}));
        QCOMPARE(accepted.count(), 1);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialogs->shown.size(), 0);
    }

    void enterPressesOk()
    {
        const auto dialog = makeDialog();
        QSignalSpy accepted(dialog.get(), &QDialog::accepted);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        dialog->cboLanguageProgram->setCurrentIndex(1);
        dialog->cmdCancel->setFocus();
        QTest::keyClick(dialog.get(), Qt::Key_Return);
        QCOMPARE(accepted.count(), 1);
        QCOMPARE(reopenCalls, 1);
        QCOMPARE(g_bytLanguage, quint8(1));
    }

    void cancelWays_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("Cancel button") << "button";
        QTest::newRow("Esc") << "escape";
        QTest::newRow("close box") << "close";
    }
    void cancelWays()
    {
        QFETCH(QString, way);
        portList = list({"2", "1", "A", "3", "B"});
        setRecord({0, 6, 0, 0});
        const auto dialog = makeDialog();
        QSignalSpy rejected(dialog.get(), &QDialog::rejected);
        QSignalSpy finished(dialog.get(), &QDialog::finished);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        dialog->cboPcPort->setCurrentIndex(1);
        dialog->cboBaudrate->setCurrentIndex(10);
        dialog->cboLanguageProgram->setCurrentIndex(1);
        dialog->chkSpecialChar->setCheckState(Qt::Checked);
        if (way == QLatin1String("button"))
            QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
        else if (way == QLatin1String("escape"))
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        else
            dialog->close();
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(rejected.count(), 1);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(record(), (Record{0, 6, 0, 0}));
        QCOMPARE(reopenCalls, 0);
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
