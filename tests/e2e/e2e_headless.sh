#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# The sync as a service, with no display at all: frames at the second boundaries, SIGHUP applies
# a changed zone at the next tick, a file that cannot be read keeps the settings, the file is
# never written, SIGTERM ends it with status 0; a port missing at start is found once it exists.
set -euo pipefail
APP="$1"
MON="$2"
source "$(dirname "$0")/../xsession.sh"
xsession_workdir
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

# last_codes FILE: the zone codes of the last frame in a monitor's JSON lines, as hex.
last_codes() { tail -n1 "$1" | sed -E 's/.*"raw" *: *"([^"]*)".*/\1/' | tr -d ' ' | tr 'A-F' 'a-f' | cut -c9-16; }
frames() { wc -l <"$1"; }
wait_frames() { # FILE N: wait up to 5 s for N frames in FILE
    for _ in $(seq 1 100); do (($(frames "$1") >= $2)) && return 0; sleep 0.05; done
    fail "fewer than $2 frames in $1"
}

write_display_ini "$WORK" -1
"$APP" --headless --config "$WORK/mrvl.ini" >"$WORK/service.out" 2>"$WORK/service.log" &
SERVICE_PID=$!
XS_PIDS+=("$SERVICE_PID")
# No display yet: one warning, then the port is looked for until it exists.
sleep 1.5
grep -q "$WORK/display" "$WORK/service.log" || fail "no warning about the missing port"
start_display_monitor "$MON" "$WORK"
wait_frames "$WORK/frames.jsonl" 3
tr -d ' ' <"$WORK/frames.jsonl" | grep -o '"offset_ms":-\?[0-9.]*' | tail -n2 | cut -d: -f2 \
    | awk '{ if ($1 < -5 || $1 >= 200) bad = 1 } END { exit bad }' \
    || fail "frames off their second: $(tail -n2 "$WORK/frames.jsonl")"
[ "$(last_codes "$WORK/frames.jsonl")" = 0d16051f ] || fail "zone codes $(last_codes "$WORK/frames.jsonl")"

# A changed zone on SIGHUP shows at the next tick; the file as the administrator left it.
sed -i 's/^Zone2=22$/Zone2=7/' "$WORK/mrvl.ini"
sum="$(md5sum <"$WORK/mrvl.ini")"
kill -HUP "$SERVICE_PID"
sleep 1.5
[ "$(last_codes "$WORK/frames.jsonl")" = 0d07051f ] || fail "SIGHUP not applied: $(last_codes "$WORK/frames.jsonl")"

# A file that cannot be read on SIGHUP keeps the settings in force.
mv "$WORK/mrvl.ini" "$WORK/mrvl.good"
mkdir "$WORK/mrvl.ini"
kill -HUP "$SERVICE_PID"
sleep 1.5
grep -q "cannot read" "$WORK/service.log" || fail "an unreadable file on SIGHUP was not logged"
[ "$(last_codes "$WORK/frames.jsonl")" = 0d07051f ] || fail "settings lost on a broken SIGHUP"
rmdir "$WORK/mrvl.ini"
mv "$WORK/mrvl.good" "$WORK/mrvl.ini"

# A FIFO in the file's place is refused without blocking; a flood of reloads is taken as one a
# second and, with nothing changed, says nothing; the frames keep their seconds throughout.
mv "$WORK/mrvl.ini" "$WORK/mrvl.good"
mkfifo "$WORK/mrvl.ini"
kill -HUP "$SERVICE_PID"
sleep 1.5
grep -q "not a regular file" "$WORK/service.log" || fail "a FIFO on SIGHUP was not refused"
rm "$WORK/mrvl.ini"
mv "$WORK/mrvl.good" "$WORK/mrvl.ini"
kill -HUP "$SERVICE_PID" # back to the file as it was
sleep 1.2
before=$(grep -c "settings read again" "$WORK/service.log" || true)
frames_before=$(frames "$WORK/frames.jsonl")
for _ in $(seq 1 100); do kill -HUP "$SERVICE_PID"; sleep 0.01; done
sleep 2.5
after=$(grep -c "settings read again" "$WORK/service.log" || true)
[ "$after" = "$before" ] || fail "a flood of unchanged reloads logged $((after - before)) lines"
(($(frames "$WORK/frames.jsonl") >= frames_before + 2)) || fail "frames stopped during a flood of reloads"

terminate "$SERVICE_PID" "the service"
[ "$(md5sum <"$WORK/mrvl.ini")" = "$sum" ] || fail "the service wrote its settings file"
! grep -qE 'Sanitizer|runtime error' "$WORK"/*.log || fail "sanitizer report"
echo "PASS: $(frames "$WORK/frames.jsonl") frames without a display; SIGHUP applied; file untouched"
