// Talvo Perabo: finds the Talvo systems on an Ethernet segment, changes their IP
// address and loads new firmware into them.
#include "shell/startup.h"

#include <cstdio>

int main(int, char**) {
    // Line-buffered, so no diagnostic line is lost when the process is killed.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    std::setvbuf(stderr, nullptr, _IOLBF, BUFSIZ);
    return run_program();
}
