#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# What the program costs while it sits in the tray doing nothing but keeping time: CPU, memory,
# wake-ups, and how long it takes from launch to an icon in the tray. The second-aligned tick
# and the old free-running timers run side by side over the same window.
#
#   bench/idle/run.sh [seconds=60]
#
# Each program gets its own virtual display (the monitor on a pseudo-terminal) and scratch
# settings with the default sync interval (a frame a minute). Figures come from /proc:
#   CPU        utime+stime from /proc/PID/stat (clock ticks), and the summed per-thread
#              run time from /proc/PID/task/*/schedstat (nanoseconds) for a finer reading
#   memory     VmHWM (peak) and VmRSS (at the end) from /proc/PID/status
#   wake-ups   voluntary context switches per second: the main thread's own counter in
#              /proc/PID/status, and the sum over /proc/PID/task/*/status (all threads)
#   tray       launch until a viewable window of class mirovalent narrower than 64 px exists,
#              polled with xdotool + xwininfo (resolution: one poll, roughly 10-20 ms)
#
# Binaries default to build/default; override with MIROVALENT_APP and MIROVALENT_MONITOR.
# Prints figures only; nothing here passes or fails on a time.
set -euo pipefail

SECONDS_TO_RUN="${1:-60}"
[[ "$SECONDS_TO_RUN" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [seconds]" >&2; exit 2; }
SETTLE_S="${SETTLE_S:-2}" # after the tray icon shows, before the window opens

HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/../common.sh"

xsession_workdir

now_ns() { date +%s%N; }

write_ini() { write_display_ini "$1" 0; }

start_monitor() { # dir
    start_display_monitor "$MON" "$1"
    echo "$MONITOR_PID" >"$1/monitor.pid"
}

# Tray icons already on screen, so that a new launch is told apart from those before it.
KNOWN_ICONS=" "

# Waits for a tray icon that was not there before; prints its id. Gives up after 10 s.
wait_for_new_icon() {
    local deadline id info width
    deadline=$(($(now_ns) + 10000000000))
    while [ "$(now_ns)" -lt "$deadline" ]; do
        for id in $(xdotool search --class mirovalent 2>/dev/null); do
            case "$KNOWN_ICONS" in *" $id "*) continue ;; esac
            info="$(xwininfo -id "$id" 2>/dev/null)" || continue
            width="$(sed -n 's/^ *Width: //p' <<<"$info")"
            if grep -q 'Map State: IsViewable' <<<"$info" && [ -n "$width" ] && [ "$width" -lt 64 ]; then
                echo "$id"
                return 0
            fi
        done
        sleep 0.005
    done
    return 1
}

# launch DIR BASELINE(0|1): starts the program, waits for its tray icon. Sets LAUNCHED_PID and
# TRAY_MS.
launch() {
    local dir="$1" baseline="$2" t0 icon
    t0="$(now_ns)"
    if [ "$baseline" = 1 ]; then
        "$BASELINE_APP" --config "$dir/mrvl.ini" >>"$dir/app.out" 2>&1 &
    else
        "$APP" --config "$dir/mrvl.ini" >>"$dir/app.out" 2>&1 &
    fi
    LAUNCHED_PID=$!
    XS_PIDS+=("$LAUNCHED_PID")
    if ! icon="$(wait_for_new_icon)"; then
        echo "no tray icon from $dir within 10 s" >&2
        cat "$dir/app.out" >&2
        exit 1
    fi
    TRAY_MS=$((($(now_ns) - t0) / 1000000))
    KNOWN_ICONS+="$icon "
}

# snapshot PID FILE: one line per thread: tid, voluntary and involuntary switches, run time ns,
# name. A header line carries the process's utime+stime in ticks and the main thread's own
# voluntary switches.
snapshot() {
    local pid="$1" out="$2" stat rest task tid vcs nvcs run comm
    stat="$(cat "/proc/$pid/stat")"
    rest="${stat##*) }"
    # After the name: state is field 3, utime field 14, stime field 15.
    read -r -a f <<<"$rest"
    {
        printf 'P\t%s\t%s\t%s\n' "$((f[11] + f[12]))" \
            "$(sed -n 's/^voluntary_ctxt_switches:\s*//p' "/proc/$pid/status")" "$(now_ns)"
        for task in /proc/"$pid"/task/*; do
            tid="${task##*/}"
            vcs="$(sed -n 's/^voluntary_ctxt_switches:\s*//p' "$task/status" 2>/dev/null)" || continue
            nvcs="$(sed -n 's/^nonvoluntary_ctxt_switches:\s*//p' "$task/status" 2>/dev/null)"
            read -r run _ <"$task/schedstat" 2>/dev/null || run=0
            comm="$(cat "$task/comm" 2>/dev/null)"
            printf 'T\t%s\t%s\t%s\t%s\t%s\n' "$tid" "$vcs" "$nvcs" "$run" "$comm"
        done
    } >"$out"
}

mem_kb() { # PID FIELD
    sed -n "s/^$2:\s*\([0-9]*\) kB/\1/p" "/proc/$1/status"
}

# figures WHO PID: compares the two snapshots; sets FIG_* for the table and prints threads.
figures() {
    local who="$1" pid="$2" a="$WORK/$1/t0.snap" b="$WORK/$1/t1.snap"
    local hz
    hz="$(getconf CLK_TCK)"
    # shellcheck disable=SC2046
    set -- $(awk -F'\t' -v hz="$hz" '
        FNR == 1 { file++ }
        $1 == "P" && file == 1 { ticks0 = $2; mvcs0 = $3; t0 = $4 }
        $1 == "P" && file == 2 { ticks1 = $2; mvcs1 = $3; t1 = $4 }
        $1 == "T" && file == 1 { v0[$2] = $3; r0[$2] = $5 }
        $1 == "T" && file == 2 { v1[$2] = $3; r1[$2] = $5 }
        END {
            secs = (t1 - t0) / 1e9
            for (t in v1) { dv += v1[t] - v0[t]; dr += r1[t] - r0[t] }
            cpu_ms = (ticks1 - ticks0) * 1000 / hz
            printf "%.3f %.1f %.4f %.3f %.4f %.2f %.2f\n", secs, cpu_ms, cpu_ms / 10 / secs,
                   dr / 1e6, dr / 1e7 / secs, (mvcs1 - mvcs0) / secs, dv / secs
        }' "$a" "$b")
    FIG_SECS="$1" FIG_CPU_MS="$2" FIG_CPU_PCT="$3" FIG_RUN_MS="$4" FIG_RUN_PCT="$5"
    FIG_WAKE_MAIN="$6" FIG_WAKE_ALL="$7"
    FIG_HWM_KB="$(mem_kb "$pid" VmHWM)"
    FIG_RSS_KB="$(mem_kb "$pid" VmRSS)"
    FIG_THREADS="$(awk -F'\t' '
        FNR == 1 { file++ }
        $1 == "T" && file == 1 { v0[$2] = $3; n0[$2] = $4; r0[$2] = $5 }
        $1 == "T" && file == 2 { v1[$2] = $3; n1[$2] = $4; r1[$2] = $5; c[$2] = $6 }
        END {
            for (t in v1)
                printf "    %-8s %-18s vol %6d  invol %4d  run %8.3f ms\n", t, c[t],
                       v1[t] - v0[t], n1[t] - n0[t], (r1[t] - r0[t]) / 1e6
        }' "$a" "$b" | sort -k1,1n)"
}

verdict() { # VALUE LIMIT (strictly under / at most given by OP)
    awk -v v="$1" -v l="$2" -v op="$3" 'BEGIN {
        ok = (op == "lt") ? (v + 0 < l + 0) : (v + 0 <= l + 0)
        print ok ? "PASS" : "over" }'
}

xsession_start tray

for who in aligned baseline; do
    mkdir -p "$WORK/$who"
    write_ini "$WORK/$who"
    start_monitor "$WORK/$who"
done

# A first launch in a fresh X session pays for font and icon caches; it is timed and reported
# but not kept, so that neither measured program carries that cost alone.
launch "$WORK/aligned" 0
WARM_PID=$LAUNCHED_PID WARM_MS=$TRAY_MS
kill -TERM "$WARM_PID"
wait "$WARM_PID" 2>/dev/null || true
KNOWN_ICONS=" "
sleep 0.5

launch "$WORK/aligned" 0
PID_A=$LAUNCHED_PID TRAY_A=$TRAY_MS
launch "$WORK/baseline" 1
PID_B=$LAUNCHED_PID TRAY_B=$TRAY_MS

sleep "$SETTLE_S"
frames_before_a="$(wc -l <"$WORK/aligned/frames.jsonl")"
frames_before_b="$(wc -l <"$WORK/baseline/frames.jsonl")"
snapshot "$PID_A" "$WORK/aligned/t0.snap"
snapshot "$PID_B" "$WORK/baseline/t0.snap"
echo "measuring both programs idle for $SECONDS_TO_RUN s..." >&2
sleep "$SECONDS_TO_RUN"
snapshot "$PID_A" "$WORK/aligned/t1.snap"
snapshot "$PID_B" "$WORK/baseline/t1.snap"
frames_a=$(($(wc -l <"$WORK/aligned/frames.jsonl") - frames_before_a))
frames_b=$(($(wc -l <"$WORK/baseline/frames.jsonl") - frames_before_b))

figures aligned "$PID_A"
A=("$FIG_SECS" "$FIG_CPU_MS" "$FIG_CPU_PCT" "$FIG_RUN_MS" "$FIG_RUN_PCT" "$FIG_WAKE_MAIN" "$FIG_WAKE_ALL" "$FIG_HWM_KB" "$FIG_RSS_KB")
THREADS_A="$FIG_THREADS"
figures baseline "$PID_B"
B=("$FIG_SECS" "$FIG_CPU_MS" "$FIG_CPU_PCT" "$FIG_RUN_MS" "$FIG_RUN_PCT" "$FIG_WAKE_MAIN" "$FIG_WAKE_ALL" "$FIG_HWM_KB" "$FIG_RSS_KB")
THREADS_B="$FIG_THREADS"

mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

row() { # label aligned baseline target aligned-verdict baseline-verdict
    printf '%-34s %12s %12s   %-14s %-5s %-5s\n' "$@"
}

echo
echo "Idle, $SECONDS_TO_RUN s window (measured ${A[0]} s), $(nproc) cores, $(date -u +'%Y-%m-%d %H:%M UTC')"
row "" "aligned" "baseline" "target" "align" "base"
row "CPU ms (utime+stime)" "${A[1]}" "${B[1]}" "" "" ""
row "CPU % of one core (utime+stime)" "${A[2]}" "${B[2]}" "< 0.05 %" \
    "$(verdict "${A[2]}" 0.05 lt)" "$(verdict "${B[2]}" 0.05 lt)"
row "CPU ms (sum of thread run time)" "${A[3]}" "${B[3]}" "" "" ""
row "CPU % of one core (run time)" "${A[4]}" "${B[4]}" "< 0.05 %" \
    "$(verdict "${A[4]}" 0.05 lt)" "$(verdict "${B[4]}" 0.05 lt)"
row "peak RSS MB (VmHWM)" "$(mb "${A[7]}")" "$(mb "${B[7]}")" "< 40 MB" \
    "$(verdict "${A[7]}" 40960 lt)" "$(verdict "${B[7]}" 40960 lt)"
row "steady RSS MB (VmRSS at end)" "$(mb "${A[8]}")" "$(mb "${B[8]}")" "< 40 MB" \
    "$(verdict "${A[8]}" 40960 lt)" "$(verdict "${B[8]}" 40960 lt)"
row "wake-ups/s, main thread" "${A[5]}" "${B[5]}" "<= 2 /s" \
    "$(verdict "${A[5]}" 2 le)" "$(verdict "${B[5]}" 2 le)"
row "wake-ups/s, all threads" "${A[6]}" "${B[6]}" "<= 2 /s" \
    "$(verdict "${A[6]}" 2 le)" "$(verdict "${B[6]}" 2 le)"
row "start to tray icon ms" "$TRAY_A" "$TRAY_B" "< 300 ms" \
    "$(verdict "$TRAY_A" 300 lt)" "$(verdict "$TRAY_B" 300 lt)"
row "frames sent in the window" "$frames_a" "$frames_b" "" "" ""
echo
echo "first launch in this X session (not kept): start to tray icon $WARM_MS ms"
echo "threads over the window (voluntary = wake-ups):"
echo "  aligned (pid $PID_A):"
echo "$THREADS_A"
echo "  baseline (pid $PID_B):"
echo "$THREADS_B"
