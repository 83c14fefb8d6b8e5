#include "CaptureTab.h"

#include "Captions.h"
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
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>

CaptureTab::CaptureTab(QTabWidget *tabs) : QObject(tabs), m_tabs(tabs)
{
    tabs->addTab(new QWidget(), QString());
    // Four tabs in the design's width, never behind scroll buttons the keyboard would stop at:
    // applyLanguage() fits their font, and a caption is shortened only as a last resort.
    tabs->setUsesScrollButtons(false);
    tabs->setElideMode(Qt::ElideRight);
    // The frame stands on the tab control, where the other tabs' frames stand.
    fraCapture = createControl<QGroupBox>(tabs, "fraCapture", 180, 480, 5175, 2895);
    // The label may take two lines: folder names and their explanation are long.
    labCaptureFolder = createControl<QLabel>(fraCapture, "labCaptureFolder", 300, 390, 4605, 450);
    labCaptureFolder->setWordWrap(true);
    labCaptureFolder->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    txtCaptureFolder = createControl<QLineEdit>(fraCapture, "txtCaptureFolder", 300, 900, 3705, 315);
    cmdCaptureFolder = createControl<QPushButton>(fraCapture, "cmdCaptureFolder", 4080, 900, 825, 315);
    cmdCaptureFolder->setAutoDefault(false);
    chkCaptureRaw = createControl<QCheckBox>(fraCapture, "chkCaptureRaw", 300, 1410, 4605, 315);
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
    setCaptions({{fraCapture, 1504}, {labCaptureFolder, 1711}, {cmdCaptureFolder, 1712}, {chkCaptureRaw, 1713}});
    fitTabFont();
}

// The design's tab strip holds three captions; with the fourth, a wide font (or a long
// language) would need more room than the dialog has: the strip's font gives up what it must.
void CaptureTab::fitTabFont()
{
    QTabBar *bar = m_tabs->tabBar();
    QFont font = m_tabs->font();
    bar->setFont(font);
    const bool points = font.pointSizeF() > 0;
    for (int step = 0; step < 8 && bar->sizeHint().width() > m_tabs->width(); ++step) {
        if (points)
            font.setPointSizeF(font.pointSizeF() * 0.95);
        else
            font.setPixelSize(std::max(1, font.pixelSize() - 1));
        bar->setFont(font);
    }
}

void CaptureTab::chooseFolder()
{
    const QString current = txtCaptureFolder->text().trimmed();
    const std::optional<QString> chosen = platform::dialogs().chooseFolder(
        m_tabs->window(), fkt_ToolsGetResString(1714), current.isEmpty() ? QDir::homePath() : current);
    if (chosen && !chosen->isEmpty())
        txtCaptureFolder->setText(QDir::toNativeSeparators(*chosen));
}
