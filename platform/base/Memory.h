// How the process's allocator keeps memory that is freed, set once at start-up.
#pragma once

// The software renderer allocates and frees scratch memory in every frame. With the C library's
// defaults each free gives the top of the heap back to the kernel, and the next frame takes the
// same pages back one fault at a time. This keeps up to 1 MiB of freed memory for reuse (more
// costs resident memory and saves no measurable time a frame), and large blocks on the heap
// rather than in mappings of their own that are unmapped when freed.
void keepFreedMemoryForReuse();
// Gives the memory kept that way, and whatever freed pages the allocator holds in its other
// arenas (the renderer's threads have their own), back to the kernel: for a long rest, when no
// frame is due to take it again.
void releaseFreedMemory();
