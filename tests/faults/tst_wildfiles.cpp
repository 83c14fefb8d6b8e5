// Settings.ini, DefaultCommands.icf and Ports.ini as they are found in the wild: empty, binary,
// huge, with endless lines, NUL bytes, bytes the code page leaves undefined, duplicate
// sections and keys, a UTF-8 byte order mark, mixed line ends. The program must start, send
// a preset and close with the values documented here, and leave the file readable.
#include "Cp1252.h"
#include "MainProgram.h"
#include "TerminalSession.h"
#include "TestProgram.h"
#include "TrafficLine.h"
#include "TrafficListModel.h"
#include "frmMain.h"
#include "modGlobal.h"

#include <QtTest>
#include "ProfileFile.h"
#include "Pty.h"
#include "Tokens.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>

namespace {

constexpr qsizetype kHugeFileBytes = 10 * 1024 * 1024;
constexpr qsizetype kEndlessLine = 100000;
constexpr int kLastPort = 256;

// A literal with the NUL bytes inside it, without its closing one.
template <qsizetype N>
QByteArray bytes(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

// Bytes of every value, from a fixed seed: the same "binary file" on every run.
QByteArray binaryJunk(qsizetype size)
{
    QRandomGenerator random(20061);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

// Ten megabytes of comment lines: nothing in them is a key.
QByteArray hugeComments()
{
    const QByteArray line = "; " + QByteArray(98, 'z') + "\r\n";
    QByteArray bytes;
    bytes.reserve(kHugeFileBytes + line.size());
    while (bytes.size() < kHugeFileBytes)
        bytes += line;
    return bytes;
}

// Every port number named, COM1 the test's device, the others paths that do not exist: no
// value a damaged Settings.ini may produce can reach a real serial port of this machine.
QByteArray portTableFor(const QString &device, const QString &folder)
{
    QByteArray table = "[PORTS]\r\nCOM1=" + device.toUtf8() + "\r\n";
    for (int n = 2; n <= kLastPort; ++n)
        table += "COM" + QByteArray::number(n) + "=" + folder.toUtf8() + "/absent" + QByteArray::number(n) + "\r\n";
    return table;
}

QString openStatus(int port, const QString &rate, bool english)
{
    return english ? QStringLiteral("Interface COM%1 is opened with %2 baud.").arg(port).arg(rate)
                   : QStringLiteral("Schnittstelle COM%1 mit %2 Baud ist geöffnet.").arg(port).arg(rate);
}

const QString kClosedStatus = QStringLiteral("Keine Schnittstelle geöffnet!");
const QString kDevice = QStringLiteral("<device>"); // stands for the pty's path in Ports.ini rows

} // namespace

class TestWildFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void settingsFile_data();
    void settingsFile();
    void presetsFile_data();
    void presetsFile();
    void portTable_data();
    void portTable();
};

void TestWildFiles::initTestCase()
{
    // The Ports.ini rows use COM256, whose fallback device must not exist here.
    if (QFile::exists(QStringLiteral("/dev/ttyS255")))
        QSKIP("/dev/ttyS255 exists on this machine");
}

// Columns: the file as found; the four settings it gives (ComPort, Baudrate, Peculiar,
// Language); bytes that must still be in the file after the program closed.
void TestWildFiles::settingsFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<int>>("settings");
    QTest::addColumn<QByteArray>("kept");

    const QByteArray binary = binaryJunk(4096);
    const QByteArray huge = hugeComments();
    QTest::newRow("empty") << QByteArray() << QList<int>{0, 0, 0, 0} << QByteArray();
    QTest::newRow("binary") << binary << QList<int>{0, 0, 0, 0} << binary;
    QTest::newRow("10 MB, a key at the end")
        << "[SETTINGS]\r\nBaudrate=10\r\n" + huge + "Language=1\r\n" << QList<int>{0, 10, 0, 1} << huge;
    QTest::newRow("100,000-character value and key")
        << "[SETTINGS]\r\nBaudrate=" + QByteArray(kEndlessLine, '7') + "\r\n" + QByteArray(kEndlessLine, 'K')
               + "=1\r\nLanguage=1\r\n"
        << QList<int>{0, 0, 0, 1} << QByteArray(kEndlessLine, 'K') + "=1\r\n";
    QTest::newRow("NUL bytes end a value, spoil a key")
        << bytes("[SETTINGS]\r\nBaudrate=7\0 9\r\nLang\0uage=1\r\nPeculiar=1\r\n")
        << QList<int>{0, 7, 1, 0} << bytes("Lang\0uage=1\r\n");
    QTest::newRow("bytes the code page leaves undefined")
        << QByteArray("[SETTINGS]\r\nBaudrate=\x81\x8D\r\nLanguage=1\x9D\r\nPeculiar=\x8F\x90\r\n")
        << QList<int>{0, 0, 0, 0} << QByteArray();
    QTest::newRow("duplicate sections and keys: the first wins")
        << QByteArray("[SETTINGS]\r\nBaudrate=3\r\nBaudrate=9\r\n[OTHER]\r\nLanguage=1\r\n[settings]\r\n"
                      "Language=1\r\nPeculiar=1\r\n")
        << QList<int>{0, 3, 0, 0} << QByteArray("[settings]\r\nLanguage=1\r\nPeculiar=1\r\n");
    QTest::newRow("UTF-8 byte order mark")
        << QByteArray("\xEF\xBB\xBF[SETTINGS]\r\nBaudrate=4\r\nLanguage=1\r\n") << QList<int>{0, 4, 0, 1}
        << QByteArray("\xEF\xBB\xBF[SETTINGS]\r\n");
    QTest::newRow("mixed line ends")
        << QByteArray("[SETTINGS]\rBaudrate=2\nLanguage=1\r\nPeculiar=1\r") << QList<int>{0, 2, 1, 1}
        << QByteArray("[SETTINGS]\rBaudrate=2\nLanguage=1\r\nPeculiar=1\r");
}

void TestWildFiles::settingsFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<int>, settings);
    QFETCH(QByteArray, kept);
    Pty device;
    QVERIFY(device.isValid());
    TestProgram p;
    p.mapPort(1, device.slavePath());
    QVERIFY(p.writeFile(QStringLiteral("DefaultCommands.icf"), "[SETTINGS]\r\nParam1=AT<CR>\r\n"));
    QVERIFY(p.writeFile(QStringLiteral("Ports.ini"), portTableFor(device.slavePath(), p.folder())));
    QVERIFY(p.writeFile(QStringLiteral("Settings.ini"), file));
    QVERIFY(p.start());

    QCOMPARE((QList<int>{g_bytComPort, g_bytBaudrate, g_bytPeculiar, g_bytLanguage}), settings);
    const bool english = settings[3] == 1;
    const QString rates[] = {"300", "600", "1200", "2400", "4800", "9600", "19200", "38400", "56000", "57600", "115200"};
    QCOMPARE(p.form().statusText(), openStatus(1, rates[settings[1]], english));
    QCOMPARE(p.dialogs().shown.size(), 0);
    p.form().cmdBefehl[0]->click();
    QCOMPARE(device.readMasterUntilQuiet(100), QByteArray("AT\r"));

    p.form().close();
    const QString path = p.filePath(QStringLiteral("Settings.ini"));
    const QByteArray after = p.readFile(QStringLiteral("Settings.ini"));
    QVERIFY2(after.contains(kept), "the lines the program does not own were changed");
    const char *const keys[] = {"ComPort", "Baudrate", "Peculiar", "Language"};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(platform::readProfileString(QStringLiteral("SETTINGS"), QString::fromLatin1(keys[i]),
                                             QStringLiteral("missing"), path),
                 QString::number(settings[i]));
}

// Columns: the file as found; the first three presets it gives; bytes that must still be in
// the file after the program closed.
void TestWildFiles::presetsFile_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("presets");
    QTest::addColumn<QByteArray>("kept");

    const QByteArray binary = binaryJunk(4096);
    const QByteArray huge = hugeComments();
    QTest::newRow("empty") << QByteArray() << QStringList{"", "", ""} << QByteArray();
    QTest::newRow("binary") << binary << QStringList{"", "", ""} << binary;
    QTest::newRow("10 MB, a preset at the end")
        << "[SETTINGS]\r\nParam1=first<CR>\r\n" + huge + "Param2=last\r\n"
        << QStringList{"first<CR>", "last", ""} << huge;
    // A preset holds at most 254 characters: the rest is gone once the program saved.
    QTest::newRow("100,000-character preset is cut to 254")
        << "[SETTINGS]\r\nParam1=" + QByteArray(kEndlessLine, 'x') + "\r\nParam2=after\r\n"
        << QStringList{QString(254, u'x'), "after", ""} << "Param1=" + QByteArray(254, 'x') + "\r\nParam2=after\r\n";
    QTest::newRow("NUL byte ends a preset")
        << bytes("[SETTINGS]\r\nParam1=AT\0junk\r\nParam2=B\r\n") << QStringList{"AT", "B", ""}
        << QByteArray("Param2=B\r\n");
    QTest::newRow("bytes the code page leaves undefined go out as they are")
        << QByteArray("[SETTINGS]\r\nParam1=\x81\x8D\x8F\x90\x9D\r\n")
        << QStringList{QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D"), "", ""}
        << QByteArray("Param1=\x81\x8D\x8F\x90\x9D\r\n");
    QTest::newRow("duplicate sections and keys: the first wins")
        << QByteArray("[SETTINGS]\r\nParam1=one\r\nParam1=two\r\n[SETTINGS]\r\nParam2=three\r\n")
        << QStringList{"one", "", ""} << QByteArray("Param8=\r\n[SETTINGS]\r\nParam2=three\r\n");
    QTest::newRow("UTF-8 byte order mark")
        << QByteArray("\xEF\xBB\xBF[SETTINGS]\r\nParam1=bom\r\n") << QStringList{"bom", "", ""}
        << QByteArray("\xEF\xBB\xBF[SETTINGS]\r\nParam1=bom\r\n");
    QTest::newRow("mixed line ends, none at the end")
        << QByteArray("[SETTINGS]\rParam1=cr\nParam2=lf\r\nParam3=crlf") << QStringList{"cr", "lf", "crlf"}
        << QByteArray("[SETTINGS]\rParam1=cr\nParam2=lf\r\nParam3=crlf");
}

void TestWildFiles::presetsFile()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, presets);
    QFETCH(QByteArray, kept);
    Pty device;
    QVERIFY(device.isValid());
    TestProgram p;
    p.mapPort(1, device.slavePath());
    QVERIFY(p.writeFile(QStringLiteral("Ports.ini"), portTableFor(device.slavePath(), p.folder())));
    QVERIFY(p.writeFile(QStringLiteral("DefaultCommands.icf"), file));
    QVERIFY(p.start());

    for (int i = 0; i < presets.size(); ++i)
        QCOMPARE(p.form().txtBefehl[i]->text(), presets[i]);
    QCOMPARE(p.form().statusText(), openStatus(1, QStringLiteral("300"), false));
    QCOMPARE(p.dialogs().shown.size(), 0);
    p.form().cmdBefehl[0]->click();
    QCOMPARE(device.readMasterUntilQuiet(100), platform::encodeCp1252(TokensToChars(presets[0])));

    p.form().close();
    const QString path = p.filePath(QStringLiteral("DefaultCommands.icf"));
    QVERIFY2(p.readFile(QStringLiteral("DefaultCommands.icf")).contains(kept),
             "the lines the program does not own were changed");
    for (int i = 0; i < presets.size(); ++i)
        QCOMPARE(platform::readProfileString(QStringLiteral("SETTINGS"), QStringLiteral("Param%1").arg(i + 1),
                                             QStringLiteral("missing"), path),
                 presets[i]);
}

// Columns: Ports.ini as found, "<device>" standing for the test's pty; whether COM256 opens.
// Settings.ini asks for COM256, whose fallback /dev/ttyS255 does not exist.
void TestWildFiles::portTable_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("opens");

    const QByteArray device = kDevice.toUtf8();
    QTest::newRow("empty: the fallback device, absent") << QByteArray() << false;
    QTest::newRow("binary: the fallback device, absent") << binaryJunk(4096) << false;
    QTest::newRow("10 MB, the entry at the end") << "[PORTS]\r\n" + hugeComments() + "COM256=" + device + "\r\n" << true;
    QTest::newRow("100,000-character line before the entry")
        << "[PORTS]\r\nCOM255=" + QByteArray(kEndlessLine, 'x') + "\r\nCOM256=" + device + "\r\n" << true;
    QTest::newRow("100,000-character path: cut, absent")
        << "[PORTS]\r\nCOM256=" + device + QByteArray(kEndlessLine, 'x') + "\r\n" << false;
    QTest::newRow("NUL byte ends the path") << "[PORTS]\r\nCOM256=" + device + bytes("\0junk\r\n") << true;
    QTest::newRow("undefined code-page byte in the path: absent")
        << "[PORTS]\r\nCOM256=" + device + "\x81\r\n" << false;
    QTest::newRow("duplicate sections and keys: the first wins")
        << "[PORTS]\r\nCOM256=" + device + "\r\nCOM256=/absent\r\n[PORTS]\r\nCOM256=/absent\r\n" << true;
    QTest::newRow("UTF-8 byte order mark") << "\xEF\xBB\xBF[PORTS]\r\nCOM256=" + device + "\r\n" << true;
    QTest::newRow("mixed line ends") << "[PORTS]\rCOM1=/absent\nCOM256=" + device + "\r" << true;
}

void TestWildFiles::portTable()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, opens);
    Pty device;
    QVERIFY(device.isValid());
    file.replace(kDevice.toUtf8(), device.slavePath().toUtf8());
    TestProgram p;
    p.mapPort(1, device.slavePath());
    QVERIFY(p.writeFile(QStringLiteral("DefaultCommands.icf"), "[SETTINGS]\r\nParam1=AT<CR>\r\n"));
    QVERIFY(p.writeFile(QStringLiteral("Settings.ini"), "[SETTINGS]\r\nComPort=255\r\nBaudrate=5\r\n"));
    QVERIFY(p.writeFile(QStringLiteral("Ports.ini"), file));
    QVERIFY(p.start());

    QCOMPARE(p.form().statusText(), opens ? openStatus(256, QStringLiteral("9600"), false) : kClosedStatus);
    // A port that does not open is reported once, as a missing device.
    QCOMPARE(p.dialogs().shown.size(), opens ? 0 : 1);
    if (!opens) // also where Qt cannot make the lock file for a name this long
        QCOMPARE(g_lngErrNumber, 8010);
    p.form().cmdBefehl[0]->click();
    QCOMPARE(device.readMasterUntilQuiet(100), opens ? QByteArray("AT\r") : QByteArray());

    p.form().close();
    QCOMPARE(p.readFile(QStringLiteral("Ports.ini")), file); // the program never writes it
}

QTEST_MAIN(TestWildFiles)
#include "tst_wildfiles.moc"
