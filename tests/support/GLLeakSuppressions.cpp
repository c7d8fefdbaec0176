// Linked into the GL tests. Mesa and SDL keep some memory until exit; LeakSanitizer is told to
// ignore those libraries, and needs the slow unwinder to see their frames (Mesa's drivers are
// built without frame pointers). Without AddressSanitizer these hooks are never called.
extern "C" {
const char* __lsan_default_suppressions() {
    return "leak:libGLdispatch.so\n"
           "leak:libGLX_mesa.so\n"
           "leak:libEGL_mesa.so\n"
           "leak:libGLESv1_CM.so\n"
           "leak:swrast_dri.so\n"
           "leak:libgallium\n"
           "leak:libLLVM\n"
           "leak:libSDL2-2.0.so\n"
           "leak:libdbus-1.so\n";
}
const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
}
