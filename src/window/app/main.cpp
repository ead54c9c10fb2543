// Talvo Perabo: finds the Talvo systems on an Ethernet segment, changes their IP
// address and loads new firmware into them.
#include "app/startup.h"

#include <SDL.h>  // on Windows, SDLmain's WinMain calls this main (as SDL_main)

#include <cstdio>

int main(int, char**) {
    // Line-buffered, so no diagnostic line is lost when the process is killed. The
    // Windows C library buffers "line-buffered" streams fully: there, no buffering.
#ifdef _WIN32
    const int mode = _IONBF;
#else
    const int mode = _IOLBF;
#endif
    std::setvbuf(stdout, nullptr, mode, BUFSIZ);
    std::setvbuf(stderr, nullptr, mode, BUFSIZ);
    return run_program();
}
