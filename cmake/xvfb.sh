# Sourced by the Wine runner and the test command: start_display starts an Xvfb server when no
# display is set, exports DISPLAY and leaves its process id in xvfb_pid (empty when none started).
xvfb_pid=""
start_display() {
    [ -z "${DISPLAY:-}" ] || return 0
    local fdfile
    fdfile="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 1 100); do [ -s "$fdfile" ] && break; sleep 0.05; done
    export DISPLAY=":$(head -n1 "$fdfile")"
    rm -f "$fdfile"
}
