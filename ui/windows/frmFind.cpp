#include "frmFind.h"

#include "Captions.h"
#include "TrafficListModel.h"
#include "TrafficListView.h"
#include "Twips.h"
#include "frmMain.h"
#include "modFormat.h"
#include "modTools.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

frmFind::frmFind(frmMain &form, const TrafficListModel &traffic, QWidget *parent)
    : QDialog(parent, Qt::Tool), m_form(form), m_traffic(traffic)
{
    setObjectName(QStringLiteral("frmFind"));
    setModal(false);
    labFindWhat = named(new QLabel(this), "labFindWhat");
    txtFind = named(new QLineEdit(this), "txtFind");
    labFindWhat->setBuddy(txtFind);
    chkMatchCase = named(new QCheckBox(this), "chkMatchCase");
    cmdFindNext = named(new QPushButton(this), "cmdFindNext");
    cmdFindNext->setDefault(true);
    cmdFindPrevious = named(new QPushButton(this), "cmdFindPrevious");
    cmdFindPrevious->setAutoDefault(false);
    cmdClose = named(new QPushButton(this), "cmdClose");
    cmdClose->setAutoDefault(false);
    labFindResult = named(new QLabel(this), "labFindResult");

    auto *grid = new QGridLayout(this);
    grid->addWidget(labFindWhat, 0, 0);
    grid->addWidget(txtFind, 0, 1);
    grid->addWidget(cmdFindNext, 0, 2);
    grid->addWidget(chkMatchCase, 1, 1);
    grid->addWidget(cmdFindPrevious, 1, 2);
    grid->addWidget(labFindResult, 2, 0, 1, 2);
    grid->addWidget(cmdClose, 2, 2);
    grid->setColumnStretch(1, 1);

    connect(cmdFindNext, &QPushButton::clicked, this, [this] { find(FindDirection::Forward); });
    connect(cmdFindPrevious, &QPushButton::clicked, this, [this] { find(FindDirection::Backward); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(txtFind, &QLineEdit::textChanged, labFindResult, &QLabel::clear);
    ApplyLanguage();
}

void frmFind::showBar()
{
    ApplyLanguage();
    show();
    raise();
    activateWindow();
    txtFind->setFocus(Qt::ShortcutFocusReason);
    txtFind->selectAll();
}

void frmFind::ApplyLanguage()
{
    setWindowTitle(fkt_ToolsGetResString(1751));
    setCaptions({{labFindWhat, 1752}, {chkMatchCase, 1753}, {cmdFindNext, 1754},
                 {cmdFindPrevious, 1755}, {cmdClose, 1756}});
}

bool frmFind::find(FindDirection direction)
{
    TrafficListView *list = m_form.lstSendReceive;
    const QModelIndex current = list->currentIndex();
    const int row = findTrafficLine(m_traffic, txtFind->text(), current.isValid() ? current.row() : -1,
                                    direction, chkMatchCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive);
    if (row < 0) {
        labFindResult->setText(fkt_FormatInsertParam(fkt_ToolsGetResString(1757), txtFind->text()));
        return false;
    }
    labFindResult->clear();
    // Paused first: a line arriving now must not take the hit's selection away.
    m_form.mnuEditPause->setChecked(true);
    const QModelIndex hit = m_traffic.index(row);
    list->selectionModel()->setCurrentIndex(hit, QItemSelectionModel::ClearAndSelect);
    list->scrollTo(hit, QAbstractItemView::PositionAtCenter);
    return true;
}
