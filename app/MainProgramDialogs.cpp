#include "MainProgram.h"

#include "KeyTyping.h"
#include "Twips.h"
#include "frmMain.h"
#include "frmProgramInfo.h"
#include "frmSpecialChar.h"

#include <QLineEdit>

void MainProgram::showSpecialCharDialog()
{
    auto *dialog = new frmSpecialChar(m_form.get());
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
