#include "MainProgram.h"

#include "KeyTyping.h"
#include "frmMain.h"
#include "frmProgramInfo.h"
#include "frmSpecialChar.h"

#include <QLineEdit>

namespace {

// The main window's handler returns at once; the dialog blocks input to the other windows
// until it closes, and then goes away.
void openModal(QDialog *dialog)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
}

} // namespace

void MainProgram::ShowSpecialCharDialog()
{
    auto *dialog = new frmSpecialChar(m_form.get());
    QObject::connect(dialog, &QDialog::accepted, m_form.get(), [this, dialog] {
        QLineEdit *field = m_form->txtSend;
        m_form->activateWindow();
        field->setFocus(Qt::OtherFocusReason);
        m_form->restoreSendFieldSelection();
        // As typed keys, so that the field's change and key handling follow the insertion.
        TypeText(field, dialog->chosenToken());
    });
    openModal(dialog);
}

void MainProgram::ShowProgramInfoDialog()
{
    openModal(new frmProgramInfo(m_form.get()));
}
