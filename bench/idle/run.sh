#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# What the program costs while it does nothing but keep time: CPU, memory, wake-ups, and how
# long it takes from launch to an icon in the tray. Four cases, one after the other, each alone
# in an X session of its own with its own tray host (IDLE_CASES="tray60 shown1" picks some):
#
#   shown 1 min    the window on screen, a frame a minute (SyncInt=0): it must wake once a second
#                  to change the clocks, and no more;
#   tray 1 min     hidden in the tray, a frame a minute;
#   tray 60 min    hidden in the tray, a frame an hour (SyncInt=3): nothing to show and nothing
#                  due for up to an hour, so it should hardly wake at all;
#   baseline       mirovalent-baseline (free-running timers) in the tray, a frame a minute.
#
#   bench/idle/run.sh [seconds=60]
#
# Each program gets its own virtual display (the monitor on a pseudo-terminal) and scratch
# settings. Figures come from /proc:
#   CPU        utime+stime from /proc/PID/stat (clock ticks), and the summed per-thread
#              run time from /proc/PID/task/*/schedstat (nanoseconds) for a finer reading
#   memory     VmHWM (peak) and VmRSS (at the end) from /proc/PID/status
#   wake-ups   voluntary context switches per second: the main thread's own counter in
#              /proc/PID/status, and the sum over /proc/PID/task/*/status (all threads)
#   tray       launch until a viewable window of class mirovalent narrower than 64 px exists,
#              polled with xdotool + xwininfo (resolution: one poll, roughly 10-20 ms)
#
# Over 60 s one wake-up is 0.017/s, which is the resolution. Binaries come from build/default;
# MIROVALENT_BUILD_DIR=build/other or MIROVALENT_APP, MIROVALENT_MONITOR, MIROVALENT_BASELINE_APP
# override. Prints figures only; nothing here passes or fails on a time.
set -euo pipefail

SECONDS_TO_RUN="${1:-60}"
[[ "$SECONDS_TO_RUN" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [seconds]" >&2; exit 2; }
SETTLE_S="${SETTLE_S:-2}" # after the tray icon shows, before the window opens

HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/../common.sh"
need_binaries "$APP" "$MON" "$BASELINE_APP"

xsession_workdir

now_ns() { date +%s%N; }

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

# launch DIR BINARY: starts the program, waits for its tray icon. Sets LAUNCHED_PID and TRAY_MS.
launch() {
    local dir="$1" binary="$2" t0 icon
    t0="$(now_ns)"
    "$binary" --config "$dir/mrvl.ini" >>"$dir/app.out" 2>&1 &
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

CASES=(shown1 tray1 tray60 baseline)
[ -n "${IDLE_CASES:-}" ] && read -r -a CASES <<<"$IDLE_CASES"
declare -A TITLE=([shown1]="shown 1 min" [tray1]="tray 1 min" [tray60]="tray 60 min" [baseline]="baseline")
declare -A SYNCINT=([shown1]=0 [tray1]=0 [tray60]=3 [baseline]=0)
declare -A BINARY=([shown1]="$APP" [tray1]="$APP" [tray60]="$APP" [baseline]="$BASELINE_APP")
# Wake-ups a second each case should stay within; the clocks change once a second when shown.
declare -A WAKE_TARGET=([shown1]=1.05 [tray1]=- [tray60]=0.1 [baseline]=-)
declare -A PID TRAY WARM FIG

# measure_case WHO: the program alone in an X session of its own with its own tray host. Side
# by side in one tray, every change to one icon makes the tray host redraw the others, and each
# redraw is a wake-up of a program that had nothing to do.
measure_case() {
    local who="$1" first="${#XS_PIDS[@]}" frames0 i
    xsession_start tray
    mkdir -p "$WORK/$who"
    write_display_ini "$WORK/$who" "${SYNCINT[$who]}"
    start_monitor "$WORK/$who"

    # A first launch in a fresh X session pays for font and icon caches; it is timed and
    # reported but not kept, so that the measured launch does not carry that cost.
    KNOWN_ICONS=" "
    launch "$WORK/$who" "${BINARY[$who]}"
    WARM[$who]=$TRAY_MS
    kill -TERM "$LAUNCHED_PID"
    wait "$LAUNCHED_PID" 2>/dev/null || true
    KNOWN_ICONS=" "
    sleep 0.5

    launch "$WORK/$who" "${BINARY[$who]}"
    PID[$who]=$LAUNCHED_PID TRAY[$who]=$TRAY_MS
    if [ "$who" = shown1 ]; then
        show_window "${BINARY[$who]}" "$WORK/$who/mrvl.ini" "${PID[$who]}" || exit 1
    fi
    sleep "$SETTLE_S"
    frames0="$(wc -l <"$WORK/$who/frames.jsonl")"
    snapshot "${PID[$who]}" "$WORK/$who/t0.snap"
    echo "measuring ${TITLE[$who]} for $SECONDS_TO_RUN s..." >&2
    sleep "$SECONDS_TO_RUN"
    snapshot "${PID[$who]}" "$WORK/$who/t1.snap"

    if window_shown_by "${PID[$who]}"; then FIG[$who.shown]=yes; else FIG[$who.shown]=no; fi
    FIG[$who.frames]=$(($(wc -l <"$WORK/$who/frames.jsonl") - frames0))
    figures "$who" "${PID[$who]}"
    FIG[$who.secs]="$FIG_SECS" FIG[$who.cpu_ms]="$FIG_CPU_MS" FIG[$who.cpu_pct]="$FIG_CPU_PCT"
    FIG[$who.run_ms]="$FIG_RUN_MS" FIG[$who.run_pct]="$FIG_RUN_PCT"
    FIG[$who.wake_main]="$FIG_WAKE_MAIN" FIG[$who.wake_all]="$FIG_WAKE_ALL"
    FIG[$who.hwm]="$FIG_HWM_KB" FIG[$who.rss]="$FIG_RSS_KB" FIG[$who.threads]="$FIG_THREADS"
    FIG[$who.tray_ms]="${TRAY[$who]}"

    # This session ends before the next one starts: newest first, the X server last.
    for ((i = ${#XS_PIDS[@]} - 1; i >= first; i--)); do
        kill "${XS_PIDS[i]}" 2>/dev/null || true
        wait "${XS_PIDS[i]}" 2>/dev/null || true
    done
    XS_PIDS=("${XS_PIDS[@]:0:first}")
}

for who in "${CASES[@]}"; do
    measure_case "$who"
done

mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

# row LABEL KEY [FORMAT]: one figure per case.
row() {
    local label="$1" key="$2" fmt="${3:-}" who value
    printf '%-34s' "$label"
    for who in "${CASES[@]}"; do
        value="${FIG[$who.$key]}"
        [ "$fmt" = mb ] && value="$(mb "$value")"
        printf ' %12s' "$value"
    done
    echo
}
# verdicts LABEL KEY LIMIT(or per-case array name) OP
verdicts() {
    local label="$1" key="$2" limit="$3" op="$4" who l
    printf '%-34s' "$label"
    for who in "${CASES[@]}"; do
        l="$limit"
        [ "$limit" = wake ] && l="${WAKE_TARGET[$who]}"
        if [ "$l" = - ]; then printf ' %12s' "-"; else printf ' %12s' "$(verdict "${FIG[$who.$key]}" "$l" "$op")"; fi
    done
    echo
}

echo
echo "Idle, $SECONDS_TO_RUN s per case, one case after the other, $(nproc) cores, $(date -u +'%Y-%m-%d %H:%M UTC'), load $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-34s' ""
for who in "${CASES[@]}"; do printf ' %12s' "${TITLE[$who]}"; done
echo
row "window on screen at the end" shown
row "CPU ms (utime+stime)" cpu_ms
row "CPU % of one core (utime+stime)" cpu_pct
row "CPU ms (sum of thread run time)" run_ms
row "CPU % of one core (run time)" run_pct
verdicts "  target < 0.05 %" run_pct 0.05 lt
row "peak RSS MB (VmHWM)" hwm mb
row "steady RSS MB (VmRSS at end)" rss mb
verdicts "  target < 40 MB" rss 40960 lt
row "wake-ups/s, main thread" wake_main
row "wake-ups/s, all threads" wake_all
verdicts "  target 1.05 shown, 0.1 60 min" wake_all wake le
row "start to tray icon ms" tray_ms
verdicts "  target < 300 ms" tray_ms 300 lt
row "frames sent in the window" frames
echo
printf 'first launch in each X session (not kept), start to tray icon ms:'
for who in "${CASES[@]}"; do printf ' %s %s' "${TITLE[$who]}" "${WARM[$who]}"; done
echo
echo "threads over the window (voluntary = wake-ups):"
for who in "${CASES[@]}"; do
    echo "  ${TITLE[$who]} (pid ${PID[$who]}):"
    echo "${FIG[$who.threads]}"
done
