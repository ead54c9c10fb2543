# Sourced by scripts that need a private X display: start_xvfb starts Xvfb on a free
# display, exports DISPLAY and sets XVFB_PID; stop_xvfb ends it.
start_xvfb() {
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 50); do [ -s "$fdfile" ] && break; sleep 0.1; done
    export DISPLAY=:$(cat "$fdfile")
    rm -f "$fdfile"
    unset SDL_VIDEODRIVER
}

stop_xvfb() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
    XVFB_PID=
}
