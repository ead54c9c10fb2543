#!/usr/bin/env bash
# The core holds no SDL: no file under src/core includes SDL or a header of the window
# or of talvo, no core library refers to an SDL or SDL_ttf symbol, and no program built
# on the core alone (talvo, the core's tests) loads an SDL library.
#   core_has_no_sdl.sh SRC_CORE LIBRARY... --programs PROGRAM...
set -u
core=$1
shift
libraries=()
while [ $# -gt 0 ] && [ "$1" != --programs ]; do libraries+=("$1"); shift; done
shift
fail=0

included=$(grep -rnE '#include *[<"]SDL|#include *"(toolkit|core_link|screens|app|cli)/' "$core")
if [ -n "$included" ]; then
    echo "FAIL: core files include SDL or a front end's header:"
    echo "$included"
    fail=1
fi
for library in "${libraries[@]}"; do
    used=$(nm -u "$library" 2>/dev/null | grep -E ' U (SDL_|TTF_)' | sort -u)
    if [ -n "$used" ]; then
        echo "FAIL: $(basename "$library") refers to SDL:"
        echo "$used" | head -n 5
        fail=1
    fi
done
for program in "$@"; do
    if ldd "$program" | grep -i sdl; then
        echo "FAIL: $(basename "$program") loads SDL"
        fail=1
    fi
done
[ "$fail" -eq 0 ] && echo "PASS: ${#libraries[@]} core libraries and $# programs without SDL"
exit "$fail"
