#pragma once
// The settings dialog: serial port, baud rate, program language and the display of special
// characters, in three tabs. It fills itself from the global settings record when it is
// created; OK writes the record back, reopens the serial interface through the callback and
// closes; Cancel, Esc and the close box close and change nothing. It never writes
// Settings.ini.
//
// The dialog is application-modal; whoever opens it shows it without a nested event loop
// (show(), never exec()) and learns of its end from QDialog::finished.
//
// Values the controls cannot show (a baud position above 10, a language above 1, a
// special-character value above 2) show no selection (the check box: its third state) and go
// back into the record unchanged unless the user picks another value. The special-character
// value 2 shows the check box in its third state and goes back as 2.
#include "Twips.h"

#include <QDialog>
#include <QRect>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <vector>

class CaptureTab;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

// A rate typed into txtBaudrateCustom: a whole number of baud the serial layer may try.
std::optional<qint32> typedRateFromText(const QString &text);

class frmSettings : public QDialog {
    Q_OBJECT
public:
    using PortListSource = std::function<QString()>; // the port list of port discovery
    using ReopenInterface = std::function<void()>;

    frmSettings(PortListSource portList, ReopenInterface reopenInterface,
                QWidget *parent = nullptr);

    void FillControls();
    void ReadControls();
    void ApplyLanguage();
    // Asks for the port list again and rebuilds the lists, keeping the selected port
    // (LivePortList.cpp).
    void refreshPortLists();
    // Whether the port taken at OK is the system console: only the user selects it.
    bool consoleChosen() const;

    // Builds the visible port list and its companion (zero-based port indexes as decimal
    // text) from a port list and selects the entry of currentIndex, or another by the
    // fallback rule. Only complete pairs whose number is a whole number from 1 to 256 are
    // listed, at most 127 of them; a count that is not a positive number means no ports
    // were found and offers COM1..COM14.
    static void FillPortLists(const QString &portList, QComboBox *visible, QComboBox *companion,
                              quint8 currentIndex);

    QTabWidget *SSTab1 = nullptr;
    // Tab 0, the interface: the port list with its hidden companion of port numbers, the rate.
    QGroupBox *fraInterface = nullptr;
    QLabel *labSpsPcPort = nullptr, *labSpsBaudrate = nullptr, *labSpsDataformat = nullptr;
    QComboBox *cboPcPort = nullptr, *cboBaudrate = nullptr, *cboPcPortTemp = nullptr;
    // Tab 1, the language.
    QGroupBox *fraInternational = nullptr;
    QLabel *labLanguageProgram = nullptr;
    QComboBox *cboLanguageProgram = nullptr;
    // Tab 2, the presentation.
    QGroupBox *fraPresentation = nullptr;
    QCheckBox *chkSpecialChar = nullptr, *chkHexDisplay = nullptr;
    // ConnectionControls.cpp: the rates above the table, a typed rate, reconnecting.
    QLineEdit *txtBaudrateCustom = nullptr;
    QCheckBox *chkReconnect = nullptr;
    QPushButton *cmdOk = nullptr, *cmdCancel = nullptr;
    CaptureTab *captureTab = nullptr; // tab 3, the capture's settings

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void createInterfaceTab();
    void createInternationalTab();
    void createPresentationTab();
    void setTabOrder();
    void showFramesOfTab(int tab);
    void fitCaptionsToText();
    void cmdOk_Click();
    void createConnectionControls();
    void fillConnectionControls();
    void readConnectionControls();
    void applyConnectionLanguage();

    PortListSource m_portList;
    ReopenInterface m_reopenInterface;
    std::vector<CaptionPlace> m_captioned; // labels and the check box
    quint8 m_filledPeculiar = 0;
    bool m_consoleChosen = false;
    bool m_centred = false;
};
