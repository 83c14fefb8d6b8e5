#include "TrafficListOutput.h"

#include "Dialogs.h"
#include "DisplayPause.h"
#include "TerminalSession.h"
#include "TrafficCounters.h"
#include "TrafficListView.h"
#include "TrafficText.h"
#include "frmFind.h"
#include "frmMain.h"
#include "modFormat.h"
#include "modTools.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QSaveFile>

TrafficListOutput::TrafficListOutput(frmMain &form, TerminalSession &session, const QString &programFolder)
    : QObject(&form), m_form(form), m_session(session), m_folder(programFolder),
      m_pause(new DisplayPause(form, session, this)),
      m_counters(new TrafficCounters(form, session, this))
{
    connect(m_form.mnuEditCopy, &QAction::triggered, this, &TrafficListOutput::copySelectedLine);
    connect(m_form.mnuEditCopyAll, &QAction::triggered, this, &TrafficListOutput::copyAll);
    connect(m_form.mnuFileSaveList, &QAction::triggered, this, &TrafficListOutput::saveList);
    connect(m_form.mnuEditFind, &QAction::triggered, this, &TrafficListOutput::showFind);
}

void TrafficListOutput::copySelectedLine()
{
    const QItemSelectionModel *selection = m_form.lstSendReceive->selectionModel();
    if (!selection || !selection->hasSelection())
        return;
    const QModelIndexList rows = selection->selectedRows();
    if (rows.isEmpty())
        return;
    QGuiApplication::clipboard()->setText(m_session.traffic().captureLineAt(rows.first().row()));
}

void TrafficListOutput::copyAll()
{
    QGuiApplication::clipboard()->setText(trafficCaptureText(m_session.traffic()));
}

void TrafficListOutput::saveList()
{
    // Made anew before every use, like the command file dialogs.
    const std::optional<QString> path = m_form.chooseSaveFile(
        {.initialFolder = m_folder, .proposedName = QStringLiteral("TrafficList.txt"),
         .filter = fkt_ToolsGetResString(1749), .defaultSuffix = QStringLiteral(".txt"),
         .title = fkt_ToolsGetResString(1742), .confirmOverwrite = true});
    if (!path || path->isEmpty())
        return;
    // A saved list ends each line like a capture file does, so the two compare line by line.
    QString text = trafficCaptureText(m_session.traffic());
    if (!text.isEmpty())
        text.append(u'\n');
    const QString failure = writeListFile(*path, text);
    if (!failure.isEmpty())
        platform::dialogs().messageBox(&m_form, fkt_FormatInsertParam(fkt_ToolsGetResString(1750), *path, failure),
                                       kAppTitle, platform::MessageIcon::Critical);
}

void TrafficListOutput::showFind()
{
    if (!m_find)
        m_find = new frmFind(m_form, m_session.traffic(), &m_form);
    m_find->showBar();
}

QString writeListFile(const QString &path, const QString &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return QString();
}
