#include "CaptureTab.h"

#include "CaptureSettings.h"
#include "Dialogs.h"
#include "Twips.h"
#include "modTools.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

CaptureTab::CaptureTab(QTabWidget *tabs) : QObject(tabs), m_tabs(tabs)
{
    tabs->addTab(new QWidget(), QString());
    // Four tabs in the design's width: where the font is too wide for them, their captions are
    // shortened rather than hidden behind scroll buttons the keyboard would stop at.
    tabs->setUsesScrollButtons(false);
    tabs->setElideMode(Qt::ElideRight);
    // The frame stands on the tab control, where the other tabs' frames stand.
    fraCapture = named(new QGroupBox(tabs), "fraCapture");
    placeTwips(fraCapture, 180, 480, 5175, 2895);
    labCaptureFolder = named(new QLabel(fraCapture), "labCaptureFolder");
    placeTwips(labCaptureFolder, 300, 450, 4605, 195);
    txtCaptureFolder = named(new QLineEdit(fraCapture), "txtCaptureFolder");
    placeTwips(txtCaptureFolder, 300, 690, 3705, 315);
    cmdCaptureFolder = named(new QPushButton(fraCapture), "cmdCaptureFolder");
    placeTwips(cmdCaptureFolder, 4080, 690, 825, 315);
    cmdCaptureFolder->setAutoDefault(false);
    chkCaptureRaw = named(new QCheckBox(fraCapture), "chkCaptureRaw");
    placeTwips(chkCaptureRaw, 360, 1200, 4545, 315);
    fraCapture->setVisible(tabs->currentIndex() == kTabIndex);
    connect(tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        fraCapture->setVisible(tab == kTabIndex);
        if (tab == kTabIndex)
            fraCapture->raise();
    });
    connect(cmdCaptureFolder, &QPushButton::clicked, this, &CaptureTab::chooseFolder);
}

void CaptureTab::fill()
{
    txtCaptureFolder->setText(QDir::toNativeSeparators(g_strCaptureFolder));
    chkCaptureRaw->setChecked(g_bytCaptureRaw != 0);
}

void CaptureTab::read() const
{
    g_strCaptureFolder = txtCaptureFolder->text().trimmed();
    // A value other than 0 and 1 from the file stays while the box is not touched.
    if (chkCaptureRaw->isChecked() != (g_bytCaptureRaw != 0))
        g_bytCaptureRaw = chkCaptureRaw->isChecked() ? 1 : 0;
}

void CaptureTab::applyLanguage()
{
    m_tabs->setTabText(kTabIndex, fkt_ToolsGetResString(1710));
    fraCapture->setTitle(fkt_ToolsGetResString(1504));
    labCaptureFolder->setText(fkt_ToolsGetResString(1711));
    cmdCaptureFolder->setText(fkt_ToolsGetResString(1712));
    chkCaptureRaw->setText(fkt_ToolsGetResString(1713));
}

void CaptureTab::chooseFolder()
{
    const QString current = txtCaptureFolder->text().trimmed();
    const std::optional<QString> chosen = platform::dialogs().chooseFolder(
        m_tabs->window(), fkt_ToolsGetResString(1714), current.isEmpty() ? QDir::homePath() : current);
    if (chosen && !chosen->isEmpty())
        txtCaptureFolder->setText(QDir::toNativeSeparators(*chosen));
}
