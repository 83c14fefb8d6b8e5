#pragma once
// The main window: its controls at their design places, its menus, its captions in the current
// language and the way the controls follow the window's size. It holds no data of the session:
// what the controls show and do is wired up by the terminal presenter, the command slots and
// the program around them.
#include "CommandSet.h"
#include "Dialogs.h"
#include "TrafficListView.h"
#include "Twips.h"

#include <QMainWindow>
#include <array>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPushButton;
class QStatusBar;
class CaptureStatusPanel;

constexpr int kDesignWidth = 10770;  // outer size in twips, also the minimum size
constexpr int kDesignHeight = 8790;
// Outer size minus the area below the menu bar, in twips (borders and menu bar of the design).
constexpr int kFrameExtraWidth = 120;
constexpr int kFrameExtraHeight = 810;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);
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

    // The send field keeps its selection while another control has the focus, so that a token
    // chosen in a dialog replaces what was selected.
    void restoreSendFieldSelection();

    QLabel *labSendText = nullptr, *labSendReceiveText = nullptr; // above the field and the list
    QLineEdit *txtSend = nullptr;
    TrafficListView *lstSendReceive = nullptr;
    QPushButton *cmdInsertSpecialChar = nullptr, *cmdDelete = nullptr, *cmdSend = nullptr,
                *cmdQuit = nullptr;
    QGroupBox *fraCommands = nullptr;
    QStatusBar *stbStatus = nullptr;
    std::array<QPushButton *, SlotCount> cmdBefehl{};
    std::array<QLineEdit *, SlotCount> txtBefehl{};

    // The menu bar's menus, then their entries menu by menu.
    QMenu *mnuFile = nullptr, *mnuEdit = nullptr, *mnuQuestion = nullptr;
    QAction *mnuFileLoadConfig = nullptr, *mnuFileSaveConfig = nullptr, *mnuSpace1 = nullptr,
            *mnuFileQuit = nullptr;
    QAction *mnuEditSettings = nullptr, *mnuQuestionProgramInfo = nullptr;
    // The capture's entries and status panel (CaptureActions.cpp).
    QAction *mnuFileCaptureStart = nullptr, *mnuFileCaptureStop = nullptr;
    CaptureStatusPanel *stbCapture = nullptr;

    // Getting lines out of the list, pausing and finding, the hex display (ListMenus.cpp);
    // the first three are the list's context menu too.
    QAction *mnuEditCopy = nullptr, *mnuEditCopyAll = nullptr, *mnuFileSaveList = nullptr;
    QAction *mnuEditFind = nullptr, *mnuEditPause = nullptr, *mnuEditHex = nullptr;
    QLabel *stbStatusPause = nullptr; // lines arrived while paused; hidden otherwise
    QLabel *stbStatusBytes = nullptr; // bytes received and sent since the port opened

    // The file dialog's settings, made anew before every use.
    platform::FileDialogOptions cdlCommonDialog;
    // A save dialog with these settings, kept in cdlCommonDialog; nothing when it was cancelled.
    std::optional<QString> chooseSaveFile(const platform::FileDialogOptions &options);

signals:
    // Every way of closing the window ends here, before the window goes away.
    void unloading();
    // ApplyLanguage has set the window's captions; controls added from outside follow.
    void languageApplied();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
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
