#include "MemoryReturn.h"

#include <cstdlib> // defines __GLIBC__ where glibc is the C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

namespace {
constexpr int kOwnMappingBytes = 128 * 1024;
} // namespace

void returnFreedMemoryPromptly()
{
#if defined(__GLIBC__)
    // Setting them at all keeps them fixed: glibc stops adapting them to what was freed.
    mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes);
    mallopt(M_TRIM_THRESHOLD, kOwnMappingBytes);
#endif
}

} // namespace platform
