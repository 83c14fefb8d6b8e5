#pragma once
// Records what read() hands this process from one terminal device: the bytes the OS delivered
// to the code under test, whatever that code does with them afterwards. Every call passes
// through unchanged; only a copy of the bytes is kept.
#include <QByteArray>
#include <QString>

namespace readprobe {

// Starts afresh on the device behind `path`; false when it cannot be looked at.
bool watch(const QString &path);
void stop();
QByteArray delivered();

} // namespace readprobe
