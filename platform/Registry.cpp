#include "Registry.h"

#include "Cp1252.h"

#include <QtEndian>

namespace platform {

QString MemoryRegistry::keyOf(const QString &keyPath, const QString &valueName)
{
    // A value name cannot hold a line feed in practice; it keeps path and name apart.
    return keyPath.toCaseFolded() + QLatin1Char('\n') + valueName.toCaseFolded();
}

std::optional<RegistryValue> MemoryRegistry::query(RegistryRoot root, const QString &keyPath,
                                                   const QString &valueName) const
{
    if (root != RegistryRoot::LocalMachine)
        return std::nullopt;
    const auto it = m_values.constFind(keyOf(keyPath, valueName));
    if (it == m_values.constEnd())
        return std::nullopt;
    return *it;
}

void MemoryRegistry::set(const QString &keyPath, const QString &valueName, RegistryValue value)
{
    m_values.insert(keyOf(keyPath, valueName), std::move(value));
}

void MemoryRegistry::setText(const QString &keyPath, const QString &valueName, const QString &text)
{
    set(keyPath, valueName, {RegText, registryTextBytes(text)});
}

void MemoryRegistry::setNumber(const QString &keyPath, const QString &valueName, quint32 number)
{
    set(keyPath, valueName, {RegNumber, registryNumberBytes(number)});
}

void MemoryRegistry::remove(const QString &keyPath, const QString &valueName)
{
    m_values.remove(keyOf(keyPath, valueName));
}

QByteArray registryTextBytes(const QString &text)
{
    QByteArray bytes = encodeCp1252(text);
    bytes.append('\0');
    return bytes;
}

QByteArray registryNumberBytes(quint32 number)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(number, bytes.data());
    return bytes;
}

} // namespace platform
