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

void mapLargeBlocks()
{
#if defined(__GLIBC__)
    // A fixed threshold also stops glibc from raising it after each freed
    // block, which would leave the next report's blocks in a thread's heap.
    static const bool done = mallopt(M_MMAP_THRESHOLD, 256 * 1024) != 0;
    Q_UNUSED(done);
#endif
}

} // namespace FreeMemory
