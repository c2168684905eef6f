#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# The program on Wayland, as on a desktop without a tray: a headless weston, no X server and no
# session bus. It starts on the Wayland platform, says once that there is no tray, shows its
# window and keeps it shown (never minimised or hidden), sends a frame every second, and saves
# on SIGTERM, also while the start-up error box is open.
#
# What the window does is read from the program's own Wayland traffic (WAYLAND_DEBUG): Qt 6.4
# on Wayland cannot be asked from outside where or whether a window is shown.
set -euo pipefail
APP="$1"
MON="$2"
source "$(dirname "$0")/../xsession.sh"
xsession_workdir

command -v weston >/dev/null || fail "weston is not installed (Debian package weston)"
unset DISPLAY DBUS_SESSION_BUS_ADDRESS
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export WAYLAND_DISPLAY="mirovalent-e2e"
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --width=1024 --height=768 \
    --idle-time=0 --log="$WORK/weston.log" </dev/null >/dev/null 2>&1 &
WESTON_PID=$!
XS_PIDS+=("$WESTON_PID")
for _ in $(seq 1 300); do
    [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && break
    kill -0 "$WESTON_PID" 2>/dev/null || break
    sleep 0.1
done
if [ ! -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ]; then
    echo "SKIP: weston (headless) did not start within 30 s on this machine; its log:"
    cat "$WORK/weston.log" 2>/dev/null || true
    exit 77
fi

# start_app NAME: the program on $WORK/mrvl.ini, on Wayland, its protocol traffic logged in
# $WORK/NAME.out with what it says. Sets APP_PID.
start_app() {
    # Mesa's EGL, which Qt's Wayland plugin loads, leaves allocations behind in a driver it has
    # unloaded by exit; only a full unwind names the library, so that tests/lsan.supp can.
    local asan="${ASAN_OPTIONS:+$ASAN_OPTIONS:fast_unwind_on_malloc=0}"
    env ${asan:+ASAN_OPTIONS="$asan"} QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 "$APP" \
        --config "$WORK/mrvl.ini" \
        </dev/null >"$WORK/$1.out" 2>&1 &
    APP_PID=$!
    XS_PIDS+=("$APP_PID")
}

# window_drawn LOG: a toplevel titled Mirovalent got its first configure and drew into a buffer.
window_drawn() {
    grep -q 'xdg_toplevel@[0-9]*\.set_title("Mirovalent")' "$1" \
        && grep -q 'xdg_surface@[0-9]*\.ack_configure' "$1" \
        && grep -q 'wl_surface@[0-9]*\.attach(wl_buffer@' "$1"
}

# stop_app WHAT: SIGTERM; the program must end with status 0 (generous on a busy machine).
stop_app() {
    kill -TERM "$APP_PID"
    for _ in $(seq 1 200); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.05; done
    kill -0 "$APP_PID" 2>/dev/null && fail "$1: still running 10 s after SIGTERM"
    wait "$APP_PID" || fail "$1: exit status $? after SIGTERM"
}

# A frame every second, zone 2 observing no daylight saving.
write_display_ini "$WORK" -1
start_display_monitor "$MON" "$WORK" --count 4 --timeout 60
start_app app
wait "$MONITOR_PID" || fail "fewer than 4 frames arrived"
grep -q 'Could not\|platform plugin' "$WORK/app.out" && fail "Qt did not start on Wayland"
grep -q 'xdg_toplevel@[0-9]*\.set_app_id("org.mirovalent.Mirovalent")' "$WORK/app.out" \
    || fail "the window does not carry the application id"
window_drawn "$WORK/app.out" || fail "the window was never shown"
# Seconds after it appeared, the window is still there: never minimised, hidden or closed.
sleep 1
grep -q 'set_minimized' "$WORK/app.out" && fail "the window minimised itself"
grep -q 'xdg_toplevel@[0-9]*\.destroy()' "$WORK/app.out" && fail "the window was hidden"
count="$(grep -c 'no system tray' "$WORK/app.out" || true)"
[ "$count" -eq 1 ] || fail "'no system tray' said $count times, not once"

previous=""
while IFS= read -r frame; do
    raw="$(sed -E 's/.*"raw" *: *"([^"]*)".*/\1/' <<<"$frame" | tr 'A-F' 'a-f' | tr -d ' ')"
    gmt="$(sed -E 's/.*"gmt" *: *"([^"]*)".*/\1/' <<<"$frame")"
    [ "${#raw}" -eq 18 ] || fail "frame is not 9 bytes: $frame"
    [ "${raw:0:2}" = fe ] && [ "${raw:16:2}" = ff ] || fail "markers wrong: $raw"
    [ "${raw:8:8}" = 0d16051f ] || fail "zone codes wrong (want 0d 16 05 1f): $raw"
    [ "$gmt" != "$previous" ] || fail "two frames for the second $gmt"
    previous="$gmt"
done <"$WORK/frames.jsonl"
# Once running, each frame goes out near the start of its second (generous for a busy machine).
offset="$(tail -n1 "$WORK/frames.jsonl" | sed -E 's/.*"offset_ms" *: *(-?[0-9.]+).*/\1/')"
awk -v o="$offset" 'BEGIN { exit !(o >= -5 && o < 500) }' || fail "frame $offset ms off its second"

stop_app "in the window"
grep -q '^DST1=0$' "$WORK/mrvl.ini" || fail "settings not saved on SIGTERM: $(cat "$WORK/mrvl.ini")"
grep -q "^COM1=$WORK/display\$" "$WORK/mrvl.ini" || fail "[Ports] section lost"

# A port that cannot be opened: the "COM Port Error" box is on screen, and SIGTERM still ends
# the program and saves.
printf '[Settings]\nCommPort=1\n[Ports]\nCOM1=%s\n' "$WORK/absent" >"$WORK/mrvl.ini"
start_app box
for _ in $(seq 1 300); do window_drawn "$WORK/box.out" && break; sleep 0.1; done
window_drawn "$WORK/box.out" || fail "the error box was never shown"
stop_app "with the error box open"
grep -q '^DST1=0$' "$WORK/mrvl.ini" || fail "settings not saved on SIGTERM from the error box"

kill -0 "$WESTON_PID" 2>/dev/null || fail "weston ended during the test"
! grep -qE 'Sanitizer|runtime error' "$WORK"/*.out "$WORK"/*.err || fail "sanitizer report"
echo "PASS: on Wayland, window shown without a tray, frames every second up to $raw, saved on SIGTERM"
