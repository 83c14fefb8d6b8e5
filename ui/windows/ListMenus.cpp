#include "ListMenus.h"

#include "DisplayGlobals.h"
#include "Twips.h"
#include "frmMain.h"
#include "modFormat.h"
#include "modTools.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QVariant>

#include <algorithm>

void createListEntries(frmMain &form)
{
    // Saving the list belongs with saving the command file, before the separator above Quit.
    form.mnuFileSaveList = named(new QAction(&form), "mnuFileSaveList");
    form.mnuFile->insertAction(form.mnuSpace1, form.mnuFileSaveList);

    form.mnuEdit->addSeparator();
    form.mnuEditCopy = named(form.mnuEdit->addAction(QString()), "mnuEditCopy");
    form.mnuEditCopy->setShortcut(QKeySequence::Copy);
    form.mnuEditCopyAll = named(form.mnuEdit->addAction(QString()), "mnuEditCopyAll");
    form.mnuEdit->addSeparator();
    form.mnuEditFind = named(form.mnuEdit->addAction(QString()), "mnuEditFind");
    form.mnuEditFind->setShortcut(QKeySequence::Find);
    form.mnuEditPause = named(form.mnuEdit->addAction(QString()), "mnuEditPause");
    form.mnuEditPause->setCheckable(true);
    form.mnuEditPause->setShortcut(QKeySequence(Qt::Key_Pause));
    form.mnuEditHex = named(form.mnuEdit->addAction(QString()), "mnuEditHex");
    form.mnuEditHex->setCheckable(true);
    // The settings dialog changes the same setting; the entry shows it whenever it opens.
    QObject::connect(form.mnuEdit, &QMenu::aboutToShow, &form,
                     [&form] { form.mnuEditHex->setChecked(g_bytHexDisplay != 0); });
    QObject::connect(form.mnuEditHex, &QAction::toggled, &form,
                     [](bool on) { g_bytHexDisplay = on ? 1 : 0; });

    form.lstSendReceive->addActions({form.mnuEditCopy, form.mnuEditCopyAll, form.mnuFileSaveList});
    form.lstSendReceive->setContextMenuPolicy(Qt::ActionsContextMenu);

    form.stbStatusPause = named(new QLabel(form.stbStatus), "stbStatusPause");
    form.stbStatus->addPermanentWidget(form.stbStatusPause);
    form.stbStatusPause->hide();
    form.stbStatusBytes = named(new QLabel(form.stbStatus), "stbStatusBytes");
    form.stbStatus->addPermanentWidget(form.stbStatusBytes);
    showByteCounts(form, 0, 0);
}

namespace {

const char *const kLinesProperty = "pausedLines";
const char *const kReceivedProperty = "receivedBytes";
const char *const kSentProperty = "sentBytes";
const char *const kShapeProperty = "figuresShape";

// The panels' figures change many times a second while lines stream in. A panel keeps its size
// until its text changes shape (another number of digits, another language): a new layout of
// the status bar would cost more than drawing the figures.
void showFigures(QLabel *panel, const QString &text)
{
    if (panel->text() == text)
        return;
    QString shape = text;
    for (QChar &c : shape) {
        if (c.isDigit())
            c = u'0';
    }
    panel->setText(text);
    if (panel->property(kShapeProperty).toString() == shape)
        return;
    panel->setProperty(kShapeProperty, shape);
    panel->setFixedSize(panel->sizeHint());
}

void renderPanels(frmMain &form)
{
    const qint64 lines = form.stbStatusPause->property(kLinesProperty).toLongLong();
    showFigures(form.stbStatusPause, fkt_FormatInsertParam(fkt_ToolsGetResString(1747), QString::number(lines)));
    showFigures(form.stbStatusBytes, fkt_FormatInsertParam(
        fkt_ToolsGetResString(1748), QString::number(form.stbStatusBytes->property(kReceivedProperty).toLongLong()),
        QString::number(form.stbStatusBytes->property(kSentProperty).toLongLong())));
}

} // namespace

void showPausedLines(frmMain &form, qint64 lines)
{
    form.stbStatusPause->setVisible(lines >= 0);
    form.stbStatusPause->setProperty(kLinesProperty, std::max<qint64>(0, lines));
    renderPanels(form);
}

void showByteCounts(frmMain &form, qint64 received, qint64 sent)
{
    form.stbStatusBytes->setProperty(kReceivedProperty, received);
    form.stbStatusBytes->setProperty(kSentProperty, sent);
    renderPanels(form);
}

void applyListLanguage(frmMain &form)
{
    form.mnuEditCopy->setText(fkt_ToolsGetResString(1740));
    form.mnuEditCopyAll->setText(fkt_ToolsGetResString(1741));
    form.mnuFileSaveList->setText(fkt_ToolsGetResString(1742));
    form.mnuEditPause->setText(fkt_ToolsGetResString(1743));
    form.mnuEditFind->setText(fkt_ToolsGetResString(1744));
    form.mnuEditHex->setText(fkt_ToolsGetResString(1745));
    form.mnuEditHex->setChecked(g_bytHexDisplay != 0);
    renderPanels(form);
}
