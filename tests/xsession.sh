# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# Starts a private X session for a test: Xvfb on a free display, openbox and a tray host.
# Source it; it sets DISPLAY and registers cleanup. Needs xvfb, openbox, trayer, xdotool.
# shellcheck shell=bash

XS_PIDS=()
xsession_cleanup() {
    # Newest first, so the programs end (and save) before the X server goes.
    local i
    for ((i = ${#XS_PIDS[@]} - 1; i >= 0; i--)); do
        kill "${XS_PIDS[i]}" 2>/dev/null || true
        wait "${XS_PIDS[i]}" 2>/dev/null || true
    done
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
    local i
    # The tray host docks into the window manager's screen: let openbox settle first.
    for i in $(seq 1 50); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
    if [ "$want_tray" = tray ]; then
        xsession_tray || xsession_tray || { echo "no tray host came up" >&2; return 1; }
    fi
    sleep 0.3
}

# Starts trayer and waits until it owns the tray; false when it did not come up in 5 s.
xsession_tray() {
    trayer --edge bottom --align right --widthtype pixel --width 120 --height 32 \
        --transparent false --expand true >>"${TMPDIR:-/tmp}/xsession-trayer.log" 2>&1 &
    local pid=$! i
    XS_PIDS+=("$pid")
    for i in $(seq 1 50); do
        kill -0 "$pid" 2>/dev/null || return 1
        xdotool search --class trayer >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    kill "$pid" 2>/dev/null
    return 1
}

# A scratch folder for a test or benchmark; the processes listed in XS_PIDS (and the X session)
# end, and the folder goes, when the script exits. KEEP_WORK=1 keeps the folder.
xsession_workdir() {
    WORK="$(mktemp -d)"
    trap 'xsession_cleanup; if [ -n "${KEEP_WORK:-}" ]; then echo "work files kept in $WORK" >&2; else rm -rf "$WORK"; fi' EXIT
}

# fail MESSAGE: says why, shows the logs in $WORK, and ends the script.
fail() {
    echo "FAIL: $*" >&2
    local f
    for f in "$WORK"/*.out "$WORK"/*.err "$WORK"/*.log; do
        [ -f "$f" ] && { echo "--- $f"; cat "$f"; }
    done >&2
    exit 1
}

# write_display_ini DIR SYNCINT: scratch settings with four zones and COM 1 on the
# pseudo-terminal DIR/display that start_display_monitor makes.
write_display_ini() {
    cat >"$1/mrvl.ini" <<INI
[Settings]
CommPort=1
SyncInt=$2
Setting=9600,n,8,1
[Zone]
Zone1=13
Zone2=22
Zone3=5
Zone4=31
[Ports]
COM1=$1/display
INI
}

# start_display_monitor MONITOR DIR [OPTION...]: the frame monitor on a pseudo-terminal linked
# at DIR/display, printing frames as JSON into DIR/frames.jsonl. Sets MONITOR_PID.
start_display_monitor() {
    local monitor="$1" dir="$2"
    shift 2
    "$monitor" --pty --link "$dir/display" --json "$@" >"$dir/frames.jsonl" 2>"$dir/monitor.err" &
    MONITOR_PID=$!
    XS_PIDS+=("$MONITOR_PID")
    local _
    for _ in $(seq 1 100); do [ -e "$dir/display" ] && return 0; sleep 0.05; done
    fail "the monitor did not create $dir/display"
}

# tray_icon_shown: whether a small window of the program (its tray icon) is on screen.
tray_icon_shown() {
    local id info
    for id in $(xdotool search --class mirovalent 2>/dev/null); do
        info="$(xwininfo -id "$id")"
        if grep -q 'Map State: IsViewable' <<<"$info" \
            && [ "$(sed -n 's/^ *Width: //p' <<<"$info")" -lt 64 ]; then
            return 0
        fi
    done
    return 1
}

# tray_icon_centre: the screen position of the middle of the program's tray icon.
tray_icon_centre() {
    local id info x y w h
    for id in $(xdotool search --class mirovalent 2>/dev/null); do
        info="$(xwininfo -id "$id")"
        grep -q 'Map State: IsViewable' <<<"$info" || continue
        w="$(sed -n 's/^ *Width: //p' <<<"$info")"
        [ "$w" -lt 64 ] || continue
        x="$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")"
        y="$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")"
        h="$(sed -n 's/^ *Height: //p' <<<"$info")"
        echo "$((x + w / 2)) $((y + h / 2))"
        return 0
    done
    return 1
}

# window_shown: whether the main window is on screen.
window_shown() {
    local id
    for id in $(xdotool search --name '^Mirovalent$' 2>/dev/null); do
        xwininfo -id "$id" | grep -q 'Map State: IsViewable' && return 0
    done
    return 1
}

# terminate PID WHAT: SIGTERM, then the process must be gone within a second with status 0.
terminate() {
    kill -TERM "$1"
    local _
    for _ in $(seq 1 20); do kill -0 "$1" 2>/dev/null || break; sleep 0.05; done
    if kill -0 "$1" 2>/dev/null; then fail "$2: still running 1 s after SIGTERM"; fi
    wait "$1" || fail "$2: exit status $? after SIGTERM"
}

# json_fields FILE FIRST KEY...: from line FIRST of a monitor's JSON lines on, one line per
# object with the values of the KEYs, tab-separated (a string without its quotes, null as
# null). A key nested further in, as in the frames' panels, is not reached: the top-level keys
# come first on each line.
json_fields() {
    local file="$1" first="$2"
    shift 2
    tail -n +"$first" "$file" | awk -v keys="$*" '
        function get(s, k,   i, r) {
            i = index(s, "\"" k "\":")
            if (!i) return ""
            r = substr(s, i + length(k) + 3)
            if (substr(r, 1, 1) == "\"") { r = substr(r, 2); return substr(r, 1, index(r, "\"") - 1) }
            match(r, /^[^,}]*/)
            return substr(r, 1, RLENGTH)
        }
        BEGIN { n = split(keys, k, " ") }
        { line = ""; for (i = 1; i <= n; i++) line = line (i > 1 ? "\t" : "") get($0, k[i]); print line }'
}
