#include "platform/base/Memory.h"

#include <malloc.h>

void keepFreedMemoryForReuse() {
    constexpr int kTrimThreshold = 32 << 20;
    constexpr int kMmapThreshold = 4 << 20;
    // An allocator of its own (a sanitizer's) refuses these; the game runs the same without them.
    mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
    mallopt(M_MMAP_THRESHOLD, kMmapThreshold);
}

void releaseFreedMemory() {
    malloc_trim(0);
}
