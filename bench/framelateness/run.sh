#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# How late each sync frame reaches the display, for the second-aligned tick and for the old
# free-running timers, side by side in one run of the same length.
#
#   bench/framelateness/run.sh [seconds=60]
#
# Both programs run at once under a private X session with a tray host, each writing to its
# own virtual display (the monitor on a pseudo-terminal). The scratch settings make every
# second's tick due, so each program should send about one frame a second. Lateness is the
# monitor's offset_ms: arrival minus the start of the GMT second the frame names, in whole
# milliseconds.
#
# A third column, "reference", is a bare sender (reference_sender.py: sleep to the second,
# write) on a third monitor. Its figures are the floor of the measurement path itself: the
# pseudo-terminal hands bytes over through a kernel worker, and the monitor has to be woken
# and scheduled too. Skipped when python3 is missing.
#
# With 60 frames the 99th percentile (nearest rank) is the largest value; run longer for a
# percentile that is not the maximum.
#
# Binaries default to build/default; override with MIROVALENT_APP and MIROVALENT_MONITOR.
# KEEP_WORK=1 keeps the frames (JSON lines) for a closer look. Prints figures only; nothing
# here passes or fails on a time.
set -euo pipefail

SECONDS_TO_RUN="${1:-60}"
[[ "$SECONDS_TO_RUN" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [seconds]" >&2; exit 2; }

HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/../common.sh"
PYTHON="$(command -v python3 || true)"

xsession_workdir

write_ini() { write_display_ini "$1" -1; }

start_monitor() { # dir
    start_display_monitor "$MON" "$1"
    echo "$MONITOR_PID" >"$1/monitor.pid"
}

# Nearest-rank percentiles of the offsets, one number per line on stdin.
# Prints: count min p50 p99 max (or "0 - - - -").
stats() {
    sort -n | awk '
        { v[NR] = $1 }
        function rank(p,   r) { r = int(p * NR / 100); if (r < p * NR / 100) r++; if (r < 1) r = 1; return v[r] }
        END {
            if (NR == 0) { print "0 - - - -"; exit }
            print NR, v[1], rank(50), rank(99), v[NR]
        }'
}

# Run-queue wait of a main thread (/proc/PID/task/PID/schedstat: run ns, wait ns, slices): how
# long it sat ready but not running. On a busy machine that, not the timer, makes a frame late.
schedstat() { cat "/proc/$1/task/$1/schedstat" 2>/dev/null || echo "0 0 0"; }
wait_per_slice() { # wait0 wait1 slices0 slices1
    awk -v w="$(($2 - $1))" -v s="$(($4 - $3))" 'BEGIN { printf "%.3f", (s > 0 ? w / s / 1e6 : 0) }'
}

xsession_start tray

WHO=(aligned baseline)
[ -n "$PYTHON" ] && WHO+=(reference)
for who in "${WHO[@]}"; do
    mkdir -p "$WORK/$who"
    write_ini "$WORK/$who"
    start_monitor "$WORK/$who"
done

# Everything starts together, so all see the same machine for the same stretch of time.
"$APP" --config "$WORK/aligned/mrvl.ini" >"$WORK/aligned/app.out" 2>&1 &
APP_ALIGNED=$!
XS_PIDS+=("$APP_ALIGNED")
"$BASELINE_APP" --config "$WORK/baseline/mrvl.ini" >"$WORK/baseline/app.out" 2>&1 &
APP_BASELINE=$!
XS_PIDS+=("$APP_BASELINE")
REF_PID=""
if [ -n "$PYTHON" ]; then
    "$PYTHON" "$HERE/reference_sender.py" "$WORK/reference/display" "$SECONDS_TO_RUN" \
        >"$WORK/reference/app.out" 2>&1 &
    REF_PID=$!
    XS_PIDS+=("$REF_PID")
fi

echo "running for $SECONDS_TO_RUN s (a frame a second from each sender)..." >&2
sleep 1
read -r _ wait0_a slices0_a < <(schedstat "$APP_ALIGNED")
read -r _ wait0_b slices0_b < <(schedstat "$APP_BASELINE")
sleep "$((SECONDS_TO_RUN - 1))"
read -r _ wait1_a slices1_a < <(schedstat "$APP_ALIGNED")
read -r _ wait1_b slices1_b < <(schedstat "$APP_BASELINE")
LOADAVG="$(cut -d' ' -f1-3 /proc/loadavg)"

for pid in "$APP_ALIGNED" "$APP_BASELINE"; do
    kill -0 "$pid" 2>/dev/null || echo "a program (pid $pid) ended before the run did" >&2
    kill -TERM "$pid" 2>/dev/null || true
done
wait "$APP_ALIGNED" 2>/dev/null || true
wait "$APP_BASELINE" 2>/dev/null || true
[ -n "$REF_PID" ] && { wait "$REF_PID" 2>/dev/null || true; }
# Let the last frame drain before the monitors are told to stop.
sleep 0.3
for who in "${WHO[@]}"; do
    kill -TERM "$(cat "$WORK/$who/monitor.pid")" 2>/dev/null || true
    wait "$(cat "$WORK/$who/monitor.pid")" 2>/dev/null || true
done

read -r n_a min_a p50_a p99_a max_a < <(jq -r '.offset_ms' "$WORK/aligned/frames.jsonl" | stats)
read -r n_b min_b p50_b p99_b max_b < <(jq -r '.offset_ms' "$WORK/baseline/frames.jsonl" | stats)
n_r=- min_r=- p50_r=- p99_r=- max_r=-
if [ -n "$PYTHON" ]; then
    read -r n_r min_r p50_r p99_r max_r < <(jq -r '.offset_ms' "$WORK/reference/frames.jsonl" | stats)
fi
verdict="-"
if [ "$n_a" -gt 0 ]; then
    if [ "$p99_a" -lt 5 ]; then verdict="PASS"; else verdict="over"; fi
fi

row() { printf '%-24s %10s %10s %10s   %s\n' "$@"; }
echo
echo "Frame lateness, $SECONDS_TO_RUN s, $(nproc) cores, $(date -u +'%Y-%m-%d %H:%M UTC')"
row "" "aligned" "baseline" "reference" "target (aligned)"
row "frames" "$n_a" "$n_b" "$n_r" ""
row "min offset ms" "$min_a" "$min_b" "$min_r" ""
row "p50 lateness ms" "$p50_a" "$p50_b" "$p50_r" ""
row "p99 lateness ms" "$p99_a" "$p99_b" "$p99_r" "< 5 ms: $verdict"
row "max lateness ms" "$max_a" "$max_b" "$max_r" ""
row "run-queue wait ms/wake" \
    "$(wait_per_slice "$wait0_a" "$wait1_a" "$slices0_a" "$slices1_a")" \
    "$(wait_per_slice "$wait0_b" "$wait1_b" "$slices0_b" "$slices1_b")" "-" ""
echo "load average at the end: $LOADAVG"
echo
echo "monitor summaries:"
for who in "${WHO[@]}"; do
    printf '  %-10s %s\n' "$who:" "$(tail -n1 "$WORK/$who/monitor.err")"
done
for who in "${WHO[@]}"; do
    if [ -s "$WORK/$who/app.out" ]; then
        echo "output of the $who sender:"
        sed 's/^/  /' "$WORK/$who/app.out"
    fi
done
