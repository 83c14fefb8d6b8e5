// tellurix-savecrash FOLDER MODE: saves Settings.ini and DefaultCommands.icf in FOLDER as the
// program does when it closes, over and over as fast as it can, alternating between two sets
// of values, until it is killed. MODE "one" changes one value of each file from set to set,
// "all" changes every value. "ready" on standard output: set A is saved completely, and the
// alternating starts now.
#include "SettingsStore.h"
#include "modGlobal.h"

#include <QCoreApplication>

#include <QElapsedTimer>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>

namespace {

// Nobody may be left saving for ever when the test that started it is gone.
constexpr qint64 kLongestRunMs = 60000;

void setPresets(CommandSet &presets, const QString &firstText, const QString &prefix)
{
    presets.texts[size_t(0)] = firstText;
    for (int n = 2; n <= SlotCount; ++n)
        presets.texts[size_t(n - 1)] = prefix + QString::number(n);
}

// Set A, what the files hold at first: ComPort 0, Baudrate 5, Peculiar 0, Language 0,
// presets "A1".."A8".
void applySetA(CommandSet &presets)
{
    g_bytComPort = 0;
    g_bytBaudrate = 5;
    g_bytPeculiar = 0;
    g_bytLanguage = 0;
    setPresets(presets, QStringLiteral("A1"), QStringLiteral("A"));
}

// Set B: "one" changes Baudrate to 10 and preset 1 to "B1"; "all" makes it ComPort 3,
// Baudrate 10, Peculiar 1, Language 1, presets "second value 1".."second value 8".
void applySetB(CommandSet &presets, bool all)
{
    applySetA(presets);
    g_bytBaudrate = 10;
    if (!all) {
        presets.texts[size_t(0)] = QStringLiteral("B1");
        return;
    }
    g_bytComPort = 3;
    g_bytPeculiar = 1;
    g_bytLanguage = 1;
    setPresets(presets, QStringLiteral("second value 1"), QStringLiteral("second value "));
}

} // namespace

int main(int argc, char *argv[])
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3 || (args[2] != QLatin1String("one") && args[2] != QLatin1String("all"))) {
        std::fprintf(stderr, "usage: tellurix-savecrash FOLDER one|all\n");
        return 2;
    }
    const QString folder = args[1];
    const bool changeAll = args[2] == QLatin1String("all");

    CommandSet presets;
    applySetA(presets);
    prc_MainSaveSettings(folder, presets);
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    QElapsedTimer running;
    running.start();
    for (bool useB = true; running.elapsed() < kLongestRunMs; useB = !useB) {
        if (useB)
            applySetB(presets, changeAll);
        else
            applySetA(presets);
        prc_MainSaveSettings(folder, presets);
    }
    return 1;
}
