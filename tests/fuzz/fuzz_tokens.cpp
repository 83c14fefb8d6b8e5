#include "FuzzChecks.h"
#include "FuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    return fuzztarget::verdict(fuzzcheck::checkTokens(fuzztarget::bytes(data, size)));
}
