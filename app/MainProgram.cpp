#include "MainProgram.h"

#include "CaptureControl.h"
#include "CommandFileDialogs.h"
#include "CommandSlots.h"
#include "DeviceWatcher.h"
#include "LineControls.h"
#include "ModemLines.h"
#include "Reconnector.h"
#include "SettingsStore.h"
#include "TerminalPresenter.h"
#include "TerminalSession.h"
#include "TrafficListOutput.h"
#include "frmMain.h"
#include "Dialogs.h"
#include "modFormat.h"
#include "modGlobal.h"
#include "modTools.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

MainProgram::MainProgram(const QString &programFolder, std::unique_ptr<platform::SerialPort> port)
    : m_folder(programFolder),
      m_session(std::make_unique<TerminalSession>(std::move(port))),
      m_reconnector(std::make_unique<Reconnector>(*m_session, platform::makeDeviceWatcher())),
      m_modemLines(std::make_unique<ModemLines>(*m_session)),
      m_form(std::make_unique<frmMain>())
{
    m_presenter = new TerminalPresenter(*m_form, *m_session);
    m_commands = new CommandSlots(*m_form, *m_session);
    m_listOutput = new TrafficListOutput(*m_form, *m_session, m_folder);
    m_lineControls = new LineControls(*m_form, *m_session, *m_modemLines);
    m_capture = std::make_unique<CaptureControl>(*m_form, *m_session, m_folder);
    QObject::connect(m_form.get(), &frmMain::unloading, m_form.get(), [this] { saveSettings(); });
    connectMenus();
}

MainProgram::~MainProgram()
{
    // The window and its handlers go first; the session they present outlives them.
    m_capture.reset();
    m_form.reset();
}

TrafficListModel &MainProgram::traffic()
{
    return m_session->traffic();
}

void MainProgram::connectMenus()
{
    frmMain &form = *m_form;
    QObject::connect(form.mnuFileLoadConfig, &QAction::triggered, &form, [this] {
        loadCommandFileFromMenu(*m_form, *m_session, QString(), m_folder);
        m_commands->refreshToolTips();
    });
    QObject::connect(form.mnuFileSaveConfig, &QAction::triggered, &form,
                     [this] { saveCommandFileFromMenu(*m_form, *m_session, QString(), m_folder); });
    QObject::connect(form.mnuEditSettings, &QAction::triggered, &form, [this] { showSettingsDialog(); });
    QObject::connect(form.cmdInsertSpecialChar, &QPushButton::clicked, &form,
                     [this] { showSpecialCharDialog(); });
    QObject::connect(form.mnuQuestionProgramInfo, &QAction::triggered, &form,
                     [this] { showProgramInfoDialog(); });
}

void MainProgram::load()
{
    CommandSet presets;
    prc_MainLoadSettings(m_folder, presets);
    m_session->setPresets(presets);
    openInterface(false);
    m_form->ApplyLanguage();
    if (m_startupCaptureLog.isEmpty() && m_startupCaptureRaw.isEmpty())
        m_capture->startAutomatic();
    else
        m_capture->startFromCommandLine(m_startupCaptureLog, m_startupCaptureRaw);
    m_commands->refreshToolTips();
    m_form->txtSend->setText(QString());
    // Setting an empty field to empty raises no change, but the button must follow anyway.
    m_commands->updateSendButton();
}

void MainProgram::openInterface(bool userChoseConsole)
{
    const int number = g_bytComPort + 1;
    const QString path = m_consoleCheck && !userChoseConsole ? m_consoleCheck(number) : QString();
    if (!path.isEmpty()) {
        m_reconnector->stopWaiting();
        m_session->closeInterface();
        platform::dialogs().messageBox(
            m_form.get(), fkt_FormatInsertParam(fkt_ToolsGetResString(1622), QString::number(number), path),
            kAppTitle, platform::MessageIcon::Information);
        return;
    }
    m_session->prc_MainOpenInterface();
}

void MainProgram::saveSettings()
{
    prc_MainSaveSettings(m_folder, m_session->presets());
}
