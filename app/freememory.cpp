#include "freememory.h"

#include <QtGlobal>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace FreeMemory {

void returnToSystem()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

void setUp()
{
#if defined(__GLIBC__)
    mallopt(M_ARENA_MAX, 1);
    // The largest mapping threshold glibc takes (32 MiB on 64-bit systems),
    // and a trim threshold no report reaches.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
}

} // namespace FreeMemory
