#include "LineControls.h"

#include "ConnectionSettings.h"
#include "ModemLines.h"
#include "SerialPort.h"
#include "TerminalSession.h"
#include "Twips.h"
#include "frmMain.h"
#include "modTools.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace {

constexpr qint32 kTextLineMenu = 1785;
constexpr qint32 kTextDtr = 1786;
constexpr qint32 kTextRts = 1787;
constexpr qint32 kTextBreak = 1788;
constexpr qint32 kTextAfterOpenOn = 1789;
constexpr qint32 kTextAfterOpenOff = 1790;
constexpr qint32 kTextUnavailable = 1791;

struct Lamp {
    const char *name;
    const char *caption; // the lines' names are the same in either language
    unsigned signal;
};
constexpr std::array<Lamp, 4> kLamps{{{"labLampCts", "CTS", platform::SignalCts},
                                      {"labLampDsr", "DSR", platform::SignalDsr},
                                      {"labLampDcd", "DCD", platform::SignalDcd},
                                      {"labLampRi", "RI", platform::SignalRi}}};

void light(QLabel *lamp, bool lit)
{
    if (lamp->property("lit").toBool() == lit && lamp->property("lit").isValid())
        return;
    lamp->setProperty("lit", lit);
    // Lit: green with dark text; dark: the bar's own colours, greyed.
    lamp->setStyleSheet(lit ? QStringLiteral("QLabel { background: #3cb043; color: black; padding: 0 3px; }")
                            : QStringLiteral("QLabel { color: palette(mid); padding: 0 3px; }"));
}

} // namespace

LineControls::LineControls(frmMain &form, TerminalSession &session, ModemLines &lines)
    : QObject(&form), m_form(form), m_session(session), m_lines(lines)
{
    mnuLine = named(new QMenu(&m_form), "mnuLine");
    m_form.menuBar()->insertMenu(m_form.mnuQuestion->menuAction(), mnuLine);
    mnuLineDtr = named(mnuLine->addAction(QString()), "mnuLineDtr");
    mnuLineDtr->setCheckable(true);
    mnuLineRts = named(mnuLine->addAction(QString()), "mnuLineRts");
    mnuLineRts->setCheckable(true);
    mnuLineBreak = named(mnuLine->addAction(QString()), "mnuLineBreak");
    mnuLine->addSeparator();
    auto *afterOpen = new QActionGroup(mnuLine);
    mnuLineAfterOpenOn = named(afterOpen->addAction(QString()), "mnuLineAfterOpenOn");
    mnuLineAfterOpenOff = named(afterOpen->addAction(QString()), "mnuLineAfterOpenOff");
    for (QAction *choice : {mnuLineAfterOpenOn, mnuLineAfterOpenOff}) {
        choice->setCheckable(true);
        mnuLine->addAction(choice);
    }

    connect(mnuLineDtr, &QAction::triggered, this, [this](bool on) { m_lines.setDataTerminalReady(on); });
    connect(mnuLineRts, &QAction::triggered, this, [this](bool on) { m_lines.setRequestToSend(on); });
    connect(mnuLineBreak, &QAction::triggered, this, [this] { m_lines.sendBreak(); });
    connect(mnuLineAfterOpenOn, &QAction::triggered, this, [] { g_bytLinesAfterOpen = 0; });
    connect(mnuLineAfterOpenOff, &QAction::triggered, this, [] { g_bytLinesAfterOpen = 1; });

    for (size_t i = 0; i < kLamps.size(); ++i) {
        labLamps[i] = named(new QLabel(QString::fromLatin1(kLamps[i].caption), m_form.stbStatus), kLamps[i].name);
        light(labLamps[i], false);
        m_form.stbStatus->addPermanentWidget(labLamps[i]);
    }
    labLampsUnavailable = named(new QLabel(m_form.stbStatus), "labLampsUnavailable");
    m_form.stbStatus->addPermanentWidget(labLampsUnavailable);

    connect(&m_session, &TerminalSession::connectionChanged, this,
            [this](bool open, const QString &) { showConnection(open); });
    connect(&m_lines, &ModemLines::outputLinesChanged, this, &LineControls::showOutputLines);
    connect(&m_lines, &ModemLines::inputLinesChanged, this, &LineControls::showInputLines);
    connect(&m_lines, &ModemLines::inputLinesUnavailable, this, &LineControls::showUnavailable);
    connect(&m_lines, &ModemLines::breakChanged, this, [this](bool active) {
        mnuLineBreak->setEnabled(!active && m_session.isOpen());
    });
    connect(&m_form, &frmMain::languageApplied, this, &LineControls::ApplyLanguage);
    showConnection(m_session.isOpen());
    showOutputLines();
    ApplyLanguage();
}

void LineControls::ApplyLanguage()
{
    mnuLine->setTitle(fkt_ToolsGetResString(kTextLineMenu));
    mnuLineDtr->setText(fkt_ToolsGetResString(kTextDtr));
    mnuLineRts->setText(fkt_ToolsGetResString(kTextRts));
    mnuLineBreak->setText(fkt_ToolsGetResString(kTextBreak));
    mnuLineAfterOpenOn->setText(fkt_ToolsGetResString(kTextAfterOpenOn));
    mnuLineAfterOpenOff->setText(fkt_ToolsGetResString(kTextAfterOpenOff));
    labLampsUnavailable->setText(fkt_ToolsGetResString(kTextUnavailable));
    // The settings are read after the window is made; they are in place whenever captions are set.
    (g_bytLinesAfterOpen == 0 ? mnuLineAfterOpenOn : mnuLineAfterOpenOff)->setChecked(true);
}

void LineControls::showConnection(bool open)
{
    for (QAction *action : {mnuLineDtr, mnuLineRts, mnuLineBreak})
        action->setEnabled(open);
    // The lamps come with the first reading of an open port, so a pty never shows them; every
    // opening passes through the closed state first.
    if (open)
        return;
    for (QLabel *lamp : labLamps) {
        lamp->setVisible(false);
        light(lamp, false);
    }
    labLampsUnavailable->setVisible(false);
}

void LineControls::showOutputLines()
{
    mnuLineDtr->setChecked(m_lines.dataTerminalReady());
    mnuLineRts->setChecked(m_lines.requestToSend());
}

void LineControls::showInputLines(unsigned lines)
{
    for (size_t i = 0; i < kLamps.size(); ++i) {
        labLamps[i]->setVisible(true);
        light(labLamps[i], (lines & kLamps[i].signal) != 0);
    }
}

void LineControls::showUnavailable()
{
    for (QLabel *lamp : labLamps)
        lamp->setVisible(false);
    labLampsUnavailable->setVisible(true);
}
