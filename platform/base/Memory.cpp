#include "platform/base/Memory.h"

#include <malloc.h>

#include "platform/base/Log.h"

void keepFreedMemoryForReuse() {
    constexpr int kTrimThreshold = 8 << 20;
    constexpr int kMmapThreshold = 4 << 20;
    if (mallopt(M_TRIM_THRESHOLD, kTrimThreshold) != 1 ||
        mallopt(M_MMAP_THRESHOLD, kMmapThreshold) != 1)
        platformLog("the allocator refused its settings: freed memory goes back to the kernel");
}
