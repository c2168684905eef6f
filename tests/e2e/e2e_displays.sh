#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# Three displays kept in step at once, each on a pseudo-terminal of its own with its own monitor:
# display 1 frames, display 2 NMEA, display 3 the standard string in panel 2's zone (Eastern
# Time, daylight saving from America/New_York). Every second reaches every display near the
# second's start and the standard string tells New York's time. Then the service's clock runs
# (libfaketime) across New York's change to daylight time: the standard string and the frame's
# zone code change at the same second. Last, the window program drives the same three displays.
set -euo pipefail
APP="$1"
MON="$2"
source "$(dirname "$0")/../xsession.sh"
xsession_workdir
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
FAKETIME_LIB="${FAKETIME_LIB:-/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1}"

FORMATS=(frame nmea standard)
for n in 1 2 3; do
    mkdir -p "$WORK/d$n"
    start_display_monitor "$MON" "$WORK/d$n" --format "${FORMATS[n - 1]}"
done
cat >"$WORK/mrvl.ini" <<INI
[Settings]
CommPort=1
SyncInt=-1
Setting=9600,n,8,1
[Zone]
Zone1=13
Zone2=7
Zone3=5
Zone4=31
DST2=1
DSTRule2=America/New_York
[Ports]
COM1=$WORK/d1/display
[Display2]
Port=$WORK/d2/display
Format=nmea
Interval=1
[Display3]
Port=$WORK/d3/display
Format=standard
Interval=1
Zone=Panel2
INI

lines() { wc -l <"$WORK/d$1/frames.jsonl"; }
# on_time N FIRST: arrival, offset and the time carried (the frame's GMT, the string's time) of
# each on-time frame or string display N got from line FIRST on; a broken one ends the test.
on_time() {
    json_fields "$WORK/d$1/frames.jsonl" "$2" arrival offset_ms on_time error gmt time \
        | awk -F'\t' -v n="$1" '
            $4 != "" && $4 != "null" { print "display " n ": broken: " $0 > "/dev/stderr"; exit 1 }
            $3 != "false" { print $1 "\t" $2 "\t" $5 $6 }'
}
# wait_on_time N FIRST COUNT SECONDS
wait_on_time() {
    local _
    for _ in $(seq 1 $(($4 * 10))); do
        (($(on_time "$1" "$2" | wc -l) >= $3)) && return 0
        sleep 0.1
    done
    fail "display $1: fewer than $3 on-time strings in $4 s"
}
# every_second N FIRST: the last five on-time strings of display N arrived in five seconds in a
# row, each early in its second.
every_second() {
    local arrival offset carried prev="" sec
    while IFS=$'\t' read -r arrival offset carried; do
        awk -v o="$offset" 'BEGIN { exit !(o >= -5 && o < 250) }' \
            || fail "display $1: $carried arrived $offset ms after its second"
        sec="$(date -d "$arrival" +%s)"
        [ -z "$prev" ] || [ "$sec" -eq $((prev + 1)) ] \
            || fail "display $1: strings at $(date -d "@$prev" +%T) and then $(date -d "@$sec" +%T)"
        prev="$sec"
    done < <(on_time "$1" "$2" | tail -n 5)
}

# In real time: every display every second, and New York's time on display 3.
"$APP" --headless --config "$WORK/mrvl.ini" >"$WORK/service.out" 2>"$WORK/service.log" &
SERVICE_PID=$!
XS_PIDS+=("$SERVICE_PID")
for n in 1 2 3; do wait_on_time "$n" 1 6 15; done
for n in 1 2 3; do every_second "$n" 1; done
while IFS=$'\t' read -r arrival date time; do
    want="$(TZ=America/New_York date -d "$arrival" +'%F %T')"
    [ "$date $time" = "$want" ] || fail "display 3 says $date $time, New York $want"
done < <(json_fields "$WORK/d3/frames.jsonl" 1 arrival date time | tail -n 5)
terminate "$SERVICE_PID" "the service"

# Across New York's change to daylight time, 2027-03-14 07:00:00 UTC: the service's clock is
# moved ahead by whole seconds, so its seconds still begin with the real ones. It starts in the
# last 15 s before the change; the monitors are not moved, so fields are compared, not arrival.
[ -r "$FAKETIME_LIB" ] || fail "libfaketime is needed ($FAKETIME_LIB; Debian: faketime)"
change="$(date -u -d '2027-03-14 07:00:00' +%s)"
echo "+$((change - 15 - $(date +%s)))" >"$WORK/faketime"
first1="$(($(lines 1) + 1))" first2="$(($(lines 2) + 1))" first3="$(($(lines 3) + 1))"
LD_PRELOAD="$FAKETIME_LIB" FAKETIME_TIMESTAMP_FILE="$WORK/faketime" FAKETIME_NO_CACHE=1 \
    FAKETIME_DONT_FAKE_MONOTONIC=1 ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" \
    "$APP" --headless --config "$WORK/mrvl.ini" >"$WORK/faked.out" 2>"$WORK/faked.log" &
SERVICE_PID=$!
XS_PIDS+=("$SERVICE_PID")
for _ in $(seq 1 300); do
    grep -q 'U:03\.00\.02' <(tail -n +"$first3" "$WORK/d3/frames.jsonl") && break
    sleep 0.1
done
terminate "$SERVICE_PID" "the service on a moved clock"

# The last second of standard time and the first of daylight time, as each display has them.
std="$(json_fields "$WORK/d3/frames.jsonl" "$first3" raw arrival)"
frames="$(json_fields "$WORK/d1/frames.jsonl" "$first1" raw arrival)"
nmea="$(json_fields "$WORK/d2/frames.jsonl" "$first2" raw)"
pick() { awk -F'\t' -v want="$2" '$1 == want { print $2; found = 1 } END { exit !found }' <<<"$1"; }
before='\u0002D:14.03.27;T:7;U:01.59.59;#  !\u0003'
after='\u0002D:14.03.27;T:7;U:03.00.00;# S \u0003'
pick "$std" "$before" >/dev/null || fail "no standard string $before: $(cut -f1 <<<"$std")"
at_std="$(pick "$std" "$after")" || fail "no standard string $after: $(cut -f1 <<<"$std")"
# One string a second, and no hour between 01:59:59 and 03:00:00.
grep -A1 -F "$before" <<<"$std" | tail -n1 | grep -qF "$after" \
    || fail "01:59:59 not followed by 03:00:00: $(cut -f1 <<<"$std")"
# The hour before the change is announced ('!'), standard time has no 'S', daylight time has.
awk -F'\t' '$1 ~ /U:01\./ && $1 !~ /#  !\\u0003$/ { bad = 1 }
            $1 ~ /U:03\./ && $1 !~ /# S \\u0003$/ { bad = 1 } END { exit bad }' <<<"$std" \
    || fail "daylight marks wrong: $(cut -f1 <<<"$std")"
pick "$frames" "FE 3B 3B 06 0D 07 05 1F FF" >/dev/null || fail "no frame for 06:59:59 with 07: $frames"
at_frame="$(pick "$frames" "FE 00 00 07 0D 87 05 1F FF")" || fail "no frame for 07:00:00 with 87: $frames"
[ "$(date -d "$at_frame" +%s)" = "$(date -d "$at_std" +%s)" ] \
    || fail "the frame's zone code changed at $at_frame, the standard string at $at_std"
# shellcheck disable=SC2016 # a literal dollar
grep -qF '$GPZDA,070000.00,14,03,2027,00,00*' <<<"$nmea" || fail "no ZDA for 07:00:00 UTC: $nmea"

# The window program drives the same three displays, and keeps their sections when it saves.
xsession_start tray
first1="$(($(lines 1) + 1))" first2="$(($(lines 2) + 1))" first3="$(($(lines 3) + 1))"
"$APP" --config "$WORK/mrvl.ini" >"$WORK/app.out" 2>&1 &
APP_PID=$!
XS_PIDS+=("$APP_PID")
wait_on_time 1 "$first1" 3 15
wait_on_time 2 "$first2" 3 15
wait_on_time 3 "$first3" 3 15
terminate "$APP_PID" "the window program"
{ grep -q '^\[Display3\]' "$WORK/mrvl.ini" && grep -q '^Zone=Panel2$' "$WORK/mrvl.ini"; } \
    || fail "the window program lost the displays' sections: $(cat "$WORK/mrvl.ini")"

! grep -qE 'Sanitizer|runtime error' "$WORK"/*.log "$WORK"/*.out || fail "sanitizer report"
echo "PASS: three displays every second; New York's change at $at_std on the frame and the string"
