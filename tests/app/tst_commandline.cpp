// The command line: the options and their values, what is refused and why, the answers in both
// languages, and the real binary answering --help and --version without any display.
#include "CommandLine.h"
#include "TestFiles.h"
#include "modGlobal.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString absolute(const QString &path)
{
    return QDir::current().absoluteFilePath(path);
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { g_bytLanguage = 0; }

    void optionsAndTheirValues_data();
    void optionsAndTheirValues();
    void answersInBothLanguages_data();
    void answersInBothLanguages();
    void theBinaryAnswersWithoutADisplay();
};

void TestCommandLine::optionsAndTheirValues_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("capture");
    QTest::addColumn<QString>("captureRaw");
    QTest::addColumn<int>("problemText");
    QTest::addColumn<QString>("problemArgument");
    const int run = int(CommandLine::Action::Run);
    const int refuse = int(CommandLine::Action::Refuse);
    QTest::newRow("nothing") << QStringList() << run << QString() << QString() << 0 << QString();
    QTest::newRow("capture, relative")
        << QStringList{"--capture", "a.log"} << run << absolute("a.log") << QString() << 0 << QString();
    QTest::newRow("both, = and blank")
        << QStringList{"--capture=/x/a.log", "--capture-raw", "/x/b.bin"} << run << "/x/a.log" << "/x/b.bin" << 0
        << QString();
    QTest::newRow("raw alone") << QStringList{"--capture-raw=/x/b"} << run << QString() << "/x/b" << 0 << QString();
    QTest::newRow("a value that looks like an option")
        << QStringList{"--capture", "--help"} << run << absolute("--help") << QString() << 0 << QString();
    QTest::newRow("help") << QStringList{"--help"} << int(CommandLine::Action::Help) << QString() << QString() << 0
                          << QString();
    QTest::newRow("-h and version") << QStringList{"--version", "-h"} << int(CommandLine::Action::Help) << QString()
                                    << QString() << 0 << QString();
    QTest::newRow("version") << QStringList{"--version"} << int(CommandLine::Action::Version) << QString()
                             << QString() << 0 << QString();
    QTest::newRow("unknown option") << QStringList{"--capturex=1"} << refuse << QString() << QString() << 1801
                                    << "--capturex=1";
    QTest::newRow("a bare word") << QStringList{"x.log"} << refuse << QString() << QString() << 1801 << "x.log";
    QTest::newRow("no value at the end") << QStringList{"--capture"} << refuse << QString() << QString() << 1802
                                         << "--capture";
    QTest::newRow("empty value") << QStringList{"--capture-raw="} << refuse << QString() << QString() << 1802
                                 << "--capture-raw";
    QTest::newRow("twice") << QStringList{"--capture", "a", "--capture=b"} << refuse << QString() << QString() << 1803
                           << "--capture";
    QTest::newRow("one file for both")
        << QStringList{"--capture", "same", "--capture-raw", absolute("same")} << refuse << QString() << QString()
        << 1804 << QString();
    QTest::newRow("one file, spelt apart")
        << QStringList{"--capture=./d/../same", "--capture-raw=same"} << refuse << QString() << QString() << 1804
        << QString();
}

void TestCommandLine::optionsAndTheirValues()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, capture);
    QFETCH(QString, captureRaw);
    QFETCH(int, problemText);
    QFETCH(QString, problemArgument);
    const CommandLine parsed = parseCommandLine(QStringList{"tellurix"} + arguments);
    QCOMPARE(int(parsed.action), action);
    if (parsed.action != CommandLine::Action::Refuse) {
        QCOMPARE(parsed.capturePath, capture);
        QCOMPARE(parsed.captureRawPath, captureRaw);
    }
    QCOMPARE(parsed.problemText, problemText);
    QCOMPARE(parsed.problemArgument, problemArgument);
}

void TestCommandLine::answersInBothLanguages_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("toErrorOutput");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("German help") << 0 << QStringList{"--help"} << "Aufruf: tellurix [Optionen]\n\n  --capture DATEI"
                                 << false << 0;
    QTest::newRow("English help") << 1 << QStringList{"--help"} << "Usage: tellurix [options]\n\n  --capture FILE"
                                  << false << 0;
    QTest::newRow("German refusal")
        << 0 << QStringList{"x"} << "tellurix: Unbekanntes Argument: x\nDie Optionen nennt: tellurix --help\n" << true
        << 2;
    QTest::newRow("English refusal") << 1 << QStringList{"--capture"}
                                     << "tellurix: --capture needs a file name\ntellurix --help lists the options\n"
                                     << true << 2;
}

void TestCommandLine::answersInBothLanguages()
{
    QFETCH(int, language);
    QFETCH(QStringList, arguments);
    QFETCH(QString, text);
    QFETCH(bool, toErrorOutput);
    QFETCH(int, exitCode);
    g_bytLanguage = quint8(language);
    const CommandLineAnswer answer = commandLineAnswer(parseCommandLine(QStringList{"tellurix"} + arguments));
    QVERIFY2(answer.text.startsWith(text), qPrintable(answer.text));
    QCOMPARE(answer.toErrorOutput, toErrorOutput);
    QCOMPARE(answer.exitCode, exitCode);
}

void TestCommandLine::theBinaryAnswersWithoutADisplay()
{
    // A copy in a folder of its own reads that folder's Settings.ini, here English.
    QTemporaryDir folder;
    const QString binary = folder.filePath(QStringLiteral("tellurix"));
    QVERIFY(QFile::copy(QStringLiteral(TELLURIX_BINARY), binary));
    QVERIFY(writeFile(folder.filePath(QStringLiteral("Settings.ini")), "[SETTINGS]\r\nLanguage=1\r\n"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    const std::pair<const char *, QByteArray> cases[] = {
        {"--help", "Usage: tellurix [options]\n"}, {"--version", "Tellurix 2006.1.0\n"}};
    for (const auto &[option, firstLine] : cases) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(binary, {QString::fromLatin1(option)});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QVERIFY2(p.readAllStandardOutput().startsWith(firstLine), option);
    }
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
