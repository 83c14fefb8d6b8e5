// The settings dialog's connection controls beyond the original four: the rates above the
// table's eleven, a typed rate, and whether a lost device is reconnected.
#include "frmSettings.h"

#include "BaudRates.h"
#include "ConnectionSettings.h"
#include "TextNumbers.h"
#include "modGlobal.h"
#include "modTools.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QIntValidator>
#include <QLineEdit>

#include <algorithm>
#include <optional>

namespace {

constexpr qint32 kTextReconnect = 1783;
constexpr qint32 kTextOtherRate = 1784;

constexpr int kFirstFastPosition = int(kBaudRates.size());
constexpr int kTypedPosition = kFirstFastPosition + int(kFastBaudRates.size());

// The table position of a rate, if it is one of the eleven.
std::optional<quint8> tablePosition(qint64 rate)
{
    for (quint8 position = 0; position < kBaudRates.size(); ++position) {
        if (baudRateText(position) == QString::number(rate))
            return position;
    }
    return std::nullopt;
}

} // namespace

std::optional<qint32> typedRateFromText(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 9)
        return std::nullopt;
    const std::optional<qint64> rate = decimalValue(trimmed, Sign::NotAllowed);
    if (!rate || !isUsableRate(*rate))
        return std::nullopt;
    return qint32(*rate);
}

void frmSettings::createConnectionControls()
{
    for (const qint32 rate : kFastBaudRates)
        cboBaudrate->addItem(QString::number(rate));
    cboBaudrate->addItem(QString()); // "Other:", in the language of the moment
    txtBaudrateCustom = createControl<QLineEdit>(fraInterface, "txtBaudrateCustom", 2580, 1380, 1500, 315);
    txtBaudrateCustom->setValidator(new QIntValidator(1, kHighestTypedRate, txtBaudrateCustom));
    connect(cboBaudrate, &QComboBox::currentIndexChanged, txtBaudrateCustom, [this](int position) {
        txtBaudrateCustom->setEnabled(position == kTypedPosition);
    });
    txtBaudrateCustom->setEnabled(false);

    chkReconnect = createControl<QCheckBox>(fraInterface, "chkReconnect", 300, 2340, 4605, 315);
    m_captioned.push_back({chkReconnect, chkReconnect->geometry(), fraInterface->width() - chkReconnect->x()});

    QWidget::setTabOrder(cboBaudrate, txtBaudrateCustom);
    QWidget::setTabOrder(txtBaudrateCustom, chkReconnect);
}

void frmSettings::fillConnectionControls()
{
    chkReconnect->setChecked(g_blnReconnect);
    txtBaudrateCustom->clear();
    if (!isUsableRate(g_lngBaudrateCustom)) {
        // A stored position beyond the table is no fast rate: it shows no selection.
        if (g_bytBaudrate >= kBaudRates.size())
            cboBaudrate->setCurrentIndex(-1);
        return;
    }
    const auto fast = std::find(kFastBaudRates.begin(), kFastBaudRates.end(), g_lngBaudrateCustom);
    if (fast != kFastBaudRates.end()) {
        cboBaudrate->setCurrentIndex(kFirstFastPosition + int(fast - kFastBaudRates.begin()));
        return;
    }
    cboBaudrate->setCurrentIndex(kTypedPosition);
    txtBaudrateCustom->setText(QString::number(g_lngBaudrateCustom));
}

// A table rate goes back into Baudrate alone; a faster or typed one into its own setting,
// leaving Baudrate as it was for older copies. A typed rate that cannot be used changes nothing.
void frmSettings::readConnectionControls()
{
    g_blnReconnect = chkReconnect->isChecked();
    const int position = cboBaudrate->currentIndex();
    if (position < 0)
        return;
    if (position < kFirstFastPosition) {
        g_lngBaudrateCustom = 0;
        return;
    }
    if (position < kTypedPosition) {
        g_lngBaudrateCustom = kFastBaudRates[size_t(position - kFirstFastPosition)];
        return;
    }
    const std::optional<qint32> typed = typedRateFromText(txtBaudrateCustom->text());
    if (!typed)
        return;
    if (const std::optional<quint8> table = tablePosition(*typed)) {
        g_bytBaudrate = *table;
        g_lngBaudrateCustom = 0;
    } else {
        g_lngBaudrateCustom = *typed;
    }
}

void frmSettings::applyConnectionLanguage()
{
    cboBaudrate->setItemText(kTypedPosition, fkt_ToolsGetResString(kTextOtherRate));
    chkReconnect->setText(fkt_ToolsGetResString(kTextReconnect));
}
