#include "CaptureActions.h"

#include "CaptureStatusPanel.h"
#include "Twips.h"
#include "frmMain.h"
#include "modTools.h"

#include <QAction>
#include <QMenu>
#include <QStatusBar>

void createCaptureControls(frmMain &form)
{
    form.mnuFileCaptureStart = named(new QAction(&form), "mnuFileCaptureStart");
    form.mnuFileCaptureStop = named(new QAction(&form), "mnuFileCaptureStop");
    form.mnuFileCaptureStop->setEnabled(false);
    form.mnuFile->insertActions(form.mnuSpace1, {form.mnuFileCaptureStart, form.mnuFileCaptureStop});
    form.stbCapture = new CaptureStatusPanel(form.stbStatus);
    form.stbStatus->addPermanentWidget(form.stbCapture);
}

void applyCaptureLanguage(frmMain &form)
{
    form.mnuFileCaptureStart->setText(fkt_ToolsGetResString(1700));
    form.mnuFileCaptureStop->setText(fkt_ToolsGetResString(1701));
    form.stbCapture->retranslate();
}
