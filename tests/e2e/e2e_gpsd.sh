#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# A real NMEA decoder reads what the service sends: display 2 speaks NMEA into one end of a
# pseudo-terminal pair, gpsd reads the other end, and gpspipe collects gpsd's reports. Every
# second must come out of gpsd with its own time, close to the system clock. Skipped (77) when
# gpsd or gpspipe is not installed.
set -euo pipefail
APP="$1"
MON="$2"
COLLECT_S="${COLLECT_S:-30}"
source "$(dirname "$0")/../xsession.sh"
xsession_workdir
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

GPSD="$(command -v gpsd || true)"
[ -n "$GPSD" ] || { [ -x /usr/sbin/gpsd ] && GPSD=/usr/sbin/gpsd; }
if [ -z "$GPSD" ] || ! command -v gpspipe >/dev/null; then
    echo "SKIP: gpsd and gpspipe are needed (Debian: gpsd gpsd-clients)"
    exit 77
fi
command -v socat >/dev/null || fail "socat is needed"

# The service writes to A, gpsd reads B.
socat pty,raw,echo=0,link="$WORK/A" pty,raw,echo=0,link="$WORK/B" 2>"$WORK/socat.err" &
XS_PIDS+=($!)
for _ in $(seq 1 100); do [ -e "$WORK/A" ] && [ -e "$WORK/B" ] && break; sleep 0.05; done
[ -e "$WORK/B" ] || fail "socat made no pseudo-terminal pair"

# A loopback port nobody listens on, and gpsd there: foreground, no waiting for a client, and
# never writing to the device (its probes would only go back to the service).
port=""
for _ in $(seq 1 50); do
    p=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then port=$p; break; fi
done
[ -n "$port" ] || fail "no free loopback port"
"$GPSD" -N -n -b -S "$port" "$WORK/B" >"$WORK/gpsd.out" 2>"$WORK/gpsd.err" &
GPSD_PID=$!
XS_PIDS+=("$GPSD_PID")
for _ in $(seq 1 100); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.05; done
kill -0 "$GPSD_PID" 2>/dev/null || fail "gpsd did not start"

# Display 1 sends frames to a monitor; display 2 NMEA every second. The kernel may call the
# clock unsynchronised here; gpsd takes no time from an RMC marked void, and reports the ZDA's
# only with the next second's sentences, a second late. So the display says it is synchronised
# whatever the kernel thinks.
write_display_ini "$WORK" 0
cat >>"$WORK/mrvl.ini" <<INI
[Display2]
Port=$WORK/A
Format=nmea
Interval=1
Unsynced=ignore
INI
start_display_monitor "$MON" "$WORK"

"$APP" --headless --config "$WORK/mrvl.ini" >"$WORK/service.out" 2>"$WORK/service.log" &
SERVICE_PID=$!
XS_PIDS+=("$SERVICE_PID")

# Each report stamped on arrival with the system clock (seconds since the epoch, to the µs).
begin="$(date +%s)"
timeout "$COLLECT_S" gpspipe -w -uu "127.0.0.1:$port" >"$WORK/tpv.log" 2>"$WORK/gpspipe.err" || true
end="$(date +%s)"
kill -0 "$SERVICE_PID" 2>/dev/null || fail "the service ended"
kill -0 "$GPSD_PID" 2>/dev/null || fail "gpsd ended"

# One line per report with a time: its arrival and the second it names.
sed -nE 's/^[0-9-]+ [0-9:]+ ([0-9]+\.[0-9]+): \{"class":"TPV".*"time":"([^"]+)".*/\1 \2/p' \
    "$WORK/tpv.log" >"$WORK/times.txt"
while read -r arrival stamp; do
    echo "$arrival $(date -u -d "$stamp" +%s.%N)"
done <"$WORK/times.txt" >"$WORK/pairs.txt"
(($(wc -l <"$WORK/pairs.txt") > 0)) || fail "gpsd reported no time: $(head -c 2000 "$WORK/tpv.log")"

# Every report within a second of the clock; every whole second of the collection reported
# once, but for the first two (gpsd still settling on the line) and the last (cut off).
awk -v from="$((begin + 3))" -v to="$((end - 2))" '
    { d = $1 - $2; if (d < -1 || d > 1) { printf "time %s reported at %s\n", $2, $1; bad = 1 }
      seen[int($2 + 0.5)]++ }
    END {
        for (s in seen) if (seen[s] > 1) { printf "second %d reported %d times\n", s, seen[s]; bad = 1 }
        for (s = from; s <= to; s++) if (!(s in seen)) { printf "second %d missing\n", s; bad = 1 }
        exit bad
    }' "$WORK/pairs.txt" >"$WORK/check.out" || fail "$(cat "$WORK/check.out")"

terminate "$SERVICE_PID" "the service"
! grep -qE 'Sanitizer|runtime error' "$WORK"/*.log "$WORK"/*.err || fail "sanitizer report"
echo "PASS: gpsd reported $(wc -l <"$WORK/pairs.txt") seconds in a row from the service's NMEA"
