#include "frmSettings.h"

#include "Captions.h"
#include "Twips.h"

#include "BaudRates.h"
#include "HexDisplayOption.h"
#include "CaptureTab.h"
#include "PortDiscovery.h"
#include "TextNumbers.h"
#include "modFormat.h"
#include "modGlobal.h"
#include "modTools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>

#include <algorithm>
#include <array>
#include <optional>

namespace {

constexpr int kClientWidth = 5745;
constexpr int kClientHeight = 4230;

constexpr int kFixedPortCount = 14; // offered when discovery found nothing
constexpr int kMaxListedPorts = 127; // field 2k + 1 must stay a byte
constexpr int kHighestPortNumber = 256;
const QString kPortTemplate = QStringLiteral("COM%%");
const QString kNameSeparator = QStringLiteral("  -  ");




QString portListField(const QString &portList, int number, bool numbersOnly)
{
    return fkt_FormatExtractSpecParameter(portList, static_cast<quint8>(number), numbersOnly,
                                          QString(kPortListSeparator));
}

// A port number the serial layer can open: a whole number from 1 to 256.
std::optional<int> portNumberFromText(const QString &text)
{
    if (text.size() > 3)
        return std::nullopt;
    const std::optional<qint64> number = decimalValue(text, Sign::NotAllowed);
    if (!number || *number < 1 || *number > kHighestPortNumber)
        return std::nullopt;
    return int(*number);
}

int companionNumber(const QComboBox *companion, int position)
{
    return companion->itemText(position).toInt();
}

void addFixedPorts(QComboBox *visible, QComboBox *companion)
{
    for (int n = 1; n <= kFixedPortCount; ++n) {
        visible->addItem(fkt_FormatInsertParam(kPortTemplate, QString::number(n)));
        companion->addItem(QString::number(n - 1));
    }
}

void addDiscoveredPorts(const QString &portList, qint16 count, QComboBox *visible,
                        QComboBox *companion)
{
    const qsizetype fieldCount = portList.count(kPortListSeparator) + 1;
    const int pairs = std::min<int>(count, kMaxListedPorts);
    for (int k = 1; k <= pairs; ++k) {
        if (2 * k + 1 > fieldCount)
            break; // the list ends before this pair is complete
        const std::optional<int> number = portNumberFromText(portListField(portList, 2 * k, true));
        if (!number)
            continue;
        companion->addItem(QString::number(*number - 1));
        const QString friendlyName = portListField(portList, 2 * k + 1, false);
        visible->addItem(fkt_FormatInsertParam(kPortTemplate, QString::number(*number))
                         + kNameSeparator + friendlyName);
    }
}

void swapEntries(QComboBox *list, int a, int b)
{
    const QString textA = list->itemText(a);
    list->setItemText(a, list->itemText(b));
    list->setItemText(b, textA);
}

// The first port discovery reported keeps the top place; the rest goes in ascending order.
void sortDiscoveredPorts(QComboBox *visible, QComboBox *companion)
{
    const int count = companion->count();
    for (int i = 1; i <= count - 2; ++i) {
        for (int j = i + 1; j <= count - 1; ++j) {
            if (companionNumber(companion, i) > companionNumber(companion, j)) {
                swapEntries(visible, i, j);
                swapEntries(companion, i, j);
            }
        }
    }
}

// The entry of the kernel's console, marked so by port discovery.
bool isConsoleEntry(const QComboBox *visible, int position)
{
    return visible->itemText(position).endsWith(QStringLiteral(", ") + fkt_ToolsGetResString(1621)
                                                + QLatin1Char(')'));
}

// The system console is never selected on its own: opening it would talk to this machine.
void selectCurrentPort(QComboBox *visible, const QComboBox *companion, quint8 currentIndex)
{
    const int count = companion->count();
    for (int position = 0; position < count; ++position) {
        if (companionNumber(companion, position) == currentIndex) {
            visible->setCurrentIndex(isConsoleEntry(visible, position) ? -1 : position);
            return;
        }
    }
    for (int position = 1; position < count; ++position) {
        if (companionNumber(companion, position) > 0 && !isConsoleEntry(visible, position)) {
            visible->setCurrentIndex(position);
            return;
        }
    }
    visible->setCurrentIndex(-1);
}

// A position the list cannot show selects nothing.
void selectPosition(QComboBox *list, quint8 position)
{
    list->setCurrentIndex(position < list->count() ? int(position) : -1);
}

} // namespace

frmSettings::frmSettings(PortListSource portList, ReopenInterface reopenInterface, QWidget *parent)
    : QDialog(parent), m_portList(std::move(portList)), m_reopenInterface(std::move(reopenInterface))
{
    setUpFixedDialog(this, "frmSettings", kClientWidth, kClientHeight);
    createControls();
    captureTab = new CaptureTab(SSTab1);
    const QList<QWidget *> captioned{labSpsPcPort, labSpsBaudrate, labSpsDataformat,
                                     labLanguageProgram, chkSpecialChar, chkHexDisplay};
    for (QWidget *widget : captioned) {
        // As far as the frame allows, with the design margin on the right as well.
        const int room = widget->parentWidget()->width() - widget->x();
        m_captioned.push_back({widget, widget->geometry(), room});
    }
    setTabOrder();
    createConnectionControls();
    FillControls();
    ApplyLanguage();
    // The first control of the tab order has the focus when the dialog opens.
    cmdOk->setFocus(Qt::OtherFocusReason);
}

void frmSettings::createControls()
{
    SSTab1 = createControl<QTabWidget>(this, "SSTab1", 120, 120, 5535, 3585);
    for (int tab = 0; tab < 3; ++tab)
        SSTab1->addTab(new QWidget(), QString());
    createInterfaceTab();
    createInternationalTab();
    createPresentationTab();
    connect(SSTab1, &QTabWidget::currentChanged, this, &frmSettings::showFramesOfTab);
    SSTab1->setCurrentIndex(0);
    showFramesOfTab(0);

    cmdOk = createControl<QPushButton>(this, "cmdOk", 3060, 3780, 1395, 375);
    cmdOk->setDefault(true);
    connect(cmdOk, &QPushButton::clicked, this, &frmSettings::cmdOk_Click);

    cmdCancel = createControl<QPushButton>(this, "cmdCancel", 4560, 3780, 1095, 375);
    cmdCancel->setAutoDefault(false);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

// The frames stand on the tab control itself, below its tab strip, and the current tab
// decides which of them is shown: the tab pages only carry the tabs.
void frmSettings::createInterfaceTab()
{
    fraInterface = createControl<QGroupBox>(SSTab1, "fraInterface", 180, 480, 5175, 2895);
    labSpsPcPort = createControl<QLabel>(fraInterface, "labSpsPcPort", 300, 450, 1110, 195);
    cboPcPort = createControl<QComboBox>(fraInterface, "cboPcPort", 300, 690, 4605, 315);
    labSpsBaudrate = createControl<QLabel>(fraInterface, "labSpsBaudrate", 300, 1140, 645, 195);
    cboBaudrate = createControl<QComboBox>(fraInterface, "cboBaudrate", 300, 1380, 2175, 315);
    for (quint8 position = 0; position < kBaudRates.size(); ++position) {
        // The star marks the rate a position outside the table falls back to.
        const QString text = baudRateText(position);
        cboBaudrate->addItem(position == kFallbackRatePosition ? text + QStringLiteral(" *") : text);
    }
    labSpsDataformat = createControl<QLabel>(fraInterface, "labSpsDataformat", 300, 1950, 2970, 195);
    cboPcPortTemp = createControl<QComboBox>(fraInterface, "cboPcPortTemp", 300, 2430, 2200, 315);
    cboPcPortTemp->setVisible(false);
}

void frmSettings::createInternationalTab()
{
    fraInternational = createControl<QGroupBox>(SSTab1, "fraInternational", 180, 480, 5175, 2895);
    labLanguageProgram = createControl<QLabel>(fraInternational, "labLanguageProgram", 300, 450, 1275, 195);
    cboLanguageProgram = createControl<QComboBox>(fraInternational, "cboLanguageProgram", 300, 690, 2650, 315);
    // The language names are the same in either language.
    cboLanguageProgram->addItems({QStringLiteral("Deutsch"), QStringLiteral("Englisch")});
}

void frmSettings::createPresentationTab()
{
    fraPresentation = createControl<QGroupBox>(SSTab1, "fraPresentation", 180, 480, 5175, 2895);
    chkSpecialChar = createControl<QCheckBox>(fraPresentation, "chkSpecialChar", 360, 450, 3195, 315);
    chkHexDisplay = createHexDisplayBox(fraPresentation);
}

void frmSettings::setTabOrder()
{
    const QList<QWidget *> order{cmdOk,           cmdCancel,          SSTab1,
                                 fraInternational, cboLanguageProgram, labLanguageProgram,
                                 fraInterface,     cboPcPort,          labSpsPcPort,
                                 labSpsBaudrate,   labSpsDataformat,   fraPresentation,
                                 chkSpecialChar,   chkHexDisplay,      cboPcPortTemp,
                                 cboBaudrate};
    // Frames and labels never take the focus; Qt leaves them out of the chain.
    QWidget *previous = nullptr;
    for (QWidget *widget : order) {
        if (widget->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

void frmSettings::showFramesOfTab(int tab)
{
    const std::array<QGroupBox *, 3> frames{fraInterface, fraInternational, fraPresentation};
    for (int i = 0; i < int(frames.size()); ++i) {
        frames[i]->setVisible(i == tab);
        if (i == tab)
            frames[i]->raise();
    }
}

void frmSettings::showEvent(QShowEvent *event)
{
    if (!m_centred) {
        m_centred = true;
        if (const QScreen *display = screen()) {
            QRect placed = frameGeometry();
            placed.moveCenter(display->availableGeometry().center());
            move(placed.topLeft());
        }
    }
    QDialog::showEvent(event);
}

void frmSettings::FillControls()
{
    FillPortLists(m_portList ? m_portList() : QStringLiteral("0"), cboPcPort, cboPcPortTemp,
                  g_bytComPort);
    selectPosition(cboBaudrate, g_bytBaudrate);
    selectPosition(cboLanguageProgram, g_bytLanguage);
    m_filledPeculiar = g_bytPeculiar;
    if (g_bytPeculiar >= 2)
        chkSpecialChar->setCheckState(Qt::PartiallyChecked); // also makes the box tri-state
    else
        chkSpecialChar->setCheckState(g_bytPeculiar == 1 ? Qt::Checked : Qt::Unchecked);
    fillHexDisplayBox(chkHexDisplay);
    fillConnectionControls();
    captureTab->fill();
}

void frmSettings::FillPortLists(const QString &portList, QComboBox *visible, QComboBox *companion,
                                quint8 currentIndex)
{
    const qint16 count = portCountFromText(portListField(portList, 1, true)).value_or(0);
    visible->clear();
    companion->clear();
    if (count <= 0) {
        addFixedPorts(visible, companion);
    } else {
        addDiscoveredPorts(portList, count, visible, companion);
        sortDiscoveredPorts(visible, companion);
    }
    selectCurrentPort(visible, companion, currentIndex);
}

bool frmSettings::consoleChosen() const
{
    return m_consoleChosen;
}

void frmSettings::ReadControls()
{
    m_consoleChosen = cboPcPort->currentIndex() >= 0 && isConsoleEntry(cboPcPort, cboPcPort->currentIndex());
    // No selected port (none listed matched and none qualified): the port stays.
    const int port = cboPcPort->currentIndex();
    if (port >= 0 && port < cboPcPortTemp->count())
        g_bytComPort = static_cast<quint8>(companionNumber(cboPcPortTemp, port));
    if (cboBaudrate->currentIndex() >= 0 && cboBaudrate->currentIndex() < int(kBaudRates.size()))
        g_bytBaudrate = static_cast<quint8>(cboBaudrate->currentIndex());
    if (cboLanguageProgram->currentIndex() >= 0)
        g_bytLanguage = static_cast<quint8>(cboLanguageProgram->currentIndex());
    switch (chkSpecialChar->checkState()) {
    case Qt::Unchecked:
        g_bytPeculiar = 0;
        break;
    case Qt::Checked:
        g_bytPeculiar = 1;
        break;
    case Qt::PartiallyChecked:
        // Only a value of 2 or more shows this state; it goes back as it came.
        g_bytPeculiar = m_filledPeculiar;
        break;
    }
    readHexDisplayBox(chkHexDisplay);
    readConnectionControls();
    captureTab->read();
}

void frmSettings::ApplyLanguage()
{
    setWindowTitle(fkt_ToolsGetResString(1500));
    SSTab1->setTabText(0, fkt_ToolsGetResString(1501));
    SSTab1->setTabText(1, fkt_ToolsGetResString(1502));
    SSTab1->setTabText(2, fkt_ToolsGetResString(1503));
    setCaptions({{fraInterface, 1504}, {fraInternational, 1504}, {fraPresentation, 1504},
                 {labSpsPcPort, 1507}, {labSpsBaudrate, 1508}, {labSpsDataformat, 1509},
                 {labLanguageProgram, 1510}, {chkSpecialChar, 1511}, {cmdOk, 1512}, {cmdCancel, 1513}});
    nameHexDisplayBox(chkHexDisplay);
    applyConnectionLanguage();
    captureTab->applyLanguage();
    fitCaptionsToText();
}

void frmSettings::fitCaptionsToText()
{
    for (const CaptionPlace &place : m_captioned)
        fitCaption(place);
}

void frmSettings::cmdOk_Click()
{
    ReadControls();
    if (m_reopenInterface)
        m_reopenInterface();
    accept();
}
