#include "CloseFromOutside.h"

#include "Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>

namespace {

// Often enough to feel immediate, rarely enough to cost nothing while a dialog's caller ends.
constexpr int kRetryMs = 10;

// Each modal window that the program or Qt opened, closed the way its cancel button would.
void dismissWhatHoldsTheWindow()
{
    while (QWidget *popup = QApplication::activePopupWidget()) {
        if (!popup->close())
            break;
    }
    while (QWidget *modal = QApplication::activeModalWidget()) {
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            break;
    }
}

} // namespace

CloseFromOutside::CloseFromOutside(QWidget &window, QObject *parent) : QObject(parent), m_window(window)
{
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &CloseFromOutside::step);
}

void CloseFromOutside::request()
{
    if (m_requested)
        return;
    m_requested = true;
    step();
}

void CloseFromOutside::step()
{
    // Running before the close, so that whatever closing itself asks is dismissed as well.
    if (!m_retry.isActive())
        m_retry.start();
    dismissWhatHoldsTheWindow();
    // A dialog closed just now still has its event loop on the stack until this returns.
    if (!m_closed && platform::dialogsWaiting() == 0 && m_window.isVisible()) {
        m_closed = true;
        m_window.close();
    }
    if (m_closed && !m_window.isVisible() && platform::dialogsWaiting() == 0)
        m_retry.stop();
}
