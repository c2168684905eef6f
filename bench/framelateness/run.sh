#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# How late each sync frame reaches the display, and how late the window shows each second: the
# program beside the floor of this machine, first on a quiet machine, then with every core busy.
#
#   bench/framelateness/run.sh [seconds per phase=60]
#
# Under a private X session with a tray host, two senders run side by side, each writing to its
# own virtual display (the monitor on a pseudo-terminal, --json):
#
#   program  mirovalent-tickprobe: the program as shipped (scratch settings with SyncInt=-1, a
#            frame every second, window shown) plus a passive observer that logs when each tick
#            set the window's clocks and when the GMT clock painted the new second;
#   floor    bench_floor_sender (floor_sender.c): clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME)
#            to each whole second, then write(). Nothing can send sooner: its lateness is the
#            pseudo-terminal, the scheduler and the monitor.
#
# Phases, each SECONDS long: "quiet" (whatever else the machine runs), then "busy" with one
# CPU hog per core (stress-ng --cpu N when installed, else shell busy loops) started 2 s before
# the phase. Both senders see the same machine at the same moments.
#
# Lateness of a frame is the monitor's offset_us: the monitor's thread stamps CLOCK_REALTIME as
# soon as read() returns, minus the start of the GMT second the frame names. Figures in ms with
# two decimals, nearest rank; with 60 frames p99 is the second largest, so run 300 s or more for
# a steadier tail. The monitor's own read delay (poll() return to the stamp) is shown too.
#
# Binaries come from build/default; MIROVALENT_BUILD_DIR=build/other or MIROVALENT_* override.
# KEEP_WORK=1 keeps the frames, tick log and monitor output. Prints figures; nothing here passes
# or fails on a time.
set -euo pipefail

SECONDS_TO_RUN="${1:-60}"
[[ "$SECONDS_TO_RUN" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [seconds per phase]" >&2; exit 2; }

HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/../common.sh"
need_binaries "$PROBE_APP" "$MON" "$FLOOR_SENDER"

xsession_workdir
xsession_start tray

for who in program floor; do
    mkdir -p "$WORK/$who"
    write_display_ini "$WORK/$who" -1
    start_display_monitor "$MON" "$WORK/$who"
    echo "$MONITOR_PID" >"$WORK/$who/monitor.pid"
done

MIROVALENT_TICK_LOG="$WORK/program/ticks.log" "$PROBE_APP" --config "$WORK/program/mrvl.ini" \
    >"$WORK/program/app.out" 2>&1 &
APP_PID=$!
XS_PIDS+=("$APP_PID")
for _ in $(seq 1 100); do [ -s "$WORK/program/frames.jsonl" ] && break; sleep 0.1; done
show_window "$PROBE_APP" "$WORK/program/mrvl.ini" "$APP_PID" || exit 1

# run_phase NAME: the floor sender for SECONDS_TO_RUN; records the seconds the phase spans.
run_phase() {
    local name="$1" start end
    start="$(($(date +%s) + 1))"
    echo "phase $name: $SECONDS_TO_RUN s..." >&2
    "$FLOOR_SENDER" "$WORK/floor/display" "$SECONDS_TO_RUN" >"$WORK/floor/sent-$name.txt"
    end="$(date +%s)"
    echo "$name $start $end $(cut -d' ' -f1 /proc/loadavg)" >>"$WORK/phases.txt"
}

sleep 2
run_phase quiet
start_load
sleep 2
run_phase busy
stop_load

kill -0 "$APP_PID" 2>/dev/null || echo "the program ended before the run did" >&2
kill -TERM "$APP_PID" 2>/dev/null || true
wait "$APP_PID" 2>/dev/null || true
sleep 0.3
for who in program floor; do
    kill -TERM "$(cat "$WORK/$who/monitor.pid")" 2>/dev/null || true
    wait "$(cat "$WORK/$who/monitor.pid")" 2>/dev/null || true
done

# frame_field WHO FIELD START END: the field of each frame that arrived in [START, END] (whole
# seconds since the epoch).
frame_field() {
    jq -r --argjson s "$3" --argjson e "$4" '
        (.arrival | sub("\\.[0-9]+Z$"; "Z") | fromdateiso8601) as $sec
        | select($sec >= $s and $sec <= $e) | .'"$2" "$WORK/$1/frames.jsonl"
}
# tick_field KIND START END: microseconds after the second, from the probe's log.
tick_field() {
    awk -v k="$1" -v s="$2" -v e="$3" '$1 == k && $2 >= s && $2 <= e { print $3 }' \
        "$WORK/program/ticks.log" 2>/dev/null || true
}

declare -A F
# put PHASE PREFIX COUNT MIN P50 P99 MAX: keeps count, p50, p99 and max as F[PHASE.PREFIXn] etc.
put() { F["$1.$2n"]="$3" F["$1.${2}50"]="$5" F["$1.${2}99"]="$6" F["$1.${2}max"]="$7"; }
# The figures are split into put's arguments on purpose: numbers and "-", nothing to glob.
# shellcheck disable=SC2046
while read -r name start end load; do
    F["$name.load"]="$load"
    put "$name" p $(frame_field program offset_us "$start" "$end" | stats_ms)
    put "$name" f $(frame_field floor offset_us "$start" "$end" | stats_ms)
    put "$name" t $(tick_field tick "$start" "$end" | stats_ms)
    put "$name" w $(tick_field paint "$start" "$end" | stats_ms)
    put "$name" s $(awk '{ print $2 }' "$WORK/floor/sent-$name.txt" | stats_ms)
    put "$name" r $(cat <(frame_field program read_delay_us "$start" "$end") \
        <(frame_field floor read_delay_us "$start" "$end") | stats_us)
done <"$WORK/phases.txt"

diff_ms() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-") print "-"; else printf "%+.2f", a - b }'; }
within() { awk -v a="$1" -v b="$2" -v l="$3" 'BEGIN { if (a == "-" || b == "-") print "-"; else print (a - b <= l ? "PASS" : "over") }'; }

row() { printf '%-34s %9s %9s %9s   %9s %9s %9s\n' "$@"; }
echo
echo "Frame lateness, $SECONDS_TO_RUN s per phase, $(nproc) cores, $(date -u +'%Y-%m-%d %H:%M UTC')"
echo "busy: ${LOAD_KIND:-}; load average (1 min) at the end of each phase: quiet ${F[quiet.load]}, busy ${F[busy.load]}"
row "" "quiet" "" "" "busy" "" ""
row "" "program" "floor" "diff" "program" "floor" "diff"
row "frames" "${F[quiet.pn]}" "${F[quiet.fn]}" "" "${F[busy.pn]}" "${F[busy.fn]}" ""
for k in 50 99 max; do
    a="${F[quiet.p$k]}" b="${F[quiet.f$k]}" c="${F[busy.p$k]}" d="${F[busy.f$k]}"
    label="p$k frame after the second ms"
    [ "$k" = max ] && label="max frame after the second ms"
    row "$label" "$a" "$b" "$(diff_ms "$a" "$b")" "$c" "$d" "$(diff_ms "$c" "$d")"
done
row "target: p99 diff" "" "" "<= 0.50" "" "" "<= 2.00"
row "" "" "" "$(within "${F[quiet.p99]}" "${F[quiet.f99]}" 0.5)" "" "" \
    "$(within "${F[busy.p99]}" "${F[busy.f99]}" 2)"
echo
row "" "p50" "p99" "max" "p50" "p99" "max"
row "clocks set after the second ms" "${F[quiet.t50]}" "${F[quiet.t99]}" "${F[quiet.tmax]}" \
    "${F[busy.t50]}" "${F[busy.t99]}" "${F[busy.tmax]}"
row "GMT clock painted after ms" "${F[quiet.w50]}" "${F[quiet.w99]}" "${F[quiet.wmax]}" \
    "${F[busy.w50]}" "${F[busy.w99]}" "${F[busy.wmax]}"
row "floor write() returned after ms" "${F[quiet.s50]}" "${F[quiet.s99]}" "${F[quiet.smax]}" \
    "${F[busy.s50]}" "${F[busy.s99]}" "${F[busy.smax]}"
row "monitor read delay us" "${F[quiet.r50]}" "${F[quiet.r99]}" "${F[quiet.rmax]}" \
    "${F[busy.r50]}" "${F[busy.r99]}" "${F[busy.rmax]}"
echo
echo "monitor summaries (whole run):"
for who in program floor; do
    printf '  %-8s %s\n' "$who:" "$(tail -n1 "$WORK/$who/monitor.err")"
done
if [ -s "$WORK/program/app.out" ]; then
    echo "output of the program:"
    sed 's/^/  /' "$WORK/program/app.out"
fi
