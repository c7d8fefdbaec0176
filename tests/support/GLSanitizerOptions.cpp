// Linked into the tests that open a GL screen, where Mesa's software rasteriser runs threads of
// its own that no sanitizer can see into.
//
// AddressSanitizer: Mesa and SDL keep memory until exit, and their frames can only be named by
// the slow unwinder, which deadlocks inside llvmpipe's JIT (it allocates while holding the
// unwinder's own lock). So these tests run without the leak check; every other check stays on.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

// ThreadSanitizer: llvmpipe hands its fences between threads with atomics compiled outside the
// sanitizer, so now and then the main thread's destruction of a fence it waited for looks like
// a race with the rasteriser thread that signalled it. Only races with the driver's own code on
// a stack are ignored; a race between our threads still fails the test.
extern "C" const char* __tsan_default_suppressions() { return "race:swrast_dri.so\n"; }
