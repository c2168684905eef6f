#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# Eight displays kept in step every second by one service: how late each display's on-time
# character arrives, how much later the eighth display gets its second than the first, and what
# the service costs, on a quiet machine and with every core busy.
#
#   bench/displays/run.sh [seconds per phase=60]
#
# The service (mirovalent --headless) drives eight displays at 9600,n,8,1, every second: frame,
# NMEA, standard and NENA, twice each (display 1 from [Settings] with SyncInt=-1, displays 2 to 8
# from [Display2] to [Display8] with Interval=1), each to its own virtual display
# (mirovalent-monitor --pty --format F --json). Beside it bench_floor_sender writes a frame at
# each whole second to a ninth monitor: the floor of this machine (see framelateness/run.sh).
#
# Phases, each SECONDS long: "quiet" (whatever else the machine runs), then "busy" with one
# CPU hog per core (stress-ng --cpu N when installed, else shell busy loops) started 2 s before.
#
# Per display, the monitor's offset_us of each on-time character (a frame's FE, the $ of a
# second's first NMEA sentence, the standard string's STX, NENA's first CR): from the start of
# the second it names to the read that brought it. A pseudo-terminal does not pace bytes at the
# line's speed, so these are the service's own lateness plus the kernel's. "8th - 1st" pairs
# display 8's and display 1's on-time characters of the same second.
#
# Service CPU over each phase: utime+stime from /proc/PID/stat (clock ticks) and the summed
# thread run time from /proc/PID/task/*/schedstat (nanoseconds), as % of one core.
#
# Binaries come from build/default; MIROVALENT_BUILD_DIR=build/other or MIROVALENT_APP,
# MIROVALENT_MONITOR, MIROVALENT_FLOOR_SENDER override. KEEP_WORK=1 keeps the monitors' JSON
# lines. Prints figures; nothing here passes or fails on a time.
set -euo pipefail

SECONDS_TO_RUN="${1:-60}"
[[ "$SECONDS_TO_RUN" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [seconds per phase]" >&2; exit 2; }

HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/../common.sh"
need_binaries "$APP" "$MON" "$FLOOR_SENDER"

xsession_workdir
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

FORMATS=(frame nmea standard nena frame nmea standard nena)
for n in 1 2 3 4 5 6 7 8; do
    mkdir -p "$WORK/d$n"
    start_display_monitor "$MON" "$WORK/d$n" --format "${FORMATS[n - 1]}"
    echo "$MONITOR_PID" >"$WORK/d$n/monitor.pid"
done
mkdir -p "$WORK/floor"
start_display_monitor "$MON" "$WORK/floor" --format frame
echo "$MONITOR_PID" >"$WORK/floor/monitor.pid"

{
    printf '[Settings]\nCommPort=1\nSyncInt=-1\nSetting=9600,n,8,1\n'
    printf '[Zone]\nZone1=13\nZone2=7\nZone3=5\nZone4=31\nDST2=1\nDSTRule2=America/New_York\n'
    printf '[Ports]\nCOM1=%s\n' "$WORK/d1/display"
    for n in 2 3 4 5 6 7 8; do
        printf '[Display%d]\nPort=%s\nFormat=%s\nSetting=9600,n,8,1\nInterval=1\nZone=Panel2\n' \
            "$n" "$WORK/d$n/display" "${FORMATS[n - 1]}"
    done
} >"$WORK/mrvl.ini"

"$APP" --headless --config "$WORK/mrvl.ini" >"$WORK/service.out" 2>"$WORK/service.log" &
APP_PID=$!
XS_PIDS+=("$APP_PID")
for _ in $(seq 1 100); do [ -s "$WORK/d8/frames.jsonl" ] && break; sleep 0.1; done
[ -s "$WORK/d8/frames.jsonl" ] || { echo "display 8 got nothing" >&2; cat "$WORK/service.log" >&2; exit 1; }

# cpu_now PID: utime+stime in ticks, summed thread run time in ns, the time in ns.
cpu_now() {
    local stat rest run total=0 task
    stat="$(cat "/proc/$1/stat")"
    rest="${stat##*) }"
    read -r -a f <<<"$rest"
    for task in /proc/"$1"/task/*; do
        read -r run _ <"$task/schedstat" 2>/dev/null || run=0
        total=$((total + run))
    done
    echo "$((f[11] + f[12])) $total $(date +%s%N)"
}

# run_phase NAME: the floor sender for SECONDS_TO_RUN; records the seconds the phase spans, the
# load at its end and the service's CPU time across it.
run_phase() {
    local name="$1" start end cpu0 cpu1
    start="$(($(date +%s) + 1))"
    echo "phase $name: $SECONDS_TO_RUN s..." >&2
    cpu0="$(cpu_now "$APP_PID")"
    "$FLOOR_SENDER" "$WORK/floor/display" "$SECONDS_TO_RUN" >"$WORK/floor/sent-$name.txt"
    cpu1="$(cpu_now "$APP_PID")"
    end="$(date +%s)"
    echo "$name $start $end $(cut -d' ' -f1 /proc/loadavg) $cpu0 $cpu1" >>"$WORK/phases.txt"
}

sleep 2
run_phase quiet
start_load
LOAD_KIND="${LOAD_KIND:-}"
sleep 2
run_phase busy
stop_load

kill -0 "$APP_PID" 2>/dev/null || echo "the service ended before the run did" >&2
kill -TERM "$APP_PID" 2>/dev/null || true
wait "$APP_PID" 2>/dev/null || true
sleep 0.3
for who in d1 d2 d3 d4 d5 d6 d7 d8 floor; do
    kill -TERM "$(cat "$WORK/$who/monitor.pid" 2>/dev/null || echo 0)" 2>/dev/null || true
done
xsession_cleanup
XS_PIDS=()

# on_time WHO START END: "second offset_us" of each on-time character that arrived in
# [START, END] (whole seconds since the epoch); broken strings are left out.
on_time() {
    jq -r --argjson s "$2" --argjson e "$3" '
        (.arrival | sub("\\.[0-9]+Z$"; "Z") | fromdateiso8601) as $sec
        | select($sec >= $s and $sec <= $e and .on_time != false and (.error // null) == null)
        | "\($sec) \(.offset_us)"' "$WORK/$1/frames.jsonl"
}

hz="$(getconf CLK_TCK)"
row() { printf '%-22s %6s %8s %8s %8s   %6s %8s %8s %8s\n' "$@"; }
declare -A F
# shellcheck disable=SC2046 # figures are numbers and "-", nothing to glob
while read -r name start end load t0 r0 n0 t1 r1 n1; do
    F["$name.load"]="$load"
    for who in d1 d2 d3 d4 d5 d6 d7 d8 floor; do
        set -- $(on_time "$who" "$start" "$end" | awk '{ print $2 }' | stats_ms)
        F["$name.$who"]="$1 $3 $4 $5"
    done
    # Display 8 against display 1, second by second.
    set -- $(join <(on_time d1 "$start" "$end" | sort -k1,1) <(on_time d8 "$start" "$end" | sort -k1,1) \
        | awk '{ print $3 - $2 }' | stats_ms)
    F["$name.gap"]="$1 $3 $4 $5"
    F["$name.cpu"]="$(awk -v t0="$t0" -v t1="$t1" -v r0="$r0" -v r1="$r1" -v n0="$n0" -v n1="$n1" \
        -v hz="$hz" 'BEGIN { s = (n1 - n0) / 1e9
            printf "%.1f %.3f %.1f %.3f", (t1 - t0) * 1000 / hz, (t1 - t0) * 100 / hz / s,
                   (r1 - r0) / 1e6, (r1 - r0) / 1e7 / s }')"
done <"$WORK/phases.txt"

echo
echo "Eight displays every second at 9600,n,8,1, $SECONDS_TO_RUN s per phase, $(nproc) cores," \
    "$(date -u +'%Y-%m-%d %H:%M UTC')"
echo "busy: $LOAD_KIND; load average (1 min) at the end of each phase: quiet ${F[quiet.load]}," \
    "busy ${F[busy.load]}"
echo "on-time character after the start of its second, ms (nearest rank):"
row "" "quiet" "" "" "" "busy" "" "" ""
row "display" "n" "p50" "p99" "max" "n" "p50" "p99" "max"
for n in 1 2 3 4 5 6 7 8; do
    # shellcheck disable=SC2086
    row "$n ${FORMATS[n - 1]}" ${F[quiet.d$n]} ${F[busy.d$n]}
done
# shellcheck disable=SC2086
row "floor frame" ${F[quiet.floor]} ${F[busy.floor]}
# shellcheck disable=SC2086
row "8th - 1st, same second" ${F[quiet.gap]} ${F[busy.gap]}
echo
read -r qt qtp qr qrp <<<"${F[quiet.cpu]}"
read -r bt btp br brp <<<"${F[busy.cpu]}"
echo "service CPU over each phase:"
printf '  %-30s %10s %10s\n' "" quiet busy
printf '  %-30s %10s %10s\n' "utime+stime ms" "$qt" "$bt" "  % of one core" "$qtp" "$btp" \
    "thread run time ms" "$qr" "$br" "  % of one core" "$qrp" "$brp"
echo
echo "monitor summaries (whole run):"
for who in d1 d2 d3 d4 d5 d6 d7 d8 floor; do
    printf '  %-6s %s\n' "$who:" "$(tail -n1 "$WORK/$who/monitor.err")"
done
if [ -s "$WORK/service.log" ]; then
    echo "the service's log:"
    sed 's/^/  /' "$WORK/service.log"
fi
