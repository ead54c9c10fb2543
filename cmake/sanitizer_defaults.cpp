// Defaults for the sanitizer build of the program.
// libpcap's D-Bus device listing keeps a buffer of libdbus's to the end.
// The SDL 1.2 compatibility layer never frees the display surface that
// SDL_SetVideoMode made, even after SDL_Quit. SDL is built without frame pointers, so
// with the fast unwinder (the slow one deadlocks in the GL driver's JIT) that leak
// can only be told by its library; the tests, which run SDL headless with the slow
// unwinder, keep watching our own surfaces.
extern "C" const char* __asan_default_options() { return "detect_leaks=1"; }
extern "C" const char* __lsan_default_suppressions() { return "leak:libSDL2-2.0.so\nleak:libdbus-1.so\n"; }
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
