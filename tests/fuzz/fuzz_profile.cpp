#include "FuzzChecks.h"
#include "FuzzTarget.h"

#include <QDir>
#include <QTemporaryDir>

namespace {

// Every run replaces a file, and replacing syncs it to disk: memory-backed storage keeps
// that from setting the pace.
QString workFolderTemplate()
{
    const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                   : QDir::tempPath();
    return base + QStringLiteral("/tellurix-fuzz-profile-XXXXXX");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const QTemporaryDir folder(workFolderTemplate());
    return fuzztarget::verdict(fuzzcheck::checkProfileFile(fuzztarget::bytes(data, size), folder.path()));
}
