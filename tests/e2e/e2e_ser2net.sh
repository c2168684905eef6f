#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# Displays behind a serial device server: ser2net on a loopback port with a pseudo-terminal as
# its serial line. Over tcp:// the time strings reach the line byte for byte, every second, and
# again within seconds after the server was stopped and started; over rfc2217:// the same, and
# the server's line takes the display's line settings. Skipped (77) without ser2net.
set -euo pipefail
APP="$1"
# Debian puts it in /usr/sbin, which is not on every user's PATH.
SER2NET="$(command -v ser2net || echo /usr/sbin/ser2net)"
[ -x "$SER2NET" ] || { echo "SKIP: ser2net is not installed"; exit 77; }
source "$(dirname "$0")/../xsession.sh"
xsession_workdir
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

# free_port: a loopback port nobody listens on.
free_port() {
    local port
    while :; do
        port=$((20000 + RANDOM % 30000))
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
    done
}

# A serial line without hardware: ser2net drives $WORK/line, the display reads $WORK/display.
socat pty,raw,echo=0,link="$WORK/line" pty,raw,echo=0,link="$WORK/display" 2>"$WORK/socat.err" &
XS_PIDS+=($!)
for _ in $(seq 1 100); do [ -e "$WORK/line" ] && [ -e "$WORK/display" ] && break; sleep 0.05; done
[ -e "$WORK/display" ] || fail "socat made no pseudo-terminals"
LINE="$(readlink -f "$WORK/line")"
# Appending, so that the file can be emptied under it.
cat "$WORK/display" >>"$WORK/received" &
XS_PIDS+=($!)

# start_ser2net ACCEPTER: ser2net in the foreground with one connection to the line.
start_ser2net() {
    cat >"$WORK/ser2net.yaml" <<YAML
connection: &display
  accepter: $1
  connector: serialdev,$LINE,9600n81,local
  options:
    kickolduser: true
YAML
    "$SER2NET" -n -c "$WORK/ser2net.yaml" -P "$WORK/ser2net.pid" >>"$WORK/ser2net.out" 2>&1 &
    SER2NET_PID=$!
    XS_PIDS+=("$SER2NET_PID")
    local _
    for _ in $(seq 1 100); do (exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null && return 0; sleep 0.05; done
    fail "ser2net does not listen on $PORT"
}
stop_ser2net() { kill -TERM "$SER2NET_PID"; wait "$SER2NET_PID" 2>/dev/null || true; }

# start_app PORTNAME SETTING: the service with display 2 on the device server.
start_app() {
    cat >"$WORK/mrvl.ini" <<INI
[Settings]
CommPort=1
[Ports]
COM1=$WORK/no-display-here
[Display2]
Port=$1
Format=standard
Setting=$2
Unsynced=ignore
Zone=UTC
INI
    "$APP" --headless --config "$WORK/mrvl.ini" >"$WORK/service.out" 2>"$WORK/service.log" &
    APP_PID=$!
    XS_PIDS+=("$APP_PID")
}

# strings: the time strings received, one a line, STX and ETX shown as < and >.
strings() {
    tr '\002\003' '<>' <"$WORK/received" \
        | grep -aoE '<D:[0-9]{2}\.[0-9]{2}\.[0-9]{2};T:[1-7];U:[0-9]{2}\.[0-9]{2}\.[0-9]{2};[ #] U[ !]>' || true
}
count() { strings | grep -c . || true; }
# only_strings: nothing but whole strings arrived, not a byte more or less.
only_strings() {
    [ "$(wc -c <"$WORK/received")" -eq $((32 * $(count))) ] \
        || fail "bytes other than whole time strings arrived: $(od -An -c "$WORK/received" | tail -n 4)"
}
wait_strings() { # N SECONDS: wait for N strings in all
    for _ in $(seq 1 $(($2 * 10))); do (($(count) >= $1)) && break; sleep 0.1; done
    (($(count) >= $1)) || fail "fewer than $1 strings after $2 s (have $(count))"
    sleep 0.3 # the string of this second, whole
    only_strings
}
# every_second: the strings' seconds follow one another, from the given line on.
every_second() {
    strings | tail -n +"$1" | sed -E 's/.*U:([0-9]{2})\.([0-9]{2})\.([0-9]{2}).*/\1 \2 \3/' \
        | awk '{ t = $1 * 3600 + $2 * 60 + $3; if (NR > 1 && (t - last + 86400) % 86400 != 1) bad = 1; last = t }
               END { exit bad }' || fail "strings not one a second: $(strings | tail -n +"$1")"
}

# Raw TCP: byte for byte, every second; the server stopped and started again.
PORT="$(free_port)"
start_ser2net "tcp,127.0.0.1,$PORT"
start_app "tcp://127.0.0.1:$PORT" "9600,n,8,1"
wait_strings 4 10
every_second 1
[ "$(strings | tail -n1 | cut -c4-11)" = "$(date -u +%d.%m.%y)" ] || fail "not today's date: $(strings | tail -n1)"
stop_ser2net
sleep 3
grep -q "tcp://127.0.0.1:$PORT" "$WORK/service.log" || fail "the lost connection was not reported"
before="$(count)"
start_ser2net "tcp,127.0.0.1,$PORT"
wait_strings $((before + 3)) 8
every_second $((before + 1))
grep -q "tcp://127.0.0.1:$PORT works again" "$WORK/service.log" || fail "the return was not reported"
[ "$(grep -c "tcp://127.0.0.1:$PORT" "$WORK/service.log")" -eq 2 ] || fail "more than one warning per outage"
terminate "$APP_PID" "the service"
stop_ser2net
raw="$(count)"

# RFC 2217: the server's line takes the display's settings; the strings arrive as they are.
: >"$WORK/received"
PORT="$(free_port)"
start_ser2net "telnet(rfc2217),tcp,127.0.0.1,$PORT"
start_app "rfc2217://127.0.0.1:$PORT" "4800,n,8,1"
wait_strings 4 10
every_second 1
[ "$(stty -F "$LINE" speed)" = 4800 ] || fail "the server's line runs at $(stty -F "$LINE" speed), not 4800"
! grep -q "rfc2217://" "$WORK/service.log" || fail "warnings over RFC 2217"
terminate "$APP_PID" "the service"
stop_ser2net
! grep -qE 'Sanitizer|runtime error' "$WORK"/*.log || fail "sanitizer report"
echo "PASS: $raw strings over tcp:// (with the server restarted), $(count) over rfc2217:// at 4800 baud"
