#include "processtuning.h"

#include <cstdlib> // defines __GLIBC__ on the GNU C library
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace ProcessTuning {

void keepLargeBuffers()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024); // blocks below 32 MB come from the heap
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024); // up to 64 MB of freed heap is kept for reuse
#endif
}

} // namespace ProcessTuning
