# Starts a private X session for a test: Xvfb on a free display, openbox and a tray host.
# Source it; it sets DISPLAY and registers cleanup. Needs xvfb, openbox, trayer, xdotool.
# shellcheck shell=bash

XS_PIDS=()
xsession_cleanup() {
    local pid
    for pid in "${XS_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}

xsession_start() {
    local want_tray="${1:-tray}" fifo dir
    dir="$(mktemp -d)"
    fifo="$dir/displayfd"
    mkfifo "$fifo"
    Xvfb -displayfd 7 -screen 0 1024x768x24 -nolisten tcp 7>"$fifo" >/dev/null 2>&1 &
    XS_PIDS+=($!)
    local number
    read -r -t 20 number <"$fifo" || { echo "Xvfb did not start" >&2; return 1; }
    rm -rf "$dir"
    export DISPLAY=":$number"
    unset WAYLAND_DISPLAY
    openbox >/dev/null 2>&1 &
    XS_PIDS+=($!)
    if [ "$want_tray" = tray ]; then
        trayer --edge bottom --align right --widthtype pixel --width 120 --height 32 \
               --transparent false --expand true >/dev/null 2>&1 &
        XS_PIDS+=($!)
        local i
        for i in $(seq 1 100); do
            xdotool search --class trayer >/dev/null 2>&1 && break
            sleep 0.1
        done
    fi
    sleep 0.5
}
