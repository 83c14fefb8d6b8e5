#pragma once
// The special character dialog: eight toggle buttons for the control characters that can be
// sent. A mouse click chooses exactly one box; the keyboard (Space) toggles boxes one by one.
// OK takes the first ticked box in the order STX, ETX, EOT, ENQ, ACK, LF, CR, NAK and closes
// the dialog with accept(); chosenToken() then holds its token ("" when none was ticked).
// Cancel and the close box reject. Esc does nothing: the dialog has no cancel button.
//
// The dialog only chooses; whoever opened it types the token where it belongs.
#include <QDialog>
#include <QString>
#include <array>

class QGroupBox;
class QPushButton;

class frmSpecialChar : public QDialog {
    Q_OBJECT
public:
    explicit frmSpecialChar(QWidget *parent = nullptr);

    void ApplyLanguage();
    // Enables cmdOk, then unticks all eight boxes.
    void ClearSelection();
    // The token of the first ticked box in examination order; "" when none is ticked.
    QString selectedToken() const;
    // What OK chose; "" until OK was clicked.
    QString chosenToken() const { return m_chosenToken; }

    QGroupBox *fraSpecialChar = nullptr;
    // The eight boxes, row by row as they stand in the frame.
    QPushButton *chkStx = nullptr, *chkEtx = nullptr, *chkEot = nullptr, *chkEnq = nullptr;
    QPushButton *chkLf = nullptr, *chkCr = nullptr, *chkNak = nullptr, *chkAck = nullptr;
    QPushButton *cmdOk = nullptr, *cmdCancel = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Box {
        QPushButton *button;
        QString token;
    };

    void createControls();
    QPushButton *createBox(const char *name, const char *caption, int left, int top);
    void setTabOrder();
    void cmdOk_Click();
    bool isBox(const QObject *object) const;

    std::array<Box, 8> m_boxes{}; // in the order OK examines them
    QString m_chosenToken;
};
