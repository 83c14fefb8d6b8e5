#pragma once
// Whether another program holds a serial device, as far as the system tells without disturbing
// the device: a lock file "LCK..<name>" in one of the lock folders (as Qt, minicom and uucp
// write them) naming a live process other than this one.
//
// No device is opened to find out: opening an on-board UART may talk to the machine's
// console, opening a USB adapter raises DTR, which resets many boards, and closing a pty that
// nobody else holds open hangs up its master, which ends a socat pair.
#include <QString>
#include <QStringList>

namespace platform {

QStringList defaultLockFolders();

// exceptPath: a device this program holds itself (its open port), never "another program".
bool isHeldByAnotherProgram(const QString &devicePath, const QString &exceptPath = QString(),
                            const QStringList &lockFolders = defaultLockFolders());

// The lock file's name for a device: "/dev/ttyUSB0" gives "LCK..ttyUSB0", "/dev/pts/3"
// "LCK..pts_3".
QString lockFileName(const QString &canonicalDevicePath);

} // namespace platform
