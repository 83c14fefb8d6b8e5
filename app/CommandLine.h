#pragma once
// The program's command line: `tellurix [--capture FILE] [--capture-raw FILE] [--help]
// [--version]`, each option at most once, a value after a blank or "=". Paths are taken from
// the working directory. Qt's own options (-platform, -style, ...) are gone by the time this
// sees the arguments.
#include <QString>
#include <QStringList>

struct CommandLine {
    enum class Action { Run, Help, Version, Refuse };
    Action action = Action::Run;
    QString capturePath;    // the capture's log; empty: none asked for
    QString captureRawPath; // the received bytes, exactly; empty: none asked for
    // With Refuse: what is wrong, as a text id and the argument it names. The text is made
    // only for the answer, once the settings have given the language.
    qint32 problemText = 0;
    QString problemArgument;
};

// Whether argv holds --help, -h or --version anywhere (even as a file name): only then is a
// look at the command line worth making before the GUI starts.
bool mentionsHelpOrVersion(int argc, const char *const *argv);

// arguments: as QCoreApplication::arguments() gives them, the program first.
CommandLine parseCommandLine(const QStringList &arguments);

// What the program says and returns instead of starting when the action is not Run.
struct CommandLineAnswer {
    QString text;
    bool toErrorOutput = false;
    int exitCode = 0;
};
CommandLineAnswer commandLineAnswer(const CommandLine &commandLine);
