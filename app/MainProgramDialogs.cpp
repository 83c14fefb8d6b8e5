#include "MainProgram.h"

#include "KeyTyping.h"
#include "Twips.h"
#include "frmMain.h"
#include "frmProgramInfo.h"
#include "frmSpecialChar.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>

void MainProgram::showSpecialCharDialog()
{
    // Cancel and the close box give the focus back to where it was; without that no widget
    // would have it and Enter would do nothing.
    const QPointer<QWidget> before = QApplication::focusWidget();
    auto *dialog = new frmSpecialChar(m_form.get());
    QObject::connect(dialog, &QDialog::rejected, m_form.get(), [this, before] {
        QWidget *target = before && before->window() == m_form.get() && before->isEnabled()
                              ? before.data()
                              : m_form->txtSend;
        m_form->activateWindow();
        target->setFocus(Qt::OtherFocusReason);
        if (target == m_form->txtSend)
            m_form->restoreSendFieldSelection();
    });
    QObject::connect(dialog, &QDialog::accepted, m_form.get(), [this, dialog] {
        QLineEdit *field = m_form->txtSend;
        m_form->activateWindow();
        field->setFocus(Qt::OtherFocusReason);
        m_form->restoreSendFieldSelection();
        // As typed keys, so that the field's change and key handling follow the insertion.
        typeText(field, dialog->chosenToken());
    });
    openDialog(dialog);
}

void MainProgram::showProgramInfoDialog()
{
    openDialog(new frmProgramInfo(m_form.get()));
}
