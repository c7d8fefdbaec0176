// How the process's allocator keeps memory that is freed, set once at start-up.
#pragma once

// The software renderer allocates and frees scratch memory in every frame. With the C library's
// defaults each free gives the top of the heap back to the kernel, and the next frame takes the
// same pages back one fault at a time (a played game spent a sixth of its time so). This keeps
// freed memory for reuse, and large blocks on the heap rather than in mappings of their own that
// are unmapped when freed; the run loop gives it back now and then (below).
void keepFreedMemoryForReuse();
// Gives the memory kept that way, and whatever freed pages the allocator holds in its other
// arenas (the renderer's threads have their own), back to the kernel: after a rest begins, and
// once a second while frames are drawn, so that resident memory stays near what a frame needs.
void releaseFreedMemory();
