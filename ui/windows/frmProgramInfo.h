#pragma once
// The program information dialog: name, version, release date, developer and the icon.
// OK and the close box close it; Esc does not.
#include "Twips.h"

#include <QDialog>
#include <QRect>
#include <QString>
#include <vector>

class QGroupBox;
class QLabel;
class QPushButton;

// "V" and the first three parts of a version text, each in plain decimal: "2006.1.0.0" gives
// "V2006.1.0". Missing parts count as 0.
QString softwareVersionText(const QString &version);

// The program's version: the application's, when one is set, else the one it was built as.
QString programVersion();

class frmProgramInfo : public QDialog {
    Q_OBJECT
public:
    explicit frmProgramInfo(QWidget *parent = nullptr);

    void ApplyLanguage();

    QGroupBox *fraInfo = nullptr;
    // The frame's rows, each a caption and its value.
    QLabel *labProgramVersion = nullptr, *labProgramVersionValue = nullptr;
    QLabel *labSoftwareVersion = nullptr, *labSoftwareVersionValue = nullptr;
    QLabel *labDate = nullptr, *labDateValue = nullptr;
    QLabel *labEngineer = nullptr, *labEngineerValue = nullptr;
    QPushButton *cmdOk = nullptr;
    QLabel *Image1 = nullptr;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createControls();
    QLabel *createLabel(const char *name, int left, int top, int width, int rightLimitTwips);
    void fitLabelsToText();

    std::vector<CaptionPlace> m_labels;
};
