#pragma once
// The main window: its controls at their design places, its menus, its captions in the current
// language and the way the controls follow the window's size. What the controls do is wired up
// by the terminal core (app/), the command slots (commands/) and the settings (settings/).
#include "Dialogs.h"
#include "SerialPort.h"
#include "Twips.h"

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <memory>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPushButton;
class QStatusBar;

constexpr int kDesignWidth = 10770;  // outer size in twips, also the minimum size
constexpr int kDesignHeight = 8790;
// Outer size minus the area below the menu bar, in twips (borders and menu bar of the design).
constexpr int kFrameExtraWidth = 120;
constexpr int kFrameExtraHeight = 810;

constexpr int SlotCount = 8;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // Takes ownership of the serial port; listView is the traffic list view to place (owned
    // by the window from then on), so that the terminal core decides how lines are kept.
    frmMain(std::unique_ptr<platform::SerialPort> port, QListView *listView,
            QWidget *parent = nullptr);
    ~frmMain() override;

    void ApplyLanguage();
    void ArrangeControls();
    static int EnforceMinimumSize(QWidget *window, int minWidth, int minHeight, int width,
                                  int height);

    // Panel 1 of the status bar.
    void setStatusText(const QString &text);
    QString statusText() const;

    // The outer size in twips as the layout rules see it.
    int outerWidthTwips() const;
    int outerHeightTwips() const;
    // Resizes the window so that its outer size is the given size in twips.
    void resizeTwips(int width, int height);

    // Presses the window's default button as Enter does.
    void pressDefaultButton();

    // The send field keeps its selection while another control has the focus, as a text box
    // of the original platform does: a token chosen in a dialog then replaces it.
    void restoreSendFieldSelection();

    QLabel *labSendText = nullptr;
    QLineEdit *txtSend = nullptr;
    QPushButton *cmdInsertSpecialChar = nullptr;
    QLabel *labSendReceiveText = nullptr;
    QListView *lstSendReceive = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdSend = nullptr;
    QGroupBox *fraCommands = nullptr;
    QPushButton *cmdQuit = nullptr;
    QStatusBar *stbStatus = nullptr;
    std::array<QPushButton *, SlotCount> cmdBefehl{};
    std::array<QLineEdit *, SlotCount> txtBefehl{};

    QMenu *mnuFile = nullptr;
    QAction *mnuFileLoadConfig = nullptr;
    QAction *mnuFileSaveConfig = nullptr;
    QAction *mnuSpace1 = nullptr;
    QAction *mnuFileQuit = nullptr;
    QMenu *mnuEdit = nullptr;
    QAction *mnuEditSettings = nullptr;
    QMenu *mnuQuestion = nullptr;
    QAction *mnuQuestionProgramInfo = nullptr;

    // The invisible components.
    std::unique_ptr<platform::SerialPort> mscPort;
    platform::FileDialogOptions cdlCommonDialog;
    QTimer timTimer;

signals:
    // Every way of closing the window ends here, before the window goes away.
    void unloading();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls(QListView *listView);
    void createCommandSlots();
    void createMenus();
    void createShortcuts();
    void setTabOrder();

    QWidget *m_client = nullptr;
    QLabel *m_statusPanel = nullptr;
    bool m_unloaded = false;

    struct Selection {
        QString text;
        int start = -1;
        int length = 0;
    };
    Selection m_sendSelection;
};

// A widget's geometry in twips, relative to its parent.
QRect twipsGeometry(const QWidget *widget);
