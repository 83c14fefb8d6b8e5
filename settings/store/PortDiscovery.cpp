#include "PortDiscovery.h"

#include "Cp1252.h"
#include "TextNumbers.h"
#include "modFormat.h"

#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <sys/utsname.h>

namespace {

const QString kVersionTestAction = QStringLiteral("Function <fkt_ToolsIsMinWin2000>");

// Linux has no version record of its own; any kernel that runs the program offers the port
// inventory that came with the NT 5 family, so it answers as such. uname() stands for the
// platform call that can fail.
void linuxVersionQuery(OsVersionInfo &info)
{
    utsname name{};
    if (::uname(&name) != 0) {
        const int error = errno;
        throw platform::Failure(QString::fromLocal8Bit(std::strerror(error)), error);
    }
    info.dwMajorVersion = 5;
    info.dwMinorVersion = 0;
    info.dwBuildNumber = 0;
    info.dwPlatformId = kPlatformNt;
}

VersionQuery &currentVersionQuery()
{
    static VersionQuery query = linuxVersionQuery;
    return query;
}

QString readMachineValue(const platform::Registry &registry, const QString &keyPath,
                         const QString &valueName, const QString &defaultValue)
{
    return fkt_RegistryReadString(registry, platform::RegistryRoot::LocalMachine, keyPath,
                                  valueName, defaultValue);
}

} // namespace

void setVersionQuery(VersionQuery query)
{
    currentVersionQuery() = query ? std::move(query) : VersionQuery(linuxVersionQuery);
}

bool fkt_ToolsIsMinWin2000()
{
    try {
        OsVersionInfo info;
        info.dwOSVersionInfoSize = kVersionInfoSize;
        currentVersionQuery()(info);
        return info.dwMinorVersion >= 0 && info.dwMajorVersion >= 5
               && info.dwPlatformId == kPlatformNt;
    } catch (const platform::Failure &error) {
        reportFailedAction(nullptr, kVersionTestAction, error.description, error.number);
    } catch (const std::exception &error) {
        reportFailedAction(nullptr, kVersionTestAction, QString::fromLocal8Bit(error.what()), 0);
    }
    return false;
}

QString fkt_RegistryReadString(const platform::Registry &registry, platform::RegistryRoot root,
                               const QString &keyPath, const QString &valueName,
                               const QString &defaultValue)
{
    QString result = defaultValue;
    const std::optional<platform::RegistryValue> value = registry.query(root, keyPath, valueName);
    if (!value)
        return result;
    if (value->type == platform::RegText) {
        const QByteArrayView bytes(value->data);
        const qsizetype zero = bytes.indexOf('\0');
        result = platform::decodeCp1252(zero < 0 ? bytes : bytes.first(zero));
    } else if (value->type == platform::RegNumber && value->data.size() <= 4) {
        // Read into a zeroed 4-byte number: shorter data fills its low bytes, longer data
        // does not fit and leaves the default.
        QByteArray number(4, '\0');
        std::memcpy(number.data(), value->data.constData(), std::size_t(value->data.size()));
        result = QString::number(qFromLittleEndian<qint32>(number.constData()));
    }
    return result;
}

std::optional<qint16> portCountFromText(const QString &text)
{
    const std::optional<qint64> value = decimalValue(text.trimmed(), Sign::Allowed);
    if (!value || *value < -32768 || *value > 32767)
        return std::nullopt;
    return static_cast<qint16>(*value);
}

QString fkt_ToolsGetSerialPorts(const platform::Registry &registry)
{
    QString result = QStringLiteral("0");
    if (!fkt_ToolsIsMinWin2000())
        return QStringLiteral("0");
    const QString countText =
        readMachineValue(registry, platform::kSerialEnumeratorKey, QStringLiteral("Count"),
                         QStringLiteral("0"));
    const std::optional<qint16> count = portCountFromText(countText);
    if (!count || *count <= 0)
        return QStringLiteral("0");
    result = countText;
    for (qint16 i = 0; i < *count; ++i) {
        const QString instance = readMachineValue(registry, platform::kSerialEnumeratorKey,
                                                  QString::number(i), QString());
        if (instance.isEmpty())
            continue;
        const QString deviceKey = platform::kDeviceEnumKeyPrefix + instance;
        const QString portName =
            readMachineValue(registry, deviceKey + platform::kDeviceParametersKey,
                             QStringLiteral("PortName"), QString());
        result += kPortListSeparator + fkt_FormatFilterOnlyNumericValue(portName);
        const QString friendlyName =
            readMachineValue(registry, deviceKey, QStringLiteral("FriendlyName"), QString());
        result += kPortListSeparator + friendlyName;
    }
    return result;
}
