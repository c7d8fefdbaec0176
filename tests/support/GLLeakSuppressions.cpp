// Linked into the tests that open a GL screen. Mesa and SDL keep memory until exit, and their
// frames can only be named by the slow unwinder, which deadlocks inside llvmpipe's JIT (it
// allocates while holding the unwinder's own lock). So these tests run without the leak check;
// every other check of AddressSanitizer stays on. Without AddressSanitizer this is never called.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }
