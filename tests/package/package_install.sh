#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# The program as the package installs it: the .deb (or, without dpkg-dev, a plain install)
# holds the files a desktop needs, and the installed program, started in a desktop session,
# keeps its settings in the user's config folder rather than beside itself.
set -euo pipefail
BUILD="$1"
HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/../xsession.sh"

xsession_workdir

if command -v dpkg-shlibdeps >/dev/null && command -v file >/dev/null; then
    cpack --config "$BUILD/CPackConfig.cmake" -B "$WORK/cpack" >"$WORK/cpack.log" 2>&1 \
        || fail "cpack failed"
    deb="$(ls "$WORK"/cpack/mirovalent_*.deb)"
    depends="$(dpkg-deb -f "$deb" Depends)"
    for need in fonts-liberation2 libqt6widgets6 libqt6serialport6; do
        grep -q "$need" <<<"$depends" || fail "Depends lacks $need: $depends"
    done
    [ "$(dpkg-deb -f "$deb" Section)" = utils ] || fail "section is not utils"
    dpkg -x "$deb" "$WORK/root" || fail "dpkg -x failed"
else
    echo "dpkg-shlibdeps or file missing: checking a plain install instead of the package"
    cmake --install "$BUILD" --prefix "$WORK/root/usr" >"$WORK/install.log" || fail "install"
fi
U="$WORK/root/usr"
for f in bin/mirovalent bin/mirovalent-monitor share/applications/mirovalent.desktop \
         share/icons/hicolor/scalable/apps/mirovalent.svg \
         share/icons/hicolor/32x32/apps/mirovalent.png share/man/man1/mirovalent.1; do
    [ -s "$U/$f" ] || fail "$f not installed"
done
desktop="$U/share/applications/mirovalent.desktop"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop entry is not valid"
else
    echo "desktop-file-validate missing (desktop-file-utils): entry not validated"
fi
for line in Exec=mirovalent Icon=mirovalent 'Categories=Utility;Clock;'; do
    grep -qx "$line" "$desktop" || fail "desktop entry lacks $line"
done
if command -v groff >/dev/null; then
    warnings="$(LC_ALL=C.UTF-8 groff -t -man -ww -z "$U/share/man/man1/mirovalent.1" 2>&1)"
    [ -z "$warnings" ] || fail "man page: $warnings"
fi
"$U/bin/mirovalent" --version | grep -q '^mirovalent [0-9]' || fail "--version"

# The service: its unit where Debian 12's systemd looks, its account, and the settings file
# the unit names, a conffile holding every key once at the program's defaults.
R="$WORK/root"
unit="$R/lib/systemd/system/mirovalent-sync.service"
[ -s "$unit" ] && [ -s "$R/usr/lib/sysusers.d/mirovalent.conf" ] || fail "service not installed"
conf="$(sed -n 's/^ExecStart=.* --config \([^ ]*\).*/\1/p' "$unit")"
[ -n "$conf" ] && [ -f "$R$conf" ] || fail "the unit reads '$conf', which is not installed"
if [ -n "${deb:-}" ]; then
    [ "$(dpkg-deb -I "$deb" conffiles)" = "$conf" ] || fail "$conf is not the one conffile"
fi
expected="$(printf '%s\n' '[Settings]CommPort=1' '[Settings]SyncInt=0' '[Settings]Setting=9600,n,8,1' \
    '[Zone]Zone'{1..4}'=-1' '[Zone]DST'{1..4}'=0' '[Zone]DS'{S,E}{1..4}'=' '[Ports]COM'{1..6}'=' | sort)"
actual="$(awk '/^\[/ { section = $0; next } /^[^;]/ { print section $0 }' "$R$conf" | sort)"
[ "$actual" = "$expected" ] || fail "$conf: $(diff <(echo "$expected") <(echo "$actual"))"
if command -v systemd-analyze >/dev/null; then
    # As installed, but with this package's program and manual page: the host has neither.
    mkdir -p "$WORK/unit"
    sed "s|=/usr/bin/mirovalent |=$U/bin/mirovalent |" "$unit" >"$WORK/unit/${unit##*/}"
    # verify reports a directive it cannot use, and still ends with status 0.
    out="$(MANPATH="$U/share/man" systemd-analyze verify "$WORK/unit/${unit##*/}" 2>&1)" \
        && [ -z "$out" ] || fail "unit: $out"
else
    echo "systemd-analyze missing (systemd): the unit is not verified"
fi

# A user with a display on a pseudo-terminal and nothing but [Ports] in their settings.
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/home/cfg"
ini="$XDG_CONFIG_HOME/mirovalent/mrvl.ini"
mkdir -p "$(dirname "$ini")"
printf '[Ports]\nCOM1=%s\n' "$WORK/display" >"$ini"
xsession_start tray
start_display_monitor "$U/bin/mirovalent-monitor" "$WORK" --count 1 --timeout 20
"$U/bin/mirovalent" >"$WORK/app.log" 2>&1 &
APP_PID=$!
XS_PIDS+=("$APP_PID")
wait "$MONITOR_PID" || fail "the installed program sent no frame"
terminate "$APP_PID" "the installed program"
grep -q '^SyncInt=0$' "$ini" || fail "settings not saved to $ini: $(cat "$ini")"
grep -q "^COM1=$WORK/display\$" "$ini" || fail "[Ports] lost: $(cat "$ini")"
[ ! -e "$U/bin/mrvl.ini" ] || fail "settings written beside the installed program"
echo "PASS: package files and service valid; installed program saved to \$XDG_CONFIG_HOME/mirovalent"
