#include "frmProgramInfo.h"

#include "Captions.h"
#include "Twips.h"

#include "TellurixIcon.h"
#include "frmMain.h"
#include "modTools.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVersionNumber>

#include <algorithm>

namespace {

constexpr int kClientWidth = 4965; // twips
constexpr int kClientHeight = 1935;
constexpr int kLabelHeight = 195;
constexpr int kFrameWidth = 3735;
constexpr int kValueColumn = 2160;
// A caption may grow up to a blank's width before its value; a value up to the frame's edge.
constexpr int kCaptionLimit = kValueColumn - 60;
constexpr int kValueLimit = kFrameWidth - 60;

const QString kProgramName = QStringLiteral("Tellurix");
const QString kReleaseDate = QStringLiteral("12.07.2006");
const QString kEngineer = QStringLiteral("Tellurix Team");



} // namespace

QString softwareVersionText(const QString &version)
{
    const QVersionNumber number = QVersionNumber::fromString(version);
    return QStringLiteral("V%1.%2.%3")
        .arg(number.majorVersion())
        .arg(number.minorVersion())
        .arg(number.microVersion());
}

QString programVersion()
{
    const QString version = QCoreApplication::applicationVersion();
    return version.isEmpty() ? QStringLiteral(TELLURIX_VERSION) : version;
}

frmProgramInfo::frmProgramInfo(QWidget *parent) : QDialog(parent)
{
    setUpFixedDialog(this, "frmProgramInfo", kClientWidth, kClientHeight);
    setWindowIcon(tellurixIcon());
    createControls();
    ApplyLanguage();
    labSoftwareVersionValue->setText(softwareVersionText(programVersion()));
    labDateValue->setText(kReleaseDate);
    fitLabelsToText();
}

void frmProgramInfo::createControls()
{
    cmdOk = createControl<QPushButton>(this, "cmdOk", 3960, 1440, 915, 375);
    connect(cmdOk, &QPushButton::clicked, this, &QDialog::accept);

    fraInfo = new QGroupBox(QStringLiteral("Information"), this);
    fraInfo->setObjectName(QStringLiteral("fraInfo"));
    placeTwips(fraInfo, 120, 120, 3735, 1695);
    fraInfo->setFocusPolicy(Qt::NoFocus);

    labProgramVersion = createLabel("labProgramVersion", 300, 360, 750, kCaptionLimit);
    labProgramVersionValue = createLabel("labProgramVersionValue", kValueColumn, 360, 1005, kValueLimit);
    labProgramVersionValue->setText(kProgramName);
    labSoftwareVersion = createLabel("labSoftwareVersion", 300, 660, 1245, kCaptionLimit);
    labSoftwareVersionValue = createLabel("labSoftwareVersionValue", kValueColumn, 660, 870, kValueLimit);
    labDate = createLabel("labDate", 300, 960, 510, kCaptionLimit);
    labDateValue = createLabel("labDateValue", kValueColumn, 960, 810, kValueLimit);
    labEngineer = createLabel("labEngineer", 300, 1230, 780, kCaptionLimit);
    labEngineerValue = createLabel("labEngineerValue", kValueColumn, 1230, 1065, kValueLimit);
    labEngineerValue->setText(kEngineer);

    Image1 = createControl<QLabel>(this, "Image1", 3960, 210, 915, 1005);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setPixmap(tellurixPicture(Image1->size()));

    // The only control that takes the focus, so Enter and Space press it.
    cmdOk->setFocus();
}

QLabel *frmProgramInfo::createLabel(const char *name, int left, int top, int width,
                                    int rightLimitTwips)
{
    auto *label = createControl<QLabel>(fraInfo, name, left, top, width, kLabelHeight);
    m_labels.push_back({label, label->geometry(), px(rightLimitTwips)});
    return label;
}

void frmProgramInfo::fitLabelsToText()
{
    for (const CaptionPlace &place : m_labels)
        fitCaption(place);
}

void frmProgramInfo::ApplyLanguage()
{
    setWindowTitle(fkt_ToolsGetResString(1200));
    setCaptions({{labProgramVersion, 1201}, {labSoftwareVersion, 1202}, {labDate, 1203},
                 {labEngineer, 1204}, {cmdOk, 1205}});
    fitLabelsToText();
}

void frmProgramInfo::keyPressEvent(QKeyEvent *event)
{
    // There is no cancel button for Esc to press.
    if (event->key() == Qt::Key_Escape || event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
