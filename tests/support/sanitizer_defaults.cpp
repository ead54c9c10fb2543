// Defaults for the sanitizer build of the tests.
// The SDL 1.2 compatibility layer never frees the display surface that
// SDL_SetVideoMode made, even after SDL_Quit; the leak checker unwinds through SDL's
// frames (built without frame pointers) so that one leak is told apart from ours.
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0:detect_leaks=1"; }
extern "C" const char* __lsan_default_suppressions() { return "leak:SDL_SetVideoMode\n"; }
extern "C" const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
