#pragma once
// The find bar of the traffic list: a small tool window beside the main window, not modal, so
// the list can be read and scrolled while it is open. It finds a text in the lines'
// text-capture form (tokens included), forward or backward, with or without matching case.
// A hit selects its line, scrolls to it and pauses the display, so that new lines do not
// take the selection away.
#include "TrafficText.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TrafficListModel;
class frmMain;

class frmFind : public QDialog {
    Q_OBJECT
public:
    frmFind(frmMain &form, const TrafficListModel &traffic, QWidget *parent);

    // Shows the bar in the current language with the search text selected for typing over.
    void showBar();
    void ApplyLanguage();
    // Finds from the list's current line on; true on a hit.
    bool find(FindDirection direction);

    QLabel *labFindWhat = nullptr;
    QLineEdit *txtFind = nullptr;
    QCheckBox *chkMatchCase = nullptr;
    QPushButton *cmdFindNext = nullptr, *cmdFindPrevious = nullptr, *cmdClose = nullptr;
    QLabel *labFindResult = nullptr;

private:
    frmMain &m_form;
    const TrafficListModel &m_traffic;
};
