#pragma once
// Files that are only ever appended to, for captures: each append is one write of the whole
// batch to the operating system (no buffering here, no fsync), and every failure comes back as
// a platform::Failure carrying the system's error number. Tests replace the factory to hand
// out files that fail on purpose.
#include "Failure.h"

#include <QByteArrayView>
#include <QString>
#include <functional>
#include <memory>

namespace platform {

// Failure numbers of the append layer: the errno value itself plus this offset, so that the
// numbers cannot be mistaken for the serial layer's 80xx.
constexpr qint32 kAppendFailureBase = 9000;

class AppendFile {
public:
    virtual ~AppendFile() = default;
    // Hands every byte to the operating system, or throws. A write the system took only in
    // part is taken back, so the file ends where the previous append left it.
    virtual void append(QByteArrayView bytes) = 0;
    // Throws when the file is no longer reachable under its path: its folder was removed or
    // renamed, or another file took its name. Writes to such a file would land nowhere.
    virtual void checkStillThere() const = 0;
    // Whether the file held something when it was opened that does not end in a line feed.
    virtual bool endsMidLine() const = 0;
};

// Opens (creating it with mode 0644 when missing) for appending; throws a Failure.
std::unique_ptr<AppendFile> openAppendFile(const QString &path);

using AppendFileFactory = std::function<std::unique_ptr<AppendFile>(const QString &path)>;
// An empty factory restores the real files.
void setAppendFileFactory(AppendFileFactory factory);

// The failure for a system error number on a path: a text of the program's table where one
// fits (a full disk, a missing folder), else the system's own description.
Failure appendFailure(int errorNumber, const QString &path);

} // namespace platform
