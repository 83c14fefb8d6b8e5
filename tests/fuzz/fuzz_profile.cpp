#include "FuzzChecks.h"
#include "FuzzTarget.h"

#include <QTemporaryDir>

namespace {

// libFuzzer ends the process without running destructors, so a temporary folder of our own
// would stay behind after every run: scripts/fuzz.sh names a folder (in memory-backed storage,
// since every run replaces a file and replacing syncs it) and removes it afterwards.
QString workFolder()
{
    static const QString given = qEnvironmentVariable("TELLURIX_FUZZ_WORK");
    if (!given.isEmpty())
        return given;
    static const QTemporaryDir own;
    return own.path();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return fuzztarget::verdict(fuzzcheck::checkProfileFile(fuzztarget::bytes(data, size), workFolder()));
}
