#include "CommandLine.h"

#include "modFormat.h"
#include "modTools.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <string_view>
#include <utility>

namespace {

constexpr qint32 kTextUsage = 1800;
constexpr qint32 kTextUnknown = 1801;
constexpr qint32 kTextNoFileName = 1802;
constexpr qint32 kTextTwice = 1803;
constexpr qint32 kTextSameFile = 1804;
constexpr qint32 kTextSeeHelp = 1805;
constexpr qint32 kTextCaptureHelp = 1806;
constexpr qint32 kTextCaptureRawHelp = 1807;
constexpr qint32 kTextHelpHelp = 1808;
constexpr qint32 kTextVersionHelp = 1809;
constexpr qint32 kTextFile = 1810;

const QString kCapture = QStringLiteral("--capture");
const QString kCaptureRaw = QStringLiteral("--capture-raw");

CommandLine refused(qint32 textId, const QString &argument = {})
{
    CommandLine refusal;
    refusal.action = CommandLine::Action::Refuse;
    refusal.problemText = textId;
    refusal.problemArgument = argument;
    return refusal;
}

// The option and its value in a column as wide as the longest, then what it does.
QString usage()
{
    const QString file = fkt_ToolsGetResString(kTextFile);
    const std::pair<QString, QString> options[] = {
        {kCapture + QLatin1Char(' ') + file, fkt_FormatInsertParam(fkt_ToolsGetResString(kTextCaptureHelp), file)},
        {kCaptureRaw + QLatin1Char(' ') + file,
         fkt_FormatInsertParam(fkt_ToolsGetResString(kTextCaptureRawHelp), file)},
        {QStringLiteral("--help"), fkt_ToolsGetResString(kTextHelpHelp)},
        {QStringLiteral("--version"), fkt_ToolsGetResString(kTextVersionHelp)}};
    qsizetype width = 0;
    for (const auto &[option, meaning] : options)
        width = std::max(width, option.size());
    QString text = fkt_ToolsGetResString(kTextUsage) + QStringLiteral("\n\n");
    for (const auto &[option, meaning] : options)
        text += QStringLiteral("  ") + option.leftJustified(width + 2) + meaning + QLatin1Char('\n');
    return text;
}

} // namespace

bool mentionsHelpOrVersion(int argc, const char *const *argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--help" || argument == "-h" || argument == "--version")
            return true;
    }
    return false;
}

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine result;
    bool help = false;
    bool version = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            help = true;
            continue;
        }
        if (argument == QLatin1String("--version")) {
            version = true;
            continue;
        }
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? argument : argument.left(equals);
        QString *target = name == kCapture ? &result.capturePath
                          : name == kCaptureRaw ? &result.captureRawPath
                                                : nullptr;
        if (!target)
            return refused(kTextUnknown, argument);
        QString value;
        if (equals >= 0)
            value = argument.mid(equals + 1);
        else if (i + 1 < arguments.size())
            value = arguments.at(++i);
        if (value.isEmpty())
            return refused(kTextNoFileName, name);
        if (!target->isEmpty())
            return refused(kTextTwice, name);
        *target = QDir::cleanPath(QFileInfo(value).absoluteFilePath());
    }
    if (help)
        result.action = CommandLine::Action::Help;
    else if (version)
        result.action = CommandLine::Action::Version;
    else if (!result.capturePath.isEmpty() && result.capturePath == result.captureRawPath)
        return refused(kTextSameFile);
    return result;
}

CommandLineAnswer commandLineAnswer(const CommandLine &commandLine)
{
    switch (commandLine.action) {
    case CommandLine::Action::Help:
        return {usage(), false, 0};
    case CommandLine::Action::Version:
        return {QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion()
                    + QLatin1Char('\n'),
                false, 0};
    case CommandLine::Action::Refuse:
        return {QStringLiteral("tellurix: ")
                    + fkt_FormatInsertParam(fkt_ToolsGetResString(commandLine.problemText),
                                            commandLine.problemArgument)
                    + QLatin1Char('\n')
                    + fkt_ToolsGetResString(kTextSeeHelp) + QLatin1Char('\n'),
                true, 2};
    case CommandLine::Action::Run:
        break;
    }
    return {};
}
