#include "frmSpecialChar.h"

#include "Captions.h"
#include "Twips.h"

#include "TellurixIcon.h"
#include "frmMain.h"
#include "modTools.h"

#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPalette>
#include <QPushButton>

namespace {

constexpr int kClientWidth = 4500; // twips
constexpr int kClientHeight = 2250;
constexpr int kBoxWidth = 915;
constexpr int kBoxHeight = 495;

} // namespace

frmSpecialChar::frmSpecialChar(QWidget *parent) : QDialog(parent)
{
    setUpFixedDialog(this, "frmSpecialChar", kClientWidth, kClientHeight);
    setWindowIcon(tellurixIcon());
    createControls();
    setTabOrder();
    ApplyLanguage();
}

void frmSpecialChar::createControls()
{
    fraSpecialChar = createControl<QGroupBox>(this, "fraSpecialChar", 60, 60, 4335, 1635);

    chkStx = createBox("chkStx", "STX", 180, 300);
    chkEtx = createBox("chkEtx", "ETX", 1200, 300);
    chkEot = createBox("chkEot", "EOT", 2220, 300);
    chkEnq = createBox("chkEnq", "ENQ", 3240, 300);
    chkLf = createBox("chkLf", "LF", 180, 900);
    chkCr = createBox("chkCr", "CR", 1200, 900);
    chkNak = createBox("chkNak", "NAK", 2220, 900);
    chkAck = createBox("chkAck", "ACK", 3240, 900);
    m_boxes = {{{chkStx, QStringLiteral("<STX>")},
                {chkEtx, QStringLiteral("<ETX>")},
                {chkEot, QStringLiteral("<EOT>")},
                {chkEnq, QStringLiteral("<ENQ>")},
                {chkAck, QStringLiteral("<ACK>")},
                {chkLf, QStringLiteral("<LF>")},
                {chkCr, QStringLiteral("<CR>")},
                {chkNak, QStringLiteral("<NAK>")}}};

    cmdOk = createControl<QPushButton>(this, "cmdOk", 1500, 1800, 1695, 375);
    cmdOk->setDefault(true);
    cmdOk->setEnabled(false);
    connect(cmdOk, &QPushButton::clicked, this, &frmSpecialChar::cmdOk_Click);

    cmdCancel = createControl<QPushButton>(this, "cmdCancel", 3300, 1800, 1095, 375);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QPushButton *frmSpecialChar::createBox(const char *name, const char *caption, int left, int top)
{
    auto *box = new QPushButton(QString::fromLatin1(caption), fraSpecialChar);
    box->setObjectName(QString::fromLatin1(name));
    placeTwips(box, left, top, kBoxWidth, kBoxHeight);
    box->setCheckable(true);
    // A box with the focus must leave Enter to the default button.
    box->setAutoDefault(false);
    box->installEventFilter(this);
    // Most styles show a ticked button only a shade darker; the selection's colours make the
    // ticked box stand out.
    connect(box, &QPushButton::toggled, box, [box](bool ticked) {
        if (!ticked) {
            box->setPalette(QPalette());
            return;
        }
        QPalette palette = box->palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive}) {
            palette.setColor(group, QPalette::Button, palette.color(group, QPalette::Highlight));
            palette.setColor(group, QPalette::ButtonText,
                             palette.color(group, QPalette::HighlightedText));
        }
        box->setPalette(palette);
    });
    return box;
}

void frmSpecialChar::setTabOrder()
{
    const QList<QWidget *> order{cmdOk, chkNak, chkCr, chkLf, chkAck,
                                 chkEnq, chkEot, chkEtx, chkStx, cmdCancel};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order.at(i), order.at(i + 1));
    fraSpecialChar->setFocusPolicy(Qt::NoFocus);
    // cmdOk comes first but is disabled at opening; the first box takes the focus instead.
    chkNak->setFocus();
}

void frmSpecialChar::ApplyLanguage()
{
    setWindowTitle(fkt_ToolsGetResString(1300));
    setCaptions({{cmdOk, 1301}, {cmdCancel, 1302}});
}

void frmSpecialChar::ClearSelection()
{
    cmdOk->setEnabled(true);
    for (const Box &box : m_boxes)
        box.button->setChecked(false);
}

QString frmSpecialChar::selectedToken() const
{
    for (const Box &box : m_boxes) {
        if (box.button->isChecked())
            return box.token;
    }
    return QString();
}

void frmSpecialChar::cmdOk_Click()
{
    m_chosenToken = selectedToken();
    accept();
}

bool frmSpecialChar::isBox(const QObject *object) const
{
    for (const Box &box : m_boxes) {
        if (box.button == object)
            return true;
    }
    return false;
}

bool frmSpecialChar::eventFilter(QObject *watched, QEvent *event)
{
    // Clearing before the box sees the press makes a click tick exactly the clicked box,
    // even one that was ticked already; the left button's release does the ticking.
    const bool press = event->type() == QEvent::MouseButtonPress
                       || event->type() == QEvent::MouseButtonDblClick;
    if (press && isBox(watched))
        ClearSelection();
    return QDialog::eventFilter(watched, event);
}

void frmSpecialChar::keyPressEvent(QKeyEvent *event)
{
    // Without a cancel button Esc has nothing to press.
    if (event->key() == Qt::Key_Escape || event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
