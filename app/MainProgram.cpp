#include "MainProgram.h"

#include "CommandFiles.h"
#include "CommandSlots.h"
#include "SettingsStore.h"
#include "TerminalCore.h"
#include "TrafficList.h"
#include "frmMain.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

MainProgram::MainProgram(const QString &programFolder, std::unique_ptr<platform::SerialPort> port)
    : m_folder(programFolder), m_model(std::make_unique<TrafficListModel>())
{
    m_view = new TrafficListView();
    m_view->setModel(m_model.get());
    m_form = std::make_unique<frmMain>(std::move(port), m_view);
    m_terminal = new TerminalCore(*m_form, *m_model, *m_view);
    m_commands = new CommandSlots(*m_form, [this](const QString &text) { m_terminal->SendText(text); });
    QObject::connect(m_form.get(), &frmMain::unloading, m_form.get(), [this] { Unload(); });
    ConnectMenus();
}

MainProgram::~MainProgram()
{
    // The window and its controls go first; the model they show outlives them.
    m_form.reset();
}

void MainProgram::ConnectMenus()
{
    frmMain &form = *m_form;
    QObject::connect(form.mnuFileLoadConfig, &QAction::triggered, &form, [this] {
        prc_MainLoadCommandFile(*m_form, QString(), m_folder);
        m_commands->RefreshToolTips();
    });
    QObject::connect(form.mnuFileSaveConfig, &QAction::triggered, &form,
                     [this] { prc_MainSaveCommandFile(*m_form, QString(), m_folder); });
    QObject::connect(form.mnuEditSettings, &QAction::triggered, &form, [this] { ShowSettingsDialog(); });
    QObject::connect(form.cmdInsertSpecialChar, &QPushButton::clicked, &form,
                     [this] { ShowSpecialCharDialog(); });
    QObject::connect(form.mnuQuestionProgramInfo, &QAction::triggered, &form,
                     [this] { ShowProgramInfoDialog(); });
}

void MainProgram::Load()
{
    prc_MainLoadSettings(*m_form, m_folder);
    m_terminal->prc_MainOpenInterface();
    m_form->ApplyLanguage();
    m_commands->RefreshToolTips();
    m_form->txtSend->setText(QString());
    // Setting an empty field to empty raises no change, but the button must follow anyway.
    m_commands->UpdateSendButton();
}

void MainProgram::Unload()
{
    prc_MainSaveSettings(*m_form, m_folder);
}
