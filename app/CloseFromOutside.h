#pragma once
// Logout, shutdown, kill and Ctrl+C close the window as the user would, even when a dialog,
// a message box or a menu holds it at that moment: those are dismissed first (a dialog as if
// cancelled), and the window closes only once no dialog's event loop is left on the stack,
// so the code that asked goes on before the session ends. A request that comes before the
// window is shown takes effect once it is.
#include <QObject>
#include <QTimer>

class QWidget;

class CloseFromOutside : public QObject {
    Q_OBJECT
public:
    explicit CloseFromOutside(QWidget &window, QObject *parent = nullptr);

    // Closes at once when nothing holds the window; a repeat changes nothing.
    void request();

private:
    void step();

    QWidget &m_window;
    QTimer m_retry;
    bool m_requested = false;
    bool m_closed = false;
};
