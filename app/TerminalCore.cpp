#include "TerminalCore.h"

#include "Dialogs.h"
#include "Tokens.h"
#include "TrafficList.h"
#include "frmMain.h"
#include "modFormat.h"
#include "modGlobal.h"
#include "modTools.h"

#include <QLineEdit>
#include <QListView>
#include <QPushButton>

const QString kAppTitle = QStringLiteral("Tellurix");

QString BaudRateText(quint8 position)
{
    static const char *const rates[] = {"300",   "600",   "1200",  "2400",  "4800",  "9600",
                                        "19200", "38400", "56000", "57600", "115200"};
    if (position < std::size(rates))
        return QString::fromLatin1(rates[position]);
    return QStringLiteral("9600");
}

TerminalCore::TerminalCore(frmMain &form, TrafficListModel &model, TrafficListView &view)
    : QObject(&form), m_form(form), m_model(model), m_view(view), m_poller(*form.mscPort)
{
    connect(&m_form.timTimer, &QTimer::timeout, &m_poller, &ReceivePoller::tick);
    connect(&m_poller, &ReceivePoller::chunkComplete, this, &TerminalCore::ReceiveChunk);
    connect(&m_poller, &ReceivePoller::deviceLost, this, &TerminalCore::GoToPortClosed);
    connect(m_form.cmdSend, &QPushButton::clicked, this, &TerminalCore::cmdSend_Click);
    connect(m_form.cmdDelete, &QPushButton::clicked, this, &TerminalCore::cmdDelete_Click);
    connect(&m_view, &QListView::doubleClicked, this, &TerminalCore::lstSendReceive_DblClick);
}

void TerminalCore::prc_MainSetControlsEnabled(bool enabled)
{
    m_form.lstSendReceive->setEnabled(enabled);
    m_form.txtSend->setEnabled(enabled);
    m_form.cmdInsertSpecialChar->setEnabled(enabled);
    for (QPushButton *button : m_form.cmdBefehl)
        button->setEnabled(enabled);
    // A closed port shows the field grey, in the colour of the buttons.
    QPalette palette = m_form.txtSend->palette();
    const QColor background =
        enabled ? QColor(255, 255, 255) : m_form.cmdDelete->palette().color(QPalette::Button);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, background);
    m_form.txtSend->setPalette(palette);
}

void TerminalCore::prc_MainOpenInterface()
{
    platform::SerialPort &port = *m_form.mscPort;
    try {
        m_form.setStatusText(fkt_ToolsGetResString(1600));
        prc_MainSetControlsEnabled(false);
        if (port.portOpen())
            port.setPortOpen(false);
        const QString rate = BaudRateText(g_bytBaudrate);
        const qint16 portNumber = static_cast<qint16>(g_bytComPort + 1);
        port.setCommPort(portNumber);
        port.setSettings(rate + QStringLiteral(",N,8,1"));
        port.setInBufferSize(512);
        port.setInputLen(0);
        port.setRThreshold(1);
        port.setSThreshold(1);
        port.setEOFEnable(false);
        port.setHandshaking(0);
        if (!port.portOpen())
            port.setPortOpen(true);
        prc_MainSetControlsEnabled(true);
        m_form.setStatusText(
            fkt_FormatInsertParam(fkt_ToolsGetResString(1601), QString::number(portNumber), rate));
    } catch (const platform::SerialError &error) {
        prc_MainSetControlsEnabled(false);
        ReportFailedAction(&m_form, fkt_ToolsGetResString(1605), error.description, error.number);
    }
}

void TerminalCore::SendText(const QString &text)
{
    stamp = platform::clock().nowUtc();
    const QString converted = TokensToChars(text);
    m_form.mscPort->output(converted);
    AddTrafficLine(kMarkerOut, g_bytPeculiar != 0 ? text : converted);
}

void TerminalCore::AddTrafficLine(const QString &marker, const QString &data)
{
    m_model.appendLine(FormatTrafficLine(stamp, marker, data));
    m_view.selectLastAndScroll();
    m_form.cmdDelete->setEnabled(true);
}

void TerminalCore::cmdSend_Click()
{
    try {
        if (m_form.txtSend->text().isEmpty())
            return;
        SendText(m_form.txtSend->text());
        m_form.txtSend->setText(QString());
    } catch (const platform::SerialError &error) {
        ReportShort(&m_form, error.description, error.number);
    }
}

void TerminalCore::cmdDelete_Click()
{
    m_model.clear();
    m_form.cmdDelete->setEnabled(false);
}

void TerminalCore::lstSendReceive_DblClick()
{
    const QModelIndex current = m_view.currentIndex();
    if (!current.isValid())
        return;
    const int position = current.row();
    const QString prompt = fkt_ToolsGetResString(1050) + QLatin1Char(' ') + QString::number(position);
    // Whatever the box returns, the list stays as it is.
    (void)platform::dialogs().inputBox(&m_form, prompt, kAppTitle, m_model.lineAt(position));
}

void TerminalCore::ReceiveChunk()
{
    stamp = platform::clock().nowUtc();
    QString s = m_form.mscPort->input();
    if (s.isEmpty())
        return;
    if (g_bytPeculiar != 0)
        s = CharsToTokens(s);
    AddTrafficLine(kMarkerIn, s);
}

void TerminalCore::GoToPortClosed()
{
    // The device went away while open: the port is closed now; say so quietly, without a box
    // that would repeat for every tick.
    m_form.setStatusText(fkt_ToolsGetResString(1600));
    prc_MainSetControlsEnabled(false);
}
