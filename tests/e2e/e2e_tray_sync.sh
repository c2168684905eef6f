#!/usr/bin/env bash
# The whole program as a user runs it: start with a display configured → icon in the tray and
# the window hidden → the first frame on the line at the next second → SIGTERM → settings
# saved and the process gone within a second.
set -euo pipefail
APP="$1"
MON="$2"
HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/../xsession.sh"

WORK="$(mktemp -d)"
APP_PID=""
MON_PID=""
cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
    [ -n "$MON_PID" ] && kill "$MON_PID" 2>/dev/null || true
    xsession_cleanup
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    for f in "$WORK"/*.out "$WORK"/*.err; do [ -f "$f" ] && { echo "--- $f"; cat "$f"; }; done >&2
    exit 1
}

xsession_start tray

# Zone 2 observes daylight saving from today to tomorrow, so its code carries the flag.
today="$(LC_ALL=C date +'%d %b')"
tomorrow="$(LC_ALL=C date -d tomorrow +'%d %b')"
cat >"$WORK/mrvl.ini" <<EOF
[Settings]
CommPort=1
SyncInt=0
Setting=9600,n,8,1
[Zone]
Zone1=13
Zone2=22
DST2=1
DSS2=$today
DSE2=$tomorrow
Zone3=5
Zone4=31
[Ports]
COM1=$WORK/display
EOF

"$MON" --pty --link "$WORK/display" --json --count 1 --timeout 15 \
    >"$WORK/frames.out" 2>"$WORK/monitor.err" &
MON_PID=$!
for _ in $(seq 1 50); do [ -e "$WORK/display" ] && break; sleep 0.1; done
[ -e "$WORK/display" ] || fail "monitor did not create its pseudo-terminal"

start_ms="$(date +%s%3N)"
"$APP" --config "$WORK/mrvl.ini" >"$WORK/app.out" 2>&1 &
APP_PID=$!

wait "$MON_PID" || fail "no frame arrived"
MON_PID=""
frame="$(head -n1 "$WORK/frames.out")"
raw="$(sed -E 's/.*"raw" *: *"([^"]*)".*/\1/' <<<"$frame" | tr 'A-F' 'a-f' | tr -d ' ')"
offset="$(sed -E 's/.*"offset_ms" *: *(-?[0-9.]+).*/\1/' <<<"$frame")"
[ "${#raw}" -eq 18 ] || fail "frame is not 9 bytes: $frame"
[ "${raw:0:2}" = fe ] && [ "${raw:16:2}" = ff ] || fail "markers wrong: $raw"
[ "${raw:8:8}" = 0d96051f ] || fail "zone codes wrong (want 0d 96 05 1f): $raw"
# The frame names the second it was sent in, and goes out right at its start.
awk -v o="$offset" 'BEGIN { exit !(o >= -5 && o < 200) }' || fail "frame $offset ms off its second"
arrival_ms="$(date +%s%3N)"
(( arrival_ms - start_ms < 3000 )) || fail "first frame took $((arrival_ms - start_ms)) ms"

# In the tray: the main window exists but is not on screen.
for id in $(xdotool search --name '^Mirovalent$' 2>/dev/null); do
    if xwininfo -id "$id" | grep -q 'Map State: IsViewable'; then
        fail "main window is on screen after a successful start"
    fi
done
icon=""
for id in $(xdotool search --class mirovalent 2>/dev/null); do
    info="$(xwininfo -id "$id")"
    width="$(sed -n 's/^ *Width: //p' <<<"$info")"
    if grep -q 'Map State: IsViewable' <<<"$info" && [ "$width" -lt 64 ]; then icon="$id"; fi
done
[ -n "$icon" ] || fail "no tray icon on screen"

kill -TERM "$APP_PID"
for _ in $(seq 1 20); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.05; done
if kill -0 "$APP_PID" 2>/dev/null; then fail "still running 1 s after SIGTERM"; fi
wait "$APP_PID" || fail "exit status $? after SIGTERM"
APP_PID=""
grep -q '^DST1=0$' "$WORK/mrvl.ini" || fail "settings not saved on SIGTERM: $(cat "$WORK/mrvl.ini")"
grep -q "^COM1=$WORK/display\$" "$WORK/mrvl.ini" || fail "[Ports] section lost"

# A port that cannot be opened: the "COM Port Error" box is up, and SIGTERM still ends the
# program within a second and saves.
printf '[Settings]\nCommPort=1\n[Ports]\nCOM1=%s\n' "$WORK/absent" >"$WORK/mrvl.ini"
"$APP" --config "$WORK/mrvl.ini" >"$WORK/app.out" 2>&1 &
APP_PID=$!
for _ in $(seq 1 50); do xdotool search --name '^Mirovalent$' >/dev/null 2>&1 && break; sleep 0.1; done
sleep 0.5
kill -TERM "$APP_PID"
for _ in $(seq 1 20); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.05; done
if kill -0 "$APP_PID" 2>/dev/null; then fail "SIGTERM ignored while the error box is open"; fi
wait "$APP_PID" || fail "exit status $? after SIGTERM from the error box"
APP_PID=""
grep -q '^DST1=0$' "$WORK/mrvl.ini" || fail "settings not saved on SIGTERM from the error box"
! grep -qE 'Sanitizer|runtime error' "$WORK"/*.out "$WORK"/*.err || fail "sanitizer report"
echo "PASS: first frame $raw at +$offset ms; saved on SIGTERM"
