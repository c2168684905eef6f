#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# The whole program as a user runs it: start with a display configured → icon in the tray and
# the window hidden → the first frame on the line at the next second → a second start shows the
# running window → the icon acts on the button's release → a storm of SIGTERMs → settings saved
# and the process gone. Then: the tray host goes away, a save that cannot be written, and the
# start-up error box.
set -euo pipefail
APP="$1"
MON="$2"
source "$(dirname "$0")/../xsession.sh"
xsession_workdir
xsession_start tray

# Zone 2 observes daylight saving from today to tomorrow, so its code carries the flag.
write_display_ini "$WORK" 0
sed -i "s/^Zone2=22\$/&\nDST2=1\nDSS2=$(LC_ALL=C date +'%d %b')\nDSE2=$(LC_ALL=C date -d tomorrow +'%d %b')/" \
    "$WORK/mrvl.ini"
start_display_monitor "$MON" "$WORK" --count 1 --timeout 15

start_ms="$(date +%s%3N)"
"$APP" --config "$WORK/mrvl.ini" >"$WORK/app.out" 2>&1 &
APP_PID=$!
XS_PIDS+=("$APP_PID")

wait "$MONITOR_PID" || fail "no frame arrived"
frame="$(head -n1 "$WORK/frames.jsonl")"
raw="$(sed -E 's/.*"raw" *: *"([^"]*)".*/\1/' <<<"$frame" | tr 'A-F' 'a-f' | tr -d ' ')"
offset="$(sed -E 's/.*"offset_ms" *: *(-?[0-9.]+).*/\1/' <<<"$frame")"
[ "${#raw}" -eq 18 ] || fail "frame is not 9 bytes: $frame"
[ "${raw:0:2}" = fe ] && [ "${raw:16:2}" = ff ] || fail "markers wrong: $raw"
[ "${raw:8:8}" = 0d96051f ] || fail "zone codes wrong (want 0d 96 05 1f): $raw"
# The frame names the second it was sent in, and goes out right at its start.
awk -v o="$offset" 'BEGIN { exit !(o >= -5 && o < 200) }' || fail "frame $offset ms off its second"
elapsed=$(($(date +%s%3N) - start_ms))
((elapsed < 3000)) || fail "first frame took $elapsed ms"

# In the tray: the main window exists but is not on screen.
for id in $(xdotool search --name '^Mirovalent$' 2>/dev/null); do
    if xwininfo -id "$id" | grep -q 'Map State: IsViewable'; then
        fail "main window is on screen after a successful start"
    fi
done
tray_icon_shown || fail "no tray icon on screen"

# A second start for the same file runs no second copy: it shows the running one's window.
"$APP" --config "$WORK/mrvl.ini" >"$WORK/second.out" 2>&1 || fail "second start: status $?"
for _ in $(seq 1 40); do window_shown && break; sleep 0.05; done
window_shown || fail "a second start did not show the running window"
kill -0 "$APP_PID" || fail "the running copy ended at a second start"

# Back to the tray; the icon does nothing on the press and restores on the release.
xdotool windowminimize "$(xdotool search --name '^Mirovalent$' | tail -1)"
for _ in $(seq 1 40); do tray_icon_shown && ! window_shown && break; sleep 0.05; done
read -r icon_x icon_y < <(tray_icon_centre)
xdotool mousemove "$icon_x" "$icon_y" mousedown 1
sleep 0.3
! window_shown || { xdotool mouseup 1; fail "the tray icon acted on the button press"; }
xdotool mouseup 1
for _ in $(seq 1 40); do window_shown && break; sleep 0.05; done
window_shown || fail "releasing the button on the tray icon did not restore the window"

# A storm of signals never keeps the program from saving and ending.
for _ in $(seq 1 20000); do kill -TERM "$APP_PID" 2>/dev/null || break; done
for _ in $(seq 1 40); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.05; done
kill -0 "$APP_PID" 2>/dev/null && fail "still running 2 s after a storm of SIGTERMs"
wait "$APP_PID" || fail "exit status $? after a storm of SIGTERMs"
grep -q '^DST1=0$' "$WORK/mrvl.ini" || fail "settings not saved on SIGTERM: $(cat "$WORK/mrvl.ini")"
grep -q "^COM1=$WORK/display\$" "$WORK/mrvl.ini" || fail "[Ports] section lost"

# The tray host goes away while the window is in the tray: the window comes back on screen.
rm -f "$WORK/display"
start_display_monitor "$MON" "$WORK"
"$APP" --config "$WORK/mrvl.ini" >"$WORK/app.out" 2>&1 &
APP_PID=$!
XS_PIDS+=("$APP_PID")
for _ in $(seq 1 400); do tray_icon_shown && break; sleep 0.05; done
tray_icon_shown || fail "no tray icon after a restart"
pkill -x trayer
for _ in $(seq 1 100); do window_shown && break; sleep 0.1; done
window_shown || fail "the window stayed hidden after the tray host went away"
terminate "$APP_PID" "after the tray went away"

# A save that cannot be written ends the program with a non-zero status.
"$APP" --config /proc/mirovalent-e2e.ini >"$WORK/app.out" 2>&1 &
APP_PID=$!
XS_PIDS+=("$APP_PID")
for _ in $(seq 1 50); do xdotool search --name '^Mirovalent$' >/dev/null 2>&1 && break; sleep 0.1; done
sleep 0.5
kill -TERM "$APP_PID"
status=0
wait "$APP_PID" || status=$?
((status != 0)) || fail "a save that failed ended with status 0"

# A port that cannot be opened: the "COM Port Error" box is up, and SIGTERM still ends the
# program within a second and saves.
printf '[Settings]\nCommPort=1\n[Ports]\nCOM1=%s\n' "$WORK/absent" >"$WORK/mrvl.ini"
"$APP" --config "$WORK/mrvl.ini" >"$WORK/app.out" 2>&1 &
APP_PID=$!
XS_PIDS+=("$APP_PID")
for _ in $(seq 1 50); do xdotool search --name '^Mirovalent$' >/dev/null 2>&1 && break; sleep 0.1; done
sleep 0.5
terminate "$APP_PID" "with the error box open"
grep -q '^DST1=0$' "$WORK/mrvl.ini" || fail "settings not saved on SIGTERM from the error box"
! grep -qE 'Sanitizer|runtime error' "$WORK"/*.out "$WORK"/*.err || fail "sanitizer report"
echo "PASS: first frame $raw at +$offset ms; saved on SIGTERM"
