#include "frmMain.h"

#include "ListMenus.h"
#include "CaptureActions.h"
#include "Captions.h"
#include "QtLanguage.h"
#include "TrafficListView.h"
#include "Twips.h"
#include "modFormat.h"
#include "modGlobal.h"
#include "modTools.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QStyleOptionFrame>
#include <QPainter>

namespace {

struct SlotPlace {
    int buttonTop;
    int textTop;
};

// Button 7 stands 30 twips lower than the pitch of 750 gives.
constexpr std::array<SlotPlace, SlotCount> kSlotPlaces{{{240, 570},
                                                        {990, 1320},
                                                        {1740, 2070},
                                                        {2490, 2820},
                                                        {3240, 3570},
                                                        {3990, 4320},
                                                        {4770, 5070},
                                                        {5490, 5820}}};

// A label keeps its design place but grows to show its whole caption.
void fitLabel(QLabel *label, int left, int top, int width, int height)
{
    fitCaption({label, QRect(px(left), px(top), px(width), px(height)), label->parentWidget()->width()});
}

// The frame of the command slots. Styles draw a group box's frame below its title, which
// leaves the first button, at its design place, sticking out above the frame; here the frame
// line runs through the middle of the title, as the design has it.
class CommandFrame final : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const QFontMetrics metrics(font());
        const int titleHeight = metrics.height();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, titleHeight / 2 + 0.5, -0.5, -0.5), 2, 2);
        if (title().isEmpty())
            return;
        const int indent = metrics.horizontalAdvance(QLatin1Char('x'));
        const QRect label(indent, 0, metrics.horizontalAdvance(title()) + indent, titleHeight);
        painter.fillRect(label, palette().brush(backgroundRole()));
        style()->drawItemText(&painter, label, Qt::AlignCenter | Qt::TextShowMnemonic, palette(),
                              isEnabled(), title(), QPalette::WindowText);
    }
};

// The send field's font must fit between its frame lines at the field's design height: where
// the style's frame and the field's own margins leave less room than the font needs, the text
// margins give up the difference.
void fitTextInField(QLineEdit *field)
{
    QStyleOptionFrame option;
    option.initFrom(field);
    option.rect = field->rect();
    option.lineWidth = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
    const QRect contents = field->style()->subElementRect(QStyle::SE_LineEditContents, &option, field);
    // QLineEdit keeps one pixel free above and below the text.
    const int missing = QFontMetrics(field->font()).height() + 2 - contents.height();
    if (missing <= 0)
        return;
    field->setTextMargins(0, -(missing + 1) / 2, 0, -missing / 2);
}

} // namespace

QRect twipsGeometry(const QWidget *widget)
{
    const QRect g = widget->geometry();
    return {g.x() * kTwipsPerPixel, g.y() * kTwipsPerPixel, g.width() * kTwipsPerPixel,
            g.height() * kTwipsPerPixel};
}

frmMain::frmMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    createControls();
    createMenus();
    createCaptureControls(*this);
    createShortcuts();
    setTabOrder();

    m_client->setMinimumSize(px(kDesignWidth - kFrameExtraWidth), px(kDesignHeight - kFrameExtraHeight));
    resizeTwips(kDesignWidth, kDesignHeight);
}

frmMain::~frmMain() = default;

void frmMain::createControls()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("clientArea"));
    setCentralWidget(m_client);

    labSendText = createControl<QLabel>(m_client, "labSendText", 60, 120, 1620, 195);
    txtSend = createControl<QLineEdit>(m_client, "txtSend", 60, 360, 6915, 285);
    txtSend->setFont(terminalFont());
    fitTextInField(txtSend);
    txtSend->installEventFilter(this);
    cmdInsertSpecialChar = createControl<QPushButton>(m_client, "cmdInsertSpecialChar", 4560, 30, 2415, 315);
    labSendReceiveText = createControl<QLabel>(m_client, "labSendReceiveText", 60, 690, 2700, 195);
    lstSendReceive = createControl<TrafficListView>(m_client, "lstSendReceive", 60, 930, 6915, 6180);
    cmdDelete = createControl<QPushButton>(m_client, "cmdDelete", 60, 7170, 2400, 315);
    cmdSend = createControl<QPushButton>(m_client, "cmdSend", 7080, 300, 3480, 405);
    // Disabled until a port is open or, for the delete button, until the list has a line.
    const QList<QWidget *> disabledAtStart{txtSend, cmdInsertSpecialChar, lstSendReceive, cmdDelete, cmdSend};
    for (QWidget *control : disabledAtStart)
        control->setEnabled(false);

    fraCommands = createControl<CommandFrame>(m_client, "fraCommands", 7080, 840, 3495, 6285);
    createCommandSlots();
    cmdQuit = createControl<QPushButton>(m_client, "cmdQuit", 7080, 7170, 3480, 375);

    stbStatus = createControl<QStatusBar>(m_client, "stbStatus", 0, 7605, 10650, 375);
    stbStatus->setSizeGripEnabled(false);
    m_statusPanel = named(new QLabel(stbStatus), "stbStatusPanel1");
    stbStatus->addWidget(m_statusPanel, 1);

    connect(cmdQuit, &QPushButton::clicked, this, &QWidget::close);
}

void frmMain::createCommandSlots()
{
    for (int i = 0; i < SlotCount; ++i) {
        const QString n = QString::number(i + 1);
        cmdBefehl[i] = new QPushButton(fraCommands);
        cmdBefehl[i]->setObjectName(QStringLiteral("cmdBefehl") + n);
        placeTwips(cmdBefehl[i], 120, kSlotPlaces[i].buttonTop, 3300, 315);
        txtBefehl[i] = new QLineEdit(fraCommands);
        txtBefehl[i]->setObjectName(QStringLiteral("txtBefehl") + n);
        placeTwips(txtBefehl[i], 120, kSlotPlaces[i].textTop, 3300, 315);
        txtBefehl[i]->setText(QStringLiteral("Text1"));
    }
}

void frmMain::createMenus()
{
    mnuFile = named(menuBar()->addMenu(QString()), "mnuFile");
    mnuFileLoadConfig = named(mnuFile->addAction(QString()), "mnuFileLoadConfig");
    mnuFileSaveConfig = named(mnuFile->addAction(QString()), "mnuFileSaveConfig");
    mnuSpace1 = named(mnuFile->addSeparator(), "mnuSpace1");
    mnuFileQuit = named(mnuFile->addAction(QString()), "mnuFileQuit");
    mnuEdit = named(menuBar()->addMenu(QString()), "mnuEdit");
    mnuEditSettings = named(mnuEdit->addAction(QString()), "mnuEditSettings");
    mnuQuestion = named(menuBar()->addMenu(QString()), "mnuQuestion");
    mnuQuestionProgramInfo = named(mnuQuestion->addAction(QString()), "mnuQuestionProgramInfo");

    connect(mnuFileQuit, &QAction::triggered, this, &QWidget::close);
    createListEntries(*this);
}

void frmMain::createShortcuts()
{
    // Esc is the cancel button's key from anywhere in the window; Enter the default button's.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setObjectName(QStringLiteral("escapeShortcut"));
    connect(escape, &QShortcut::activated, this, [this] {
        if (cmdQuit->isEnabled())
            cmdQuit->click();
    });
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto *enter = new QShortcut(QKeySequence(key), this);
        connect(enter, &QShortcut::activated, this, &frmMain::pressDefaultButton);
    }
}

std::optional<QString> frmMain::chooseSaveFile(const platform::FileDialogOptions &options)
{
    cdlCommonDialog = options;
    return platform::dialogs().saveFile(this, cdlCommonDialog);
}

void frmMain::pressDefaultButton()
{
    // A button that has the focus takes Enter itself; elsewhere Enter means the default button.
    if (auto *focused = qobject_cast<QPushButton *>(QApplication::focusWidget());
        focused && focused->window() == this && focused != cmdSend) {
        if (focused->isEnabled())
            focused->click();
        return;
    }
    if (cmdSend->isEnabled())
        cmdSend->click();
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtSend && event->type() == QEvent::FocusOut) {
        // Qt drops the selection when the focus moves on; remember it before that happens.
        m_sendSelection = {txtSend->text(), txtSend->selectionStart(),
                           int(txtSend->selectedText().size())};
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::restoreSendFieldSelection()
{
    if (m_sendSelection.start >= 0 && m_sendSelection.text == txtSend->text())
        txtSend->setSelection(m_sendSelection.start, m_sendSelection.length);
}

void frmMain::setTabOrder()
{
    QList<QWidget *> order{txtSend, cmdInsertSpecialChar, cmdSend};
    for (QLineEdit *t : txtBefehl)
        order << t;
    for (QPushButton *b : cmdBefehl)
        order << b;
    order << cmdDelete << cmdQuit << lstSendReceive;
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order.at(i), order.at(i + 1));
    labSendText->setFocusPolicy(Qt::NoFocus);
    labSendReceiveText->setFocusPolicy(Qt::NoFocus);
    stbStatus->setFocusPolicy(Qt::NoFocus);
    fraCommands->setFocusPolicy(Qt::NoFocus);
}

void frmMain::ApplyLanguage()
{
    platform::applyQtLanguage(g_bytLanguage == 0);
    setWindowTitle(fkt_ToolsGetResString(1000));
    setCaptions({{mnuFile, 1001}, {mnuFileQuit, 1002}, {mnuFileLoadConfig, 1007}, {mnuFileSaveConfig, 1008},
                 {fraCommands, 1009}, {mnuEdit, 1003}, {mnuEditSettings, 1004}, {mnuQuestion, 1005},
                 {mnuQuestionProgramInfo, 1006}, {labSendText, 1030}, {labSendReceiveText, 1031},
                 {cmdInsertSpecialChar, 1032}, {cmdSend, 1033}, {cmdDelete, 1034}});
    fitLabel(labSendText, 60, 120, 1620, 195);
    fitLabel(labSendReceiveText, 60, 690, 2700, 195);
    for (int i = 0; i < SlotCount; ++i) {
        const QString n = QString::number(i + 1);
        cmdBefehl[i]->setText(fkt_FormatInsertParam(fkt_ToolsGetResString(1035), n, n));
    }
    cmdQuit->setText(fkt_ToolsGetResString(1036));
    applyListLanguage(*this);
    emit languageApplied();
    applyCaptureLanguage(*this);
}

int frmMain::outerWidthTwips() const
{
    return m_client->width() * kTwipsPerPixel + kFrameExtraWidth;
}

int frmMain::outerHeightTwips() const
{
    return m_client->height() * kTwipsPerPixel + kFrameExtraHeight;
}

void frmMain::resizeTwips(int width, int height)
{
    const int menuHeight = menuWidget() ? menuWidget()->sizeHint().height() : 0;
    resize(px(width - kFrameExtraWidth), px(height - kFrameExtraHeight) + menuHeight);
}

int frmMain::EnforceMinimumSize(QWidget *window, int minWidth, int minHeight, int width, int height)
{
    if (window->isMinimized() || width < 3000 || height < 500)
        return -1;
    const bool normal = !(window->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized
                                                    | Qt::WindowFullScreen));
    bool corrected = false;
    int newWidth = width;
    int newHeight = height;
    if (width < minWidth && normal) {
        newWidth = minWidth;
        corrected = true;
    }
    if (height < minHeight && normal) {
        newHeight = minHeight;
        corrected = true;
    }
    if (!corrected)
        return 1;
    // The corrected size arrives as a new resize event, which lays the controls out; no
    // nested event loop is needed for that.
    if (auto *main = qobject_cast<frmMain *>(window))
        main->resizeTwips(newWidth, newHeight);
    else
        window->resize(px(newWidth), px(newHeight));
    return -1;
}

void frmMain::ArrangeControls()
{
    const int w = outerWidthTwips();
    const int h = outerHeightTwips();
    if (EnforceMinimumSize(this, kDesignWidth, kDesignHeight, w, h) != 1)
        return;
    // Each rule keeps the control's design distance to the right or bottom edge.
    lstSendReceive->resize(px(w - 3855), lstSendReceive->height());
    lstSendReceive->resize(lstSendReceive->width(), px(h - 2610));
    txtSend->resize(px(w - 3855), txtSend->height());
    cmdQuit->move(cmdQuit->x(), px(h - 1620));
    cmdQuit->move(px(w - 3690), cmdQuit->y());
    cmdDelete->move(cmdDelete->x(), px(h - 1620));
    cmdSend->move(px(w - 3690), cmdSend->y());
    cmdInsertSpecialChar->move(px(w - 6210), cmdInsertSpecialChar->y());
    fraCommands->move(px(w - 3690), fraCommands->y());
    // The status bar follows the bottom edge and the full width.
    stbStatus->setGeometry(0, m_client->height() - stbStatus->height(), m_client->width(),
                           stbStatus->height());
}

void frmMain::setStatusText(const QString &text)
{
    m_statusPanel->setText(text);
}

QString frmMain::statusText() const
{
    return m_statusPanel->text();
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    ArrangeControls();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Closing never asks and is never cancelled; the settings are saved once.
    if (!m_unloaded) {
        m_unloaded = true;
        emit unloading();
    }
    event->accept();
}
