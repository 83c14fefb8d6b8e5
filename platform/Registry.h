#pragma once
// A read-only registry: keys named by backslash-separated paths below a root key, each key
// holding named values. Only the two value types the program reads are modelled; a value of
// any other type still answers with its type code so that readers can refuse it.
//
// Key paths and value names match regardless of letter case, as the registry does. A key
// path is compared as given: no trimming, no collapsing of doubled backslashes.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace platform {

enum class RegistryRoot { LocalMachine };

enum RegistryType : quint32 {
    RegText = 1,   // bytes of the system code page, normally with a closing zero byte
    RegNumber = 4, // 32-bit number, four bytes, least significant first
};

struct RegistryValue {
    quint32 type = RegText;
    QByteArray data;
};

class Registry {
public:
    virtual ~Registry() = default;
    // The value, or nothing when the key or the value does not exist. Never throws.
    virtual std::optional<RegistryValue> query(RegistryRoot root, const QString &keyPath,
                                               const QString &valueName) const = 0;
};

// Registry contents held in memory; what the platform's inventory presents, and what tests
// fill by hand.
class MemoryRegistry final : public Registry {
public:
    std::optional<RegistryValue> query(RegistryRoot root, const QString &keyPath,
                                       const QString &valueName) const override;

    void set(const QString &keyPath, const QString &valueName, RegistryValue value);
    // Text in the system code page with its closing zero byte, as the registry stores it.
    void setText(const QString &keyPath, const QString &valueName, const QString &text);
    void setNumber(const QString &keyPath, const QString &valueName, quint32 number);
    void remove(const QString &keyPath, const QString &valueName);

private:
    static QString keyOf(const QString &keyPath, const QString &valueName);

    QHash<QString, RegistryValue> m_values; // local machine only
};

// Where the serial port enumerator lists its devices: "Count" and "0".."Count-1", each value
// an instance path.
inline const QString kSerialEnumeratorKey =
    QStringLiteral("SYSTEM\\CurrentControlSet\\Services\\serenum\\Enum");
// Below prefix + instance path lies "FriendlyName"; one key further, in "Device Parameters",
// "PortName".
inline const QString kDeviceEnumKeyPrefix = QStringLiteral("SYSTEM\\CurrentControlSet\\Enum\\");
inline const QString kDeviceParametersKey = QStringLiteral("\\Device Parameters");

// The bytes a text value is stored as: system code page plus the closing zero byte.
QByteArray registryTextBytes(const QString &text);
// The four bytes of a 32-bit number value.
QByteArray registryNumberBytes(quint32 number);

} // namespace platform
