// tellurix-savecrash FOLDER MODE: saves Settings.ini and DefaultCommands.icf in FOLDER as the
// program does when it closes, over and over as fast as it can, alternating between two sets
// of values, until it is killed. MODE "one" changes one value of each file from set to set,
// "all" changes every value. "ready" on standard output: set A is saved completely, and the
// alternating starts now.
#include "QtSerialPort.h"
#include "SettingsStore.h"
#include "frmMain.h"
#include "modGlobal.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>

#include <QElapsedTimer>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>

namespace {

// Nobody may be left saving for ever when the test that started it is gone.
constexpr qint64 kLongestRunMs = 60000;

void setPresets(frmMain &form, const QString &firstText, const QString &prefix)
{
    form.txtBefehl[0]->setText(firstText);
    for (int n = 2; n <= SlotCount; ++n)
        form.txtBefehl[n - 1]->setText(prefix + QString::number(n));
}

// Set A, what the files hold at first: ComPort 0, Baudrate 5, Peculiar 0, Language 0,
// presets "A1".."A8".
void applySetA(frmMain &form)
{
    g_bytComPort = 0;
    g_bytBaudrate = 5;
    g_bytPeculiar = 0;
    g_bytLanguage = 0;
    setPresets(form, QStringLiteral("A1"), QStringLiteral("A"));
}

// Set B: "one" changes Baudrate to 10 and preset 1 to "B1"; "all" makes it ComPort 3,
// Baudrate 10, Peculiar 1, Language 1, presets "second value 1".."second value 8".
void applySetB(frmMain &form, bool all)
{
    applySetA(form);
    g_bytBaudrate = 10;
    if (!all) {
        form.txtBefehl[0]->setText(QStringLiteral("B1"));
        return;
    }
    g_bytComPort = 3;
    g_bytPeculiar = 1;
    g_bytLanguage = 1;
    setPresets(form, QStringLiteral("second value 1"), QStringLiteral("second value "));
}

} // namespace

int main(int argc, char *argv[])
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 3 || (args[2] != QLatin1String("one") && args[2] != QLatin1String("all"))) {
        std::fprintf(stderr, "usage: tellurix-savecrash FOLDER one|all\n");
        return 2;
    }
    const QString folder = args[1];
    const bool changeAll = args[2] == QLatin1String("all");

    // A port that is never opened: only the window's fields matter here.
    frmMain form(std::make_unique<platform::QtSerialPort>([](int) { return QString(); }), new QListView);
    applySetA(form);
    prc_MainSaveSettings(form, folder);
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    QElapsedTimer running;
    running.start();
    for (bool useB = true; running.elapsed() < kLongestRunMs; useB = !useB) {
        if (useB)
            applySetB(form, changeAll);
        else
            applySetA(form);
        prc_MainSaveSettings(form, folder);
    }
    return 1;
}
