// Port discovery over an in-memory registry: the registry reader, the version test and the
// port list text, separators included.
#include "PortDiscovery.h"
#include "Registry.h"
#include "ScriptedDialogs.h"
#include "modGlobal.h"

#include <QtTest>

using platform::MemoryRegistry;
using platform::RegistryRoot;
using platform::RegistryValue;

namespace {

const QString kMissing = QStringLiteral("<missing>");
const QChar kEtx(3);

QString list(const QStringList &fields)
{
    return fields.join(kEtx);
}

QString deviceKey(const QString &instance)
{
    return platform::kDeviceEnumKeyPrefix + instance;
}

QString parametersKey(const QString &instance)
{
    return deviceKey(instance) + platform::kDeviceParametersKey;
}

// Counts what is asked, so that a test sees whether the registry was read at all.
class CountingRegistry final : public platform::Registry {
public:
    explicit CountingRegistry(const platform::Registry &inner) : m_inner(inner) {}
    std::optional<RegistryValue> query(RegistryRoot root, const QString &keyPath,
                                       const QString &valueName) const override
    {
        ++queries;
        return m_inner.query(root, keyPath, valueName);
    }
    mutable int queries = 0;

private:
    const platform::Registry &m_inner;
};

// Installs a version answer for one test and restores the platform's own afterwards.
class VersionAnswer {
public:
    explicit VersionAnswer(VersionQuery query) { setVersionQuery(std::move(query)); }
    ~VersionAnswer() { setVersionQuery({}); }
    VersionAnswer(const VersionAnswer &) = delete;
    VersionAnswer &operator=(const VersionAnswer &) = delete;
};

VersionQuery reportVersion(qint32 platformId, qint32 major, qint32 minor)
{
    return [=](OsVersionInfo &info) {
        QCOMPARE(info.dwOSVersionInfoSize, 148);
        info.dwPlatformId = platformId;
        info.dwMajorVersion = major;
        info.dwMinorVersion = minor;
    };
}

VersionQuery failVersion(const QString &description, qint32 number)
{
    return [=](OsVersionInfo &) { throw platform::Failure(description, number); };
}

} // namespace

Q_DECLARE_METATYPE(RegistryValue)

class TestPortDiscovery : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedDialogs> dialogs;

private slots:
    void init()
    {
        dialogs = std::make_unique<ScriptedDialogs>();
        g_bytLanguage = 0;
        g_strErrDescription.clear();
        g_lngErrNumber = 0;
    }
    void cleanup() { dialogs.reset(); }

    void readString_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<RegistryValue>("value");
        QTest::addColumn<QString>("defaultValue");
        QTest::addColumn<QString>("expected");
        const auto text = [](const QByteArray &bytes) { return RegistryValue{platform::RegText, bytes}; };
        const auto number = [](const QByteArray &bytes) { return RegistryValue{platform::RegNumber, bytes}; };
        QTest::newRow("text with closing zero") << true << text(QByteArray("COM3\0", 5)) << "d" << "COM3";
        QTest::newRow("text without zero") << true << text("COM3") << "d" << "COM3";
        QTest::newRow("bytes after the zero") << true << text(QByteArray("COM3\0COM9\0", 10)) << "" << "COM3";
        QTest::newRow("zero first") << true << text(QByteArray("\0COM9", 5)) << "d" << "";
        QTest::newRow("empty text beats the default") << true << text(QByteArray()) << "d" << "";
        QTest::newRow("code page byte") << true << text(QByteArray("Ger\xe4t\0", 6)) << "" << QString::fromUtf8("Gerät");
        QTest::newRow("number") << true << number(platform::registryNumberBytes(2)) << "0" << "2";
        QTest::newRow("number 32767") << true << number(platform::registryNumberBytes(32767)) << "0" << "32767";
        QTest::newRow("number as signed") << true << number(platform::registryNumberBytes(0xFFFFFFFFu)) << "0" << "-1";
        QTest::newRow("short number") << true << number(QByteArray("\x02\x01", 2)) << "0" << "258";
        QTest::newRow("number too long") << true << number(QByteArray(5, '\1')) << "d" << "d";
        QTest::newRow("other type") << true << RegistryValue{3, QByteArray("COM1")} << "d" << "d";
        QTest::newRow("expandable text") << true << RegistryValue{2, QByteArray("COM1\0", 5)} << "d" << "d";
        QTest::newRow("missing value") << false << RegistryValue{} << "d" << "d";
        QTest::newRow("missing, no default") << false << RegistryValue{} << QString() << "";
    }
    void readString()
    {
        QFETCH(bool, present);
        QFETCH(RegistryValue, value);
        QFETCH(QString, defaultValue);
        QFETCH(QString, expected);
        MemoryRegistry registry;
        if (present)
            registry.set(QStringLiteral("SOFTWARE\\Test"), QStringLiteral("Value"), value);
        const QString result = fkt_RegistryReadString(registry, RegistryRoot::LocalMachine,
                                                      QStringLiteral("SOFTWARE\\Test"),
                                                      QStringLiteral("Value"), defaultValue);
        QCOMPARE(result, expected);
    }

    void readStringDefaultsToEmpty()
    {
        MemoryRegistry registry;
        QCOMPARE(fkt_RegistryReadString(registry, RegistryRoot::LocalMachine,
                                        QStringLiteral("SOFTWARE\\None"), QStringLiteral("x")),
                 QString(""));
    }

    void keysAndNamesIgnoreCase()
    {
        MemoryRegistry registry;
        registry.setText(QStringLiteral("SYSTEM\\Enum\\Dev"), QStringLiteral("PortName"),
                         QStringLiteral("COM2"));
        QCOMPARE(fkt_RegistryReadString(registry, RegistryRoot::LocalMachine,
                                        QStringLiteral("system\\enum\\DEV"), QStringLiteral("portname")),
                 QStringLiteral("COM2"));
        QCOMPARE(fkt_RegistryReadString(registry, RegistryRoot::LocalMachine,
                                        QStringLiteral("SYSTEM\\Enum"), QStringLiteral("PortName"), "-"),
                 QStringLiteral("-"));
    }

    void versionTest_data()
    {
        QTest::addColumn<int>("platformId");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<bool>("expected");
        QTest::newRow("Windows 2000") << 2 << 5 << 0 << true;
        QTest::newRow("Windows XP") << 2 << 5 << 1 << true;
        QTest::newRow("Windows 10") << 2 << 10 << 0 << true;
        QTest::newRow("Windows NT 4") << 2 << 4 << 0 << false;
        QTest::newRow("Windows 98") << 1 << 4 << 10 << false;
        QTest::newRow("9x family, high version") << 1 << 5 << 0 << false;
        QTest::newRow("negative minor") << 2 << 5 << -1 << false;
    }
    void versionTest()
    {
        QFETCH(int, platformId);
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(bool, expected);
        VersionAnswer answer(reportVersion(platformId, major, minor));
        QCOMPARE(fkt_ToolsIsMinWin2000(), expected);
        QCOMPARE(dialogs->shown.size(), 0);
    }

    void linuxCountsAsWindows2000()
    {
        QVERIFY(fkt_ToolsIsMinWin2000());
        QCOMPARE(dialogs->shown.size(), 0);
    }

    void failingVersionQueryIsReported_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::newRow("German")
            << 0
            << QString::fromUtf8("Es ist ein Fehler bei folgender Aktion aufgetreten: Function "
                                 "<fkt_ToolsIsMinWin2000>.\r\nBeschreibung: Zugriff verweigert."
                                 "\r\nFehler: 5.")
            << QStringLiteral("Fehler aufgetreten");
        QTest::newRow("English")
            << 1
            << QStringLiteral("An error occured with followning action: Function "
                              "<fkt_ToolsIsMinWin2000>.\r\nDescription: Zugriff verweigert."
                              "\r\nError: 5.")
            << QStringLiteral("Error occured");
    }
    void failingVersionQueryIsReported()
    {
        QFETCH(int, language);
        QFETCH(QString, text);
        QFETCH(QString, title);
        g_bytLanguage = quint8(language);
        VersionAnswer answer(failVersion(QStringLiteral("Zugriff verweigert"), 5));
        QVERIFY(!fkt_ToolsIsMinWin2000());
        QCOMPARE(dialogs->shown.size(), 1);
        QCOMPARE(dialogs->shown.first().kind, QStringLiteral("message"));
        QCOMPARE(dialogs->shown.first().text, text);
        QCOMPARE(dialogs->shown.first().title, title);
        QCOMPARE(dialogs->shown.first().icon, platform::MessageIcon::Critical);
        QCOMPARE(g_strErrDescription, QStringLiteral("Zugriff verweigert"));
        QCOMPARE(g_lngErrNumber, 5);
    }

    void failingVersionQueryGivesNoPorts()
    {
        MemoryRegistry registry;
        registry.setNumber(platform::kSerialEnumeratorKey, QStringLiteral("Count"), 1);
        registry.setText(platform::kSerialEnumeratorKey, QStringLiteral("0"), QStringLiteral("A"));
        registry.setText(parametersKey(QStringLiteral("A")), QStringLiteral("PortName"), QStringLiteral("COM1"));
        const CountingRegistry counting(registry);
        VersionAnswer answer(failVersion(QStringLiteral("kaputt"), 13));
        QCOMPARE(fkt_ToolsGetSerialPorts(counting), QStringLiteral("0"));
        QCOMPARE(dialogs->count(QStringLiteral("message")), 1);
        QCOMPARE(counting.queries, 0);
    }

    void oldSystemReadsNoRegistry_data()
    {
        QTest::addColumn<int>("platformId");
        QTest::addColumn<int>("major");
        QTest::newRow("Windows NT 4") << 2 << 4;
        QTest::newRow("Windows 9x") << 1 << 4;
    }
    void oldSystemReadsNoRegistry()
    {
        QFETCH(int, platformId);
        QFETCH(int, major);
        MemoryRegistry registry;
        registry.setNumber(platform::kSerialEnumeratorKey, QStringLiteral("Count"), 1);
        const CountingRegistry counting(registry);
        VersionAnswer answer(reportVersion(platformId, major, 0));
        QCOMPARE(fkt_ToolsGetSerialPorts(counting), QStringLiteral("0"));
        QCOMPARE(counting.queries, 0);
        QCOMPARE(dialogs->shown.size(), 0);
    }

    // Each device row: instance path ("" = empty enumerator value, kMissing = no value),
    // PortName and FriendlyName (kMissing = no value).
    void portList_data()
    {
        QTest::addColumn<QVariant>("count"); // int: 32-bit number, QString: text, invalid: missing
        QTest::addColumn<QStringList>("instances");
        QTest::addColumn<QStringList>("portNames");
        QTest::addColumn<QStringList>("friendlyNames");
        QTest::addColumn<QString>("expected");

        const QStringList two{QStringLiteral("ACPI\\PNP0501\\1"), QStringLiteral("FTDIBUS\\VID_0403+A1\\0000")};
        const QStringList twoNames{QString::fromUtf8("Kommunikationsanschluss (COM1)"),
                                   QStringLiteral("USB Serial Port (COM4)")};
        const QString twoList = list({"2", "1", twoNames[0], "4", twoNames[1]});

        QTest::newRow("count as number, COM1 and COM4")
            << QVariant(2) << two << QStringList{"COM1", "COM4"} << twoNames << twoList;
        QTest::newRow("count as text")
            << QVariant(QStringLiteral("2")) << two << QStringList{"COM1", "COM4"} << twoNames << twoList;
        QTest::newRow("count text kept as read")
            << QVariant(QStringLiteral(" 2")) << two << QStringList{"COM1", "COM4"} << twoNames
            << list({" 2", "1", twoNames[0], "4", twoNames[1]});
        QTest::newRow("empty enumerator value")
            << QVariant(3) << QStringList{"A", "", "C"} << QStringList{"COM1", "COM2", "COM3"}
            << QStringList{"a", "b", "c"} << list({"3", "1", "a", "3", "c"});
        QTest::newRow("missing enumerator value")
            << QVariant(3) << QStringList{"A", kMissing, "C"} << QStringList{"COM1", "COM2", "COM3"}
            << QStringList{"a", "b", "c"} << list({"3", "1", "a", "3", "c"});
        QTest::newRow("count promises more devices")
            << QVariant(4) << QStringList{"A"} << QStringList{"COM7"} << QStringList{"a"}
            << list({"4", "7", "a"});
        QTest::newRow("device without PortName")
            << QVariant(1) << QStringList{"A"} << QStringList{kMissing} << QStringList{"a"}
            << list({"1", "0", "a"});
        QTest::newRow("PortName without digits")
            << QVariant(1) << QStringList{"A"} << QStringList{"LPT"} << QStringList{"a"}
            << list({"1", "", "a"});
        QTest::newRow("PortName filtered")
            << QVariant(1) << QStringList{"A"} << QStringList{"COM12"} << QStringList{"a"}
            << list({"1", "12", "a"});
        QTest::newRow("last device without FriendlyName")
            << QVariant(2) << two << QStringList{"COM1", "COM4"} << QStringList{"a", kMissing}
            << list({"2", "1", "a", "4", ""});
        QTest::newRow("first device without FriendlyName")
            << QVariant(2) << two << QStringList{"COM1", "COM4"} << QStringList{kMissing, "b"}
            << list({"2", "1", "", "4", "b"});
        QTest::newRow("not sorted here")
            << QVariant(3) << QStringList{"A", "B", "C"} << QStringList{"COM5", "COM1", "COM3"}
            << QStringList{"a", "b", "c"} << list({"3", "5", "a", "1", "b", "3", "c"});
        QTest::newRow("count 0") << QVariant(0) << two << QStringList{"COM1", "COM4"} << twoNames << "0";
        QTest::newRow("count missing") << QVariant() << two << QStringList{"COM1", "COM4"} << twoNames << "0";
        QTest::newRow("count negative") << QVariant(-1) << two << QStringList{"COM1", "COM4"} << twoNames << "0";
        QTest::newRow("count above 32767")
            << QVariant(32768) << two << QStringList{"COM1", "COM4"} << twoNames << "0";
        QTest::newRow("count text not a number")
            << QVariant(QStringLiteral("zwei")) << two << QStringList{"COM1", "COM4"} << twoNames << "0";
        QTest::newRow("count text with a fraction")
            << QVariant(QStringLiteral("1.5")) << two << QStringList{"COM1", "COM4"} << twoNames << "0";
        QTest::newRow("count text above 32767")
            << QVariant(QStringLiteral("40000")) << two << QStringList{"COM1", "COM4"} << twoNames << "0";
        QTest::newRow("count text empty")
            << QVariant(QStringLiteral("")) << two << QStringList{"COM1", "COM4"} << twoNames << "0";
        QTest::newRow("count 32767, nothing enumerated")
            << QVariant(32767) << QStringList{} << QStringList{} << QStringList{} << "32767";
    }
    void portList()
    {
        QFETCH(QVariant, count);
        QFETCH(QStringList, instances);
        QFETCH(QStringList, portNames);
        QFETCH(QStringList, friendlyNames);
        QFETCH(QString, expected);

        MemoryRegistry registry;
        const QString enumKey = platform::kSerialEnumeratorKey;
        if (count.typeId() == QMetaType::Int)
            registry.setNumber(enumKey, QStringLiteral("Count"), quint32(count.toInt()));
        else if (count.typeId() == QMetaType::QString)
            registry.setText(enumKey, QStringLiteral("Count"), count.toString());
        for (qsizetype i = 0; i < instances.size(); ++i) {
            const QString &instance = instances[i];
            if (instance != kMissing)
                registry.setText(enumKey, QString::number(i), instance);
            if (instance.isEmpty() || instance == kMissing)
                continue;
            if (portNames[i] != kMissing)
                registry.setText(parametersKey(instance), QStringLiteral("PortName"), portNames[i]);
            if (friendlyNames[i] != kMissing)
                registry.setText(deviceKey(instance), QStringLiteral("FriendlyName"), friendlyNames[i]);
        }
        QCOMPARE(fkt_ToolsGetSerialPorts(registry), expected);
        QCOMPARE(dialogs->shown.size(), 0);
    }

    void valuesCutAtTheZeroByte()
    {
        MemoryRegistry registry;
        const QString enumKey = platform::kSerialEnumeratorKey;
        registry.setNumber(enumKey, QStringLiteral("Count"), 1);
        registry.set(enumKey, QStringLiteral("0"), {platform::RegText, QByteArray("DEV\0OTHER\0", 10)});
        registry.set(parametersKey(QStringLiteral("DEV")), QStringLiteral("PortName"),
                     {platform::RegText, QByteArray("COM7\0COM9", 9)});
        registry.set(deviceKey(QStringLiteral("DEV")), QStringLiteral("FriendlyName"),
                     {platform::RegText, QByteArray("Modem\0\xff\xfe junk", 12)});
        QCOMPARE(fkt_ToolsGetSerialPorts(registry), list({"1", "7", "Modem"}));
    }

    void noEnumeratorKey()
    {
        MemoryRegistry registry;
        QCOMPARE(fkt_ToolsGetSerialPorts(registry), QStringLiteral("0"));
    }

    void portCountConversion_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected"); // -99999: no number
        QTest::newRow("plain") << "12" << 12;
        QTest::newRow("blanks") << " 3 " << 3;
        QTest::newRow("sign") << "-4" << -4;
        QTest::newRow("upper limit") << "32767" << 32767;
        QTest::newRow("lower limit") << "-32768" << -32768;
        QTest::newRow("too large") << "32768" << -99999;
        QTest::newRow("fraction") << "2.0" << -99999;
        QTest::newRow("letters") << "2x" << -99999;
        QTest::newRow("sign only") << "-" << -99999;
        QTest::newRow("empty") << "" << -99999;
    }
    void portCountConversion()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        const std::optional<qint16> count = portCountFromText(text);
        QCOMPARE(count ? int(*count) : -99999, expected);
    }
};

QTEST_GUILESS_MAIN(TestPortDiscovery)
#include "tst_portdiscovery.moc"
