#include "CaptureStatusPanel.h"

#include "modFormat.h"
#include "modTools.h"

CaptureStatusPanel::CaptureStatusPanel(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("stbStatusCapture"));
    retranslate();
}

void CaptureStatusPanel::showIdle()
{
    m_state = State::Idle;
    m_fileName.clear();
    retranslate();
}

void CaptureStatusPanel::showCapturing(const QString &fileName)
{
    m_state = State::Capturing;
    m_fileName = fileName;
    retranslate();
}

void CaptureStatusPanel::showFailed(const QString &fileName)
{
    m_state = State::Failed;
    m_fileName = fileName;
    retranslate();
}

void CaptureStatusPanel::retranslate()
{
    switch (m_state) {
    case State::Idle:
        setText(fkt_ToolsGetResString(1705));
        break;
    case State::Capturing:
        setText(fkt_FormatInsertParam(fkt_ToolsGetResString(1706), m_fileName));
        break;
    case State::Failed:
        setText(fkt_FormatInsertParam(fkt_ToolsGetResString(1707), m_fileName));
        break;
    }
}
