# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# Shared by the script benchmarks: where the program, the monitor and the helpers are, the
# packages they need, and the X session helpers of the tests.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# Another build folder: MIROVALENT_BUILD_DIR=build/mine (relative to the repository or absolute).
BUILD="${MIROVALENT_BUILD_DIR:-build/default}"
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
APP="${MIROVALENT_APP:-$BUILD/src/gui/app/mirovalent}"
MON="${MIROVALENT_MONITOR:-$BUILD/src/monitor/mirovalent-monitor}"
# The same program ticked by a free-running timer, as the baseline.
BASELINE_APP="${MIROVALENT_BASELINE_APP:-$BUILD/bench/baseline/mirovalent-baseline}"
# The program as shipped with an observer that logs when each second reached the window.
PROBE_APP="${MIROVALENT_PROBE_APP:-$BUILD/bench/tickprobe/mirovalent-tickprobe}"
# The bare C sender: sleep to the second, write a frame.
FLOOR_SENDER="${MIROVALENT_FLOOR_SENDER:-$BUILD/bench/framelateness/bench_floor_sender}"

# need_binaries PATH...: each must be there, or the script ends saying how to build it.
need_binaries() {
    local bin
    for bin in "$@"; do
        [ -x "$bin" ] || {
            echo "missing $bin; build: cmake --build ${BUILD#"$ROOT/"} --target mirovalent" \
                "mirovalent-monitor mirovalent-baseline mirovalent-tickprobe bench_floor_sender" >&2
            exit 2
        }
    done
}

# shellcheck source=scripts/lib.sh
source "$ROOT/scripts/lib.sh"
ensure_packages jq "${TEST_PACKAGES[@]}"
# shellcheck source=tests/xsession.sh
source "$ROOT/tests/xsession.sh"

# Nearest-rank figures of whole microseconds, one number per line on stdin: count min p50 p99
# max (or "0 - - - -"), in milliseconds with two decimals (stats_ms) or in microseconds
# (stats_us).
stats_ms() { nearest_rank 1000 2; }
stats_us() { nearest_rank 1 0; }
nearest_rank() { # divisor decimals
    sort -n | awk -v d="$1" -v f="%.$2f" '
        { v[NR] = $1 }
        function rank(p,   r) { r = int(p * NR / 100); if (r < p * NR / 100) r++; if (r < 1) r = 1; return v[r] }
        function x(us) { return sprintf(f, us / d) }
        END {
            if (NR == 0) { print "0 - - - -"; exit }
            print NR, x(v[1]), x(rank(50)), x(rank(99)), x(v[NR])
        }'
}

# window_shown_by PID: whether the main window of that process is on screen (a viewable window
# of its own of that name, wider than a tray icon).
window_shown_by() {
    local id info
    for id in $(xdotool search --all --pid "$1" --name '^Mirovalent$' 2>/dev/null); do
        info="$(xwininfo -id "$id" 2>/dev/null)" || continue
        grep -q 'Map State: IsViewable' <<<"$info" || continue
        [ "$(sed -n 's/^ *Width: //p' <<<"$info")" -ge 64 ] && return 0
    done
    return 1
}

# show_window APP INI PID: a second start with the same settings shows the running copy's
# window; waits until it is on screen (10 s at most).
show_window() {
    "$1" --config "$2" >/dev/null 2>&1 || true
    local _
    for _ in $(seq 1 100); do window_shown_by "$3" && return 0; sleep 0.1; done
    echo "the window of pid $3 did not show" >&2
    return 1
}

# start_load / stop_load: every core busy (stress-ng where installed, else shell loops), and
# idle again; LOAD_KIND says which.
LOAD_PIDS=()
start_load() {
    local n i
    n="$(nproc)"
    if command -v stress-ng >/dev/null; then
        stress-ng --cpu "$n" --quiet >/dev/null 2>&1 &
        LOAD_PIDS+=($!)
        LOAD_KIND="stress-ng --cpu $n"
    else
        for ((i = 0; i < n; i++)); do
            bash -c 'while :; do :; done' &
            LOAD_PIDS+=($!)
        done
        LOAD_KIND="$n shell busy loops"
    fi
    XS_PIDS+=("${LOAD_PIDS[@]}")
}
stop_load() {
    local pid
    for pid in "${LOAD_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
    LOAD_PIDS=()
}
