#pragma once
// The settings dialog's capture tab: the folder of the automatic capture (empty for none),
// with a button that opens a folder chooser, and whether captures also keep the received bytes
// raw. Like the other tabs it fills itself from the settings and writes them back on OK only.
#include <QObject>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

class CaptureTab : public QObject {
    Q_OBJECT
public:
    static constexpr int kTabIndex = 3;

    // Adds the tab to the dialog's tab control; the controls are the tab control's children.
    explicit CaptureTab(QTabWidget *tabs);

    void fill();
    void read() const;
    void applyLanguage();

    QGroupBox *fraCapture = nullptr;
    QLabel *labCaptureFolder = nullptr;
    QLineEdit *txtCaptureFolder = nullptr;
    QPushButton *cmdCaptureFolder = nullptr;
    QCheckBox *chkCaptureRaw = nullptr;

private:
    void chooseFolder();
    void fitTabFont();

    QTabWidget *m_tabs;
};
