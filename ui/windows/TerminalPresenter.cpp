#include "TerminalPresenter.h"

#include "Dialogs.h"
#include "TerminalSession.h"
#include "TrafficListView.h"
#include "frmMain.h"
#include "modFormat.h"
#include "modTools.h"

#include <QLineEdit>
#include <QPushButton>

#include <cmath>

TerminalPresenter::TerminalPresenter(frmMain &form, TerminalSession &session)
    : QObject(&form), m_form(form), m_session(session)
{
    m_form.lstSendReceive->setModel(&m_session.traffic());
    connect(&m_session, &TerminalSession::connectionChanged, this, &TerminalPresenter::showConnection);
    connect(&m_session, &TerminalSession::openFailed, this, &TerminalPresenter::reportOpenFailure);
    connect(&m_session, &TerminalSession::lineAppended, this, &TerminalPresenter::showAppendedLine);
    connect(&m_session, &TerminalSession::presetsChanged, this, &TerminalPresenter::showPresets);
    connect(m_form.cmdSend, &QPushButton::clicked, this, &TerminalPresenter::cmdSend_Click);
    connect(m_form.cmdDelete, &QPushButton::clicked, this, &TerminalPresenter::cmdDelete_Click);
    connect(m_form.lstSendReceive, &QListView::doubleClicked, this,
            &TerminalPresenter::lstSendReceive_DblClick);
    for (int i = 0; i < SlotCount; ++i) {
        // The fields show the session's presets; what the user types goes back into them.
        connect(m_form.txtBefehl[i], &QLineEdit::textChanged, this,
                [this, i](const QString &text) { m_session.setPreset(i + 1, text); });
    }
}

void TerminalPresenter::prc_MainSetControlsEnabled(bool enabled)
{
    // A paused list stays readable without a port, so a session can be read after an unplug.
    m_form.lstSendReceive->setEnabled(enabled || m_form.lstSendReceive->displayPaused());
    m_form.txtSend->setEnabled(enabled);
    m_form.cmdInsertSpecialChar->setEnabled(enabled);
    for (QPushButton *button : m_form.cmdBefehl)
        button->setEnabled(enabled);
    // A closed port shows the field grey, in the colour of the buttons. The field's colours
    // are its own, so the text colour must be too: a dark desktop theme's light text would
    // vanish on the white field.
    QPalette palette = m_form.txtSend->palette();
    const QColor background =
        enabled ? QColor(255, 255, 255) : m_form.cmdDelete->palette().color(QPalette::Button);
    const QColor text = readableTextColour(background, 1.0);
    // Disabled text stays greyer than enabled text, yet well readable on the grey field.
    const QColor disabledText = readableTextColour(background, 0.65);
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, background);
        palette.setColor(group, QPalette::Text, group == QPalette::Disabled ? disabledText : text);
    }
    m_form.txtSend->setPalette(palette);
}

QColor readableTextColour(const QColor &background, qreal strength)
{
    // Towards black on a light background, towards white on a dark one; "light" by the
    // luminance at which black and white text would contrast alike.
    const auto linear = [](qreal v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const qreal luminance = 0.2126 * linear(background.redF()) + 0.7152 * linear(background.greenF())
                            + 0.0722 * linear(background.blueF());
    const bool light = luminance >= 0.179;
    const qreal target = light ? 0.0 : 1.0;
    const auto mix = [&](qreal channel) { return channel + (target - channel) * strength; };
    return QColor::fromRgbF(float(mix(background.redF())), float(mix(background.greenF())),
                            float(mix(background.blueF())));
}

void TerminalPresenter::showConnection(bool open, const QString &statusText)
{
    // Closed: the text first, then the controls; open: the controls first, then the text.
    if (open) {
        prc_MainSetControlsEnabled(true);
        m_form.setStatusText(statusText);
    } else {
        m_form.setStatusText(statusText);
        prc_MainSetControlsEnabled(false);
    }
}

void TerminalPresenter::reportOpenFailure(const platform::Failure &failure)
{
    prc_MainSetControlsEnabled(false);
    reportFailedAction(&m_form, fkt_ToolsGetResString(1605), failureDescription(failure), failure.number);
}

void TerminalPresenter::showAppendedLine()
{
    if (!m_form.lstSendReceive->displayPaused())
        m_form.lstSendReceive->selectLastAndScroll();
    m_form.cmdDelete->setEnabled(true);
}

void TerminalPresenter::showPresets()
{
    for (int i = 0; i < SlotCount; ++i)
        m_form.txtBefehl[i]->setText(m_session.presets().texts[size_t(i)]);
}

void TerminalPresenter::cmdSend_Click()
{
    try {
        if (m_form.txtSend->text().isEmpty())
            return;
        m_session.SendText(m_form.txtSend->text());
        m_form.txtSend->setText(QString());
    } catch (const platform::Failure &failure) {
        reportShort(&m_form, failureDescription(failure), failure.number);
    }
}

void TerminalPresenter::cmdDelete_Click()
{
    m_session.clearTraffic();
    m_form.cmdDelete->setEnabled(false);
}

void TerminalPresenter::lstSendReceive_DblClick()
{
    const QModelIndex current = m_form.lstSendReceive->currentIndex();
    if (!current.isValid())
        return;
    const int position = current.row();
    const QString prompt = fkt_ToolsGetResString(1050) + QLatin1Char(' ') + QString::number(position);
    // Whatever the box returns, the list stays as it is. The box belongs to the list, so that
    // it is at least as wide as the list and shows as much of the line.
    (void)platform::dialogs().inputBox(m_form.lstSendReceive, prompt, kAppTitle, m_session.traffic().lineAt(position));
}
