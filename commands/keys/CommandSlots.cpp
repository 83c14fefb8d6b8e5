#include "CommandSlots.h"

#include "TerminalSession.h"
#include "TrafficListView.h"
#include "frmMain.h"
#include "modFormat.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

namespace {
constexpr int kVkF1 = 112;
constexpr int kVkReturn = 13;
} // namespace

int virtualKeyCode(const QKeyEvent &event)
{
    const int key = event.key();
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return kVkF1 + (key - Qt::Key_F1);
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return kVkReturn;
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key;
    return 0;
}

CommandSlots::CommandSlots(frmMain &form, TerminalSession &session)
    : QObject(&form), m_form(form), m_session(session)
{
    for (int i = 0; i < SlotCount; ++i) {
        connect(m_form.cmdBefehl[i], &QPushButton::clicked, this, [this, i] { cmdBefehl_Click(i + 1); });
        m_form.cmdBefehl[i]->installEventFilter(this);
        m_form.txtBefehl[i]->installEventFilter(this);
    }
    for (QWidget *w : {static_cast<QWidget *>(m_form.cmdSend), static_cast<QWidget *>(m_form.cmdInsertSpecialChar),
                       static_cast<QWidget *>(m_form.cmdDelete), static_cast<QWidget *>(m_form.cmdQuit),
                       static_cast<QWidget *>(m_form.lstSendReceive), static_cast<QWidget *>(m_form.txtSend)})
        w->installEventFilter(this);
    m_form.installEventFilter(this);
    connect(m_form.txtSend, &QLineEdit::textChanged, this, &CommandSlots::updateSendButton);
}

void CommandSlots::ExecuteFunctionKey(int keyCode)
{
    for (int n = 1; n <= SlotCount; ++n) {
        if (keyCode == kVkF1 - 1 + n && m_form.cmdBefehl[n - 1]->isEnabled())
            m_form.cmdBefehl[n - 1]->click();
    }
}

void CommandSlots::cmdBefehl_Click(int slot)
{
    try {
        m_session.SendText(m_session.presets().text(slot));
    } catch (const platform::Failure &failure) {
        reportShort(&m_form, failureDescription(failure), failure.number);
    }
}

void CommandSlots::updateSendButton()
{
    m_form.cmdSend->setEnabled(!m_form.txtSend->text().isEmpty() && m_form.cmdBefehl[0]->isEnabled());
}

void CommandSlots::refreshToolTips()
{
    for (QLineEdit *box : m_form.txtBefehl)
        box->setToolTip(box->text());
}

bool CommandSlots::forwardsOnKeyDown(QObject *watched) const
{
    if (watched == &m_form) {
        // Keys a focused control ignored arrive here too; they were forwarded already.
        QWidget *focus = QApplication::focusWidget();
        return focus == nullptr || focus == &m_form;
    }
    return slotOfTextBox(watched) == 0;
}

int CommandSlots::slotOfTextBox(QObject *watched) const
{
    for (int i = 0; i < SlotCount; ++i) {
        if (watched == m_form.txtBefehl[i])
            return i + 1;
    }
    return 0;
}

bool CommandSlots::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && forwardsOnKeyDown(watched)) {
        ExecuteFunctionKey(virtualKeyCode(static_cast<QKeyEvent &>(*event)));
    } else if (event->type() == QEvent::KeyRelease) {
        const auto &key = static_cast<QKeyEvent &>(*event);
        if (watched == m_form.txtSend) {
            updateSendButton();
        } else if (const int slot = slotOfTextBox(watched); slot != 0 && !key.isAutoRepeat()) {
            ExecuteFunctionKey(virtualKeyCode(key));
            m_form.txtBefehl[slot - 1]->setToolTip(m_form.txtBefehl[slot - 1]->text());
        }
    }
    return false; // the focused control still gets its key
}
