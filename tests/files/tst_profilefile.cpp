#include "TestFiles.h"
#include "Cp1252.h"
#include "ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

using platform::readProfileString;
using platform::writeProfileString;

using Writes = QList<QStringList>; // each entry: section, key, value

class TestProfileFile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void goldenEdit_data();
    void goldenEdit();
    void goldenQuotedValues();

    void readsValue_data();
    void readsValue();
    void readMissingFileGivesDefault();
    void readDirectoryGivesDefault();
    void readCapsAtBufferSize_data();
    void readCapsAtBufferSize();

    void newFileGetsCrLf();
    void settingsFileWrittenFirstTime();
    void writtenValueReadsBack_data();
    void writtenValueReadsBack();
    void codePageRoundTripOfEveryByte();
    void unmappableCharacterWrittenAsQuestionMark();
    void lineBreaksInValueBecomeBlanks();
    void refusesNamesThatCannotBeReadBack_data();
    void refusesNamesThatCannotBeReadBack();

    void failsForDirectoryTarget();
    void failsForMissingFolder();
    void failsForReadOnlyFolder();
    void failsForReadOnlyFile();
    void failedWriteLeavesOldFile();

    void emptyFile();
    void randomBinaryFile();
    void hugeFile();
    void veryLongLines();
    void nulBytes();
    void duplicatesFirstWins();
    void noLineEndAtEnd();

private:
    QString pathOf(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

namespace {

// Prints the first differing offset, which a plain QCOMPARE of two large arrays hides.
bool sameBytes(const QByteArray &actual, const QByteArray &expected)
{
    if (actual == expected)
        return true;
    qsizetype i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i])
        ++i;
    qWarning("sizes %lld / %lld, first difference at %lld: actual %s, expected %s",
             qlonglong(actual.size()), qlonglong(expected.size()), qlonglong(i),
             actual.mid(i, 24).toHex(' ').constData(), expected.mid(i, 24).toHex(' ').constData());
    return false;
}

QStringList entry(const QString &section, const QString &key, const QString &value)
{
    return {section, key, value};
}

} // namespace

void TestProfileFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestProfileFile::cleanup()
{
    QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_dir.reset();
}

// ---- golden files: <name>.ini edited by the writes must equal <name>.ref byte for byte ----

void TestProfileFile::goldenEdit_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<Writes>("writes");

    const Writes replace{entry("SETTINGS", "baudrate", "7"),
                         entry("settings", "Peculiar", QStringLiteral("\u20AC\u00E4"))};
    QTest::newRow("replace in place, CRLF") << "replace_crlf" << replace;
    QTest::newRow("replace in place, LF") << "replace_lf" << replace;
    QTest::newRow("new keys end their section, before blanks and next section")
        << "add_key_middle_section"
        << Writes{entry("SETTINGS", "Language", "1"), entry("SETTINGS", "Baudrate", "")};
    QTest::newRow("new section after a last line without line end")
        << "add_section_no_eol"
        << Writes{entry("SETTINGS", "ComPort", "0"), entry("SETTINGS", "Baudrate", "5")};
    QTest::newRow("new key after a last line without line end, LF")
        << "add_key_no_eol_lf" << Writes{entry("SETTINGS", "Baudrate", "5")};
    QTest::newRow("names in another letter case")
        << "lower_case_names"
        << Writes{entry("SETTINGS", "Param1", "x"), entry("SETTINGS", "Param3", "y")};
    QTest::newRow("duplicates: first section, first key")
        << "duplicates"
        << Writes{entry("SETTINGS", "ComPort", "5"), entry("SETTINGS", "Baudrate", "6")};
    QTest::newRow("UTF-8 byte order mark kept") << "utf8_bom" << Writes{entry("SETTINGS", "ComPort", "2")};
    QTest::newRow("NUL bytes kept") << "nul_bytes" << Writes{entry("SETTINGS", "B", "1")};
    QTest::newRow("lone CR line ends")
        << "lone_cr" << Writes{entry("SETTINGS", "Baudrate", "2"), entry("New", "K", "v")};
    QTest::newRow("style of the first line end") << "mixed_line_ends"
                                                 << Writes{entry("SETTINGS", "Baudrate", "2")};
    QTest::newRow("empty file") << "empty" << Writes{entry("SETTINGS", "ComPort", "0")};
    QTest::newRow("keys before any section are not the section's")
        << "keys_before_section" << Writes{entry("SETTINGS", "ComPort", "1")};
}

void TestProfileFile::goldenEdit()
{
    QFETCH(QString, name);
    QFETCH(Writes, writes);

    const QString dataDir = QStringLiteral(TEST_DATA_DIR);
    const QString target = pathOf(name + ".ini");
    QVERIFY(QFile::copy(dataDir + "/" + name + ".ini", target));
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner));
    for (const QStringList &w : writes)
        QVERIFY(writeProfileString(w[0], w[1], w[2], target));

    const QByteArray expected = readFile(dataDir + "/" + name + ".ref");
    QVERIFY(!expected.isEmpty());
    QVERIFY(sameBytes(readFile(target), expected));
    for (const QStringList &w : writes)
        QCOMPARE(readProfileString(w[0], w[1], "<default>", target), w[2]);
}

// Every value of the fixture, read and written out as "key=[value]" lines, equals the golden
// reading byte for byte: one pair of enclosing quotes goes, of either kind.
void TestProfileFile::goldenQuotedValues()
{
    const QString dataDir = QStringLiteral(TEST_DATA_DIR);
    const QString fixture = dataDir + QStringLiteral("/quoted_values.ini");
    const QByteArray expected = readFile(dataDir + QStringLiteral("/quoted_values.read"));
    QVERIFY(!expected.isEmpty());
    QByteArray reading;
    for (const QByteArray &line : expected.split('\n')) {
        if (line.isEmpty())
            continue;
        const QString key = QString::fromLatin1(line.left(line.indexOf('=')));
        const QString value = readProfileString(QStringLiteral("SETTINGS"), key, "<default>", fixture);
        reading += key.toLatin1() + "=[" + value.toLatin1() + "]\n";
    }
    QVERIFY(sameBytes(reading, expected));
}

// ---- reading ----

void TestProfileFile::readsValue_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QByteArray settings = "[SETTINGS]\r\n";
    QTest::newRow("plain") << settings + "ComPort=3\r\n" << "SETTINGS" << "ComPort" << "3";
    QTest::newRow("section case") << QByteArray("[settings]\r\nComPort=3\r\n") << "SETTINGS" << "ComPort" << "3";
    QTest::newRow("key case") << settings + "COMPORT=3\r\n" << "SETTINGS" << "ComPort" << "3";
    QTest::newRow("asked in other case") << settings + "ComPort=3\r\n" << "Settings" << "comPORT" << "3";
    QTest::newRow("non-ASCII names, other case")
        << QByteArray("[Pr\xDC" "FUNG]\r\n\xC4nderung=ja\r\n") << QStringLiteral("Prüfung")
        << QStringLiteral("änderung") << "ja";
    QTest::newRow("blanks around key and =") << settings + "comport = 3\r\n" << "SETTINGS" << "ComPort" << "3";
    QTest::newRow("tabs around") << settings + "\tComPort\t=\t3\t\r\n" << "SETTINGS" << "ComPort" << "3";
    QTest::newRow("blanks around header") << QByteArray("  [ SETTINGS ]  \r\nComPort=3\r\n") << "SETTINGS" << "ComPort" << "3";
    QTest::newRow("blanks inside value kept") << settings + "P=a  b\r\n" << "SETTINGS" << "P" << "a  b";
    QTest::newRow("quoted with blanks") << settings + "P=  \"abc\"  \r\n" << "SETTINGS" << "P" << "abc";
    QTest::newRow("blanks inside quotes kept") << settings + "P=\" a \"\r\n" << "SETTINGS" << "P" << " a ";
    QTest::newRow("opening quote only") << settings + "P=\"abc\r\n" << "SETTINGS" << "P" << "\"abc";
    QTest::newRow("closing quote only") << settings + "P=abc\"\r\n" << "SETTINGS" << "P" << "abc\"";
    QTest::newRow("single quote char") << settings + "P=\"\r\n" << "SETTINGS" << "P" << "\"";
    QTest::newRow("empty quotes") << settings + "P=\"\"\r\n" << "SETTINGS" << "P" << "";
    QTest::newRow("one pair only") << settings + "P=\"\"abc\"\"\r\n" << "SETTINGS" << "P" << "\"abc\"";
    QTest::newRow("quotes inside") << settings + "P=\"a\"b\"\r\n" << "SETTINGS" << "P" << "a\"b";
    QTest::newRow("single quotes are lost") << settings + "P='abc'\r\n" << "SETTINGS" << "P" << "abc";
    QTest::newRow("quotes of two kinds stay") << settings + "P='abc\"\r\n" << "SETTINGS" << "P" << "'abc\"";
    QTest::newRow("blanks only") << settings + "P=   \t \r\n" << "SETTINGS" << "P" << "";
    QTest::newRow("empty value is not the default") << settings + "P=\r\n" << "SETTINGS" << "P" << "";
    QTest::newRow("value with =") << settings + "P=a=b\r\n" << "SETTINGS" << "P" << "a=b";
    QTest::newRow("tokens as text") << settings + "Param1=<STX>ABC<CR><LF>\r\n" << "SETTINGS" << "Param1" << "<STX>ABC<CR><LF>";
    QTest::newRow("code page") << settings + "P=\x80 \xE4\x81\xFF\r\n" << "SETTINGS" << "P" << QStringLiteral("\u20AC \u00E4\u0081\u00FF");
    QTest::newRow("missing section") << QByteArray("[OTHER]\r\nComPort=3\r\n") << "SETTINGS" << "ComPort" << "<default>";
    QTest::newRow("missing key") << settings + "Baudrate=3\r\n" << "SETTINGS" << "ComPort" << "<default>";
    QTest::newRow("key of another section")
        << QByteArray("[OTHER]\r\nComPort=3\r\n[SETTINGS]\r\nX=1\r\n") << "SETTINGS" << "ComPort" << "<default>";
    QTest::newRow("key of the following section")
        << QByteArray("[SETTINGS]\r\nX=1\r\n[OTHER]\r\nComPort=3\r\n") << "SETTINGS" << "ComPort" << "<default>";
    QTest::newRow("key before any section") << QByteArray("ComPort=3\r\n[SETTINGS]\r\n") << "SETTINGS" << "ComPort" << "<default>";
    QTest::newRow("comment is not a key") << settings + ";ComPort=3\r\n" << "SETTINGS" << "ComPort" << "<default>";
    QTest::newRow("indented comment") << settings + "  ;ComPort=3\r\n" << "SETTINGS" << "ComPort" << "<default>";
    QTest::newRow("line without =") << settings + "ComPort\r\n" << "SETTINGS" << "ComPort" << "<default>";
    QTest::newRow("header without bracket") << QByteArray("[SETTINGS\r\nComPort=3\r\n") << "SETTINGS" << "ComPort" << "<default>";
    QTest::newRow("prefix of a key name") << settings + "ComPortX=3\r\n" << "SETTINGS" << "ComPort" << "<default>";
    QTest::newRow("prefix of a section name") << QByteArray("[SETTINGS2]\r\nComPort=3\r\n") << "SETTINGS" << "ComPort" << "<default>";
    QTest::newRow("LF") << QByteArray("[SETTINGS]\nA=1\nComPort=3\n") << "SETTINGS" << "ComPort" << "3";
    QTest::newRow("lone CR") << QByteArray("[SETTINGS]\rA=1\rComPort=3\r") << "SETTINGS" << "ComPort" << "3";
    QTest::newRow("no line end") << settings + "ComPort=3" << "SETTINGS" << "ComPort" << "3";
    QTest::newRow("UTF-8 BOM skipped") << QByteArray("\xEF\xBB\xBF[SETTINGS]\r\nComPort=3\r\n") << "SETTINGS" << "ComPort" << "3";
    QTest::newRow("empty section name in file") << QByteArray("[]\r\nComPort=3\r\n") << "SETTINGS" << "ComPort" << "<default>";
    QTest::newRow("empty key asked") << settings + "=3\r\n" << "SETTINGS" << "" << "<default>";
    QTest::newRow("empty section asked") << QByteArray("[]\r\nComPort=3\r\n") << "" << "ComPort" << "<default>";
}

void TestProfileFile::readsValue()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    const QString path = pathOf("read.ini");
    QVERIFY(writeFile(path, content));
    QCOMPARE(readProfileString(section, key, "<default>", path), expected);
}

void TestProfileFile::readMissingFileGivesDefault()
{
    QCOMPARE(readProfileString("SETTINGS", "ComPort", "0", pathOf("none.ini")), "0");
    QCOMPARE(readProfileString("SETTINGS", "Param1", "", pathOf("none.ini")), "");
    QCOMPARE(readProfileString("SETTINGS", "ComPort", "0", pathOf("no/such/folder/x.ini")), "0");
}

void TestProfileFile::readDirectoryGivesDefault()
{
    QVERIFY(QDir(m_dir->path()).mkdir("folder.ini"));
    QCOMPARE(readProfileString("SETTINGS", "ComPort", "0", pathOf("folder.ini")), "0");
}

void TestProfileFile::readCapsAtBufferSize_data()
{
    QTest::addColumn<int>("valueLength");
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<int>("expectedLength");

    QTest::newRow("300 into 255") << 300 << 255 << 254;
    QTest::newRow("254 fits") << 254 << 255 << 254;
    QTest::newRow("255 is one too many") << 255 << 255 << 254;
    QTest::newRow("253 fits") << 253 << 255 << 253;
    QTest::newRow("small buffer") << 20 << 10 << 9;
    QTest::newRow("one-character buffer holds the terminator only") << 20 << 1 << 0;
    QTest::newRow("no buffer") << 20 << 0 << 0;
}

void TestProfileFile::readCapsAtBufferSize()
{
    QFETCH(int, valueLength);
    QFETCH(int, bufferSize);
    QFETCH(int, expectedLength);

    QString value;
    for (int i = 0; i < valueLength; ++i)
        value += QChar(u'a' + i % 26);
    const QString path = pathOf("cap.ini");
    QVERIFY(writeFile(path, "[SETTINGS]\r\nP=  \"" + value.toLatin1() + "\"  \r\n"));
    QCOMPARE(readProfileString("SETTINGS", "P", "", path, bufferSize), value.left(expectedLength));
    // The default comes through the same buffer.
    QCOMPARE(readProfileString("SETTINGS", "Missing", value, path, bufferSize), value.left(expectedLength));
}

// ---- writing ----

void TestProfileFile::newFileGetsCrLf()
{
    const QString path = pathOf("Settings.ini");
    QVERIFY(writeProfileString("SETTINGS", "ComPort", "0", path));
    QCOMPARE(readFile(path), QByteArray("[SETTINGS]\r\nComPort=0\r\n"));
}

void TestProfileFile::settingsFileWrittenFirstTime()
{
    const QString path = pathOf("Settings.ini");
    QVERIFY(writeProfileString("SETTINGS", "ComPort", "0", path));
    QVERIFY(writeProfileString("SETTINGS", "Baudrate", "5", path));
    QVERIFY(writeProfileString("SETTINGS", "Peculiar", "1", path));
    QVERIFY(writeProfileString("SETTINGS", "Language", "0", path));
    QCOMPARE(readFile(path),
             QByteArray("[SETTINGS]\r\nComPort=0\r\nBaudrate=5\r\nPeculiar=1\r\nLanguage=0\r\n"));
    // Writing the same keys again changes nothing.
    QVERIFY(writeProfileString("SETTINGS", "ComPort", "0", path));
    QVERIFY(writeProfileString("SETTINGS", "Language", "0", path));
    QCOMPARE(readFile(path),
             QByteArray("[SETTINGS]\r\nComPort=0\r\nBaudrate=5\r\nPeculiar=1\r\nLanguage=0\r\n"));
}

void TestProfileFile::writtenValueReadsBack_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << "AT+CSQ" << "AT+CSQ";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("tokens") << "<STX>ABC<ETX>" << "<STX>ABC<ETX>";
    QTest::newRow("blanks around are lost") << "  AT  " << "AT";
    QTest::newRow("blanks only") << "   " << "";
    QTest::newRow("quotes are lost") << "\"AT\"" << "AT";
    QTest::newRow("equals sign") << "a=b" << "a=b";
    QTest::newRow("semicolon") << "; not a comment" << "; not a comment";
    QTest::newRow("brackets") << "[SETTINGS]" << "[SETTINGS]";
    const QString long300 = QString(300, u'x') + u'y';
    QTest::newRow("300 characters come back as 254") << long300 << long300.left(254);
}

void TestProfileFile::writtenValueReadsBack()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);

    const QString path = pathOf("DefaultCommands.icf");
    QVERIFY(writeProfileString("SETTINGS", "Param1", value, path));
    QVERIFY(writeProfileString("SETTINGS", "Param2", "after", path));
    QCOMPARE(readProfileString("SETTINGS", "Param1", "<default>", path), expected);
    QCOMPARE(readProfileString("SETTINGS", "Param2", "<default>", path), "after");
    // The value is stored as given, without quoting.
    QVERIFY(readFile(path).contains("Param1=" + platform::encodeCp1252(value) + "\r\n"));
}

void TestProfileFile::codePageRoundTripOfEveryByte()
{
    QByteArray printable;
    for (int b = 0x20; b <= 0xFF; ++b)
        printable.append(char(b));
    // Control characters other than the line ends survive too.
    QByteArray controls;
    for (int b = 0x01; b < 0x20; ++b)
        if (b != '\r' && b != '\n')
            controls.append(char(b));
    // Ends that are neither blanks nor quotes, so the values come back whole.
    const QString first = "<" + platform::decodeCp1252(printable) + ">";
    const QString second = "<" + platform::decodeCp1252(controls) + ">";
    QCOMPARE(first.size(), 2 + 224);

    const QString path = pathOf("bytes.icf");
    QVERIFY(writeProfileString("SETTINGS", "Param1", first, path));
    QVERIFY(writeProfileString("SETTINGS", "Param2", second, path));
    QCOMPARE(readFile(path),
             "[SETTINGS]\r\nParam1=<" + printable + ">\r\nParam2=<" + controls + ">\r\n");
    QCOMPARE(readProfileString("SETTINGS", "Param1", "", path), first);
    QCOMPARE(readProfileString("SETTINGS", "Param2", "", path), second);
}

void TestProfileFile::unmappableCharacterWrittenAsQuestionMark()
{
    const QString path = pathOf("q.icf");
    const QString value = QStringLiteral("a\u03A9b") + QChar(0xD83D) + QChar(0xDE00) + QStringLiteral("c\u20AC");
    QVERIFY(writeProfileString("SETTINGS", "Param1", value, path));
    QCOMPARE(readFile(path), QByteArray("[SETTINGS]\r\nParam1=a?b?c\x80\r\n"));
    QCOMPARE(readProfileString("SETTINGS", "Param1", "", path), QStringLiteral("a?b?c\u20AC"));
}

void TestProfileFile::lineBreaksInValueBecomeBlanks()
{
    const QString path = pathOf("breaks.ini");
    QVERIFY(writeProfileString("SETTINGS", "Param1", "a\r\n[X]\rEvil=1\nb", path));
    QVERIFY(writeProfileString("SETTINGS", "Param2", "next", path));
    QCOMPARE(readFile(path), QByteArray("[SETTINGS]\r\nParam1=a  [X] Evil=1 b\r\nParam2=next\r\n"));
    QCOMPARE(readProfileString("SETTINGS", "Evil", "<default>", path), "<default>");
    QCOMPARE(readProfileString("X", "Evil", "<default>", path), "<default>");
    QCOMPARE(readProfileString("SETTINGS", "Param2", "<default>", path), "next");
}

void TestProfileFile::refusesNamesThatCannotBeReadBack_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");

    QTest::newRow("empty section") << "" << "ComPort";
    QTest::newRow("blank section") << "  " << "ComPort";
    QTest::newRow("empty key") << "SETTINGS" << "";
    QTest::newRow("key with =") << "SETTINGS" << "a=b";
    QTest::newRow("key like a header") << "SETTINGS" << "[x";
    QTest::newRow("key like a comment") << "SETTINGS" << ";x";
    QTest::newRow("line break in key") << "SETTINGS" << "a\nb";
    QTest::newRow("line break in section") << "SET\r\nTINGS" << "ComPort";
}

void TestProfileFile::refusesNamesThatCannotBeReadBack()
{
    QFETCH(QString, section);
    QFETCH(QString, key);

    const QString fresh = pathOf("fresh.ini");
    QVERIFY(!writeProfileString(section, key, "1", fresh));
    QVERIFY(!QFile::exists(fresh));

    const QString existing = pathOf("existing.ini");
    const QByteArray before = "[SETTINGS]\r\nComPort=1\r\n";
    QVERIFY(writeFile(existing, before));
    QVERIFY(!writeProfileString(section, key, "1", existing));
    QCOMPARE(readFile(existing), before);
}

// ---- failures leave the old file ----

void TestProfileFile::failsForDirectoryTarget()
{
    QVERIFY(QDir(m_dir->path()).mkdir("Settings.ini"));
    QVERIFY(!writeProfileString("SETTINGS", "ComPort", "0", pathOf("Settings.ini")));
    QVERIFY(QFileInfo(pathOf("Settings.ini")).isDir());
}

void TestProfileFile::failsForMissingFolder()
{
    QVERIFY(!writeProfileString("SETTINGS", "ComPort", "0", pathOf("missing/Settings.ini")));
    QVERIFY(!QFile::exists(pathOf("missing")));
    // A "folder" that is a file.
    QVERIFY(writeFile(pathOf("plain"), "x"));
    QVERIFY(!writeProfileString("SETTINGS", "ComPort", "0", pathOf("plain/Settings.ini")));
    QCOMPARE(readFile(pathOf("plain")), QByteArray("x"));
}

void TestProfileFile::failsForReadOnlyFolder()
{
    if (::geteuid() == 0)
        QSKIP("file permissions do not bind root; failedWriteLeavesOldFile covers the write failure");
    const QString path = pathOf("Settings.ini");
    const QByteArray before = "; mine\r\n[SETTINGS]\r\nComPort=1\r\n";
    QVERIFY(writeFile(path, before));
    QVERIFY(QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::ExeOwner));
    QVERIFY(!writeProfileString("SETTINGS", "ComPort", "2", path));
    QVERIFY(!writeProfileString("SETTINGS", "Baudrate", "2", path));
    QCOMPARE(readFile(path), before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Settings.ini"});
}

void TestProfileFile::failsForReadOnlyFile()
{
    if (::geteuid() == 0)
        QSKIP("file permissions do not bind root");
    const QString path = pathOf("Settings.ini");
    const QByteArray before = "[SETTINGS]\r\nComPort=1\r\n";
    QVERIFY(writeFile(path, before));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
    QVERIFY(!writeProfileString("SETTINGS", "ComPort", "2", path));
    QCOMPARE(readFile(path), before);
    QCOMPARE(readProfileString("SETTINGS", "ComPort", "", path), "1");
}

// A file size limit makes the write of the new contents fail part way, as a full disk does.
void TestProfileFile::failedWriteLeavesOldFile()
{
    const QString path = pathOf("Settings.ini");
    QByteArray before = "; mine\r\n[SETTINGS]\r\nComPort=1\r\n";
    before += "Param1=" + QByteArray(4000, 'x') + "\r\n";
    QVERIFY(writeFile(path, before));

    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 1024;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool written = writeProfileString("SETTINGS", "ComPort", "2", path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!written);
    QCOMPARE(readFile(path), before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Settings.ini"});
    // Without the limit the same write goes through.
    QVERIFY(writeProfileString("SETTINGS", "ComPort", "2", path));
    QCOMPARE(readProfileString("SETTINGS", "ComPort", "", path), "2");
}

// ---- bad files: each read gives its documented result, each write keeps the other bytes ----

void TestProfileFile::emptyFile()
{
    const QString path = pathOf("empty.ini");
    QVERIFY(writeFile(path, {}));
    QVERIFY(QFile::exists(path));
    QCOMPARE(readProfileString("SETTINGS", "ComPort", "0", path), "0");
}

void TestProfileFile::randomBinaryFile()
{
    QRandomGenerator random(1252);
    QByteArray junk(64 * 1024, Qt::Uninitialized);
    for (char &c : junk)
        c = char(random.bounded(256));
    const QString path = pathOf("junk.bin");
    QVERIFY(writeFile(path, junk));

    QCOMPARE(readProfileString("SETTINGS", "ComPort", "<default>", path), "<default>");
    QVERIFY(writeProfileString("SETTINGS", "ComPort", "7", path));
    // The new section follows the junk, in the style of the junk's first line end.
    const qsizetype cr = junk.indexOf('\r');
    const qsizetype lf = junk.indexOf('\n');
    QVERIFY(cr >= 0 && lf >= 0);
    const QByteArray eol = lf < cr ? "\n" : (junk.at(cr + 1) == '\n' ? "\r\n" : "\r");
    const bool junkEndsLine = junk.endsWith('\r') || junk.endsWith('\n');
    const QByteArray expected =
        junk + (junkEndsLine ? "" : eol) + "[SETTINGS]" + eol + "ComPort=7" + eol;
    QVERIFY(sameBytes(readFile(path), expected));
    QCOMPARE(readProfileString("SETTINGS", "ComPort", "<default>", path), "7");
}

void TestProfileFile::hugeFile()
{
    QByteArray content = "; big\r\n[OTHER]\r\n";
    for (int i = 0; content.size() < 10 * 1024 * 1024; ++i)
        content += "Key" + QByteArray::number(i) + "=value of key " + QByteArray::number(i) + "\r\n";
    content += "[SETTINGS]\r\nComPort=4\r\n";
    const QString path = pathOf("huge.ini");
    QVERIFY(writeFile(path, content));

    QCOMPARE(readProfileString("SETTINGS", "ComPort", "", path), "4");
    QCOMPARE(readProfileString("OTHER", "Key1000", "", path), "value of key 1000");
    QCOMPARE(readProfileString("SETTINGS", "Baudrate", "<default>", path), "<default>");

    QVERIFY(writeProfileString("SETTINGS", "ComPort", "5", path));
    QByteArray expected = content;
    expected.chop(int(qstrlen("4\r\n")));
    expected += "5\r\n";
    QVERIFY(sameBytes(readFile(path), expected));
}

void TestProfileFile::veryLongLines()
{
    const QByteArray longValue(100000, 'v');
    const QByteArray longJunk(100000, 'j');
    const QByteArray content = "[SETTINGS]\r\n" + longJunk + "\r\nLong=" + longValue + "\r\nComPort=1\r\n";
    const QString path = pathOf("long.ini");
    QVERIFY(writeFile(path, content));

    QCOMPARE(readProfileString("SETTINGS", "Long", "", path), QString(254, u'v'));
    QCOMPARE(readProfileString("SETTINGS", "ComPort", "", path), "1");

    QVERIFY(writeProfileString("SETTINGS", "ComPort", "2", path));
    QVERIFY(writeProfileString("SETTINGS", "Baudrate", "3", path));
    QVERIFY(sameBytes(readFile(path), "[SETTINGS]\r\n" + longJunk + "\r\nLong=" + longValue
                                           + "\r\nComPort=2\r\nBaudrate=3\r\n"));
}

void TestProfileFile::nulBytes()
{
    const QString path = pathOf("nul.ini");
    QVERIFY(QFile::copy(QStringLiteral(TEST_DATA_DIR) + "/nul_bytes.ini", path));
    // A NUL ends the value, as it ends the caller's character buffer.
    QCOMPARE(readProfileString("SETTINGS", "A", "<default>", path), "x");
    QCOMPARE(readProfileString("Next", "B", "<default>", path), "");
    QCOMPARE(readProfileString("SETTINGS", "Junk", "<default>", path), "<default>");
}

void TestProfileFile::duplicatesFirstWins()
{
    const QString path = pathOf("dup.ini");
    QVERIFY(QFile::copy(QStringLiteral(TEST_DATA_DIR) + "/duplicates.ini", path));
    QCOMPARE(readProfileString("SETTINGS", "ComPort", "<default>", path), "1");
    // Only the first section of a name counts: a key that only the repeat holds is missing.
    QCOMPARE(readProfileString("SETTINGS", "Baudrate", "<default>", path), "<default>");
}

void TestProfileFile::noLineEndAtEnd()
{
    const QString path = pathOf("noeol.ini");
    QVERIFY(writeFile(path, "[SETTINGS]\r\nComPort=12  "));
    QCOMPARE(readProfileString("SETTINGS", "ComPort", "", path), "12");
    QVERIFY(writeFile(path, "[SETTINGS]"));
    QCOMPARE(readProfileString("SETTINGS", "ComPort", "<default>", path), "<default>");
    QVERIFY(writeProfileString("SETTINGS", "ComPort", "1", path));
    QCOMPARE(readFile(path), QByteArray("[SETTINGS]\r\nComPort=1\r\n"));
}

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
