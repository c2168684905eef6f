#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# The program as installed: the install tree (exactly what the Debian package holds) has the
# files a desktop, a software centre and the service manager need, each valid and naming the
# others correctly, and the installed program, started in a desktop session, keeps its settings
# in the user's config folder rather than beside itself.
set -euo pipefail
BUILD="$1"
HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/../xsession.sh"

xsession_workdir

R="$WORK/root"
U="$R/usr"
ID=org.mirovalent.Mirovalent
cmake --install "$BUILD" --prefix "$U" >"$WORK/install.log" || fail "install"

# Every file, and nothing else: a file missing here is missing from the package, and a stray one
# (a test program, an old name) would ship.
files=(usr/bin/mirovalent usr/bin/mirovalent-monitor
       "usr/share/applications/$ID.desktop" "usr/share/metainfo/$ID.metainfo.xml"
       "usr/share/icons/hicolor/scalable/apps/$ID.svg"
       usr/share/man/man1/mirovalent.1 usr/share/man/man1/mirovalent-monitor.1
       lib/systemd/system/mirovalent-sync.service usr/lib/sysusers.d/mirovalent.conf
       etc/mirovalent/mrvl.ini)
for size in 16 22 24 32 48 64 128 256; do
    files+=("usr/share/icons/hicolor/${size}x$size/apps/$ID.png")
done
expected="$(printf '%s\n' "${files[@]}" | sort)"
actual="$(cd "$R" && find . -type f | sed 's|^\./||' | sort)"
[ "$actual" = "$expected" ] || fail "installed files differ: $(diff <(echo "$expected") <(echo "$actual"))"
for png in "$U"/share/icons/hicolor/*x*/apps/$ID.png; do
    size="$(basename "$(dirname "$(dirname "$png")")")"
    kind="$(file -b "$png")"
    [[ "$kind" == "PNG image data, ${size/x/ x },"* ]] || fail "$png is not a $size PNG: $kind"
done

# The desktop entry: valid, and naming the program and the icon the theme holds.
desktop="$U/share/applications/$ID.desktop"
desktop-file-validate "$desktop" || fail "desktop entry is not valid"
for line in Exec=mirovalent "Icon=$ID" 'Categories=Utility;Clock;'; do
    grep -qx "$line" "$desktop" || fail "desktop entry lacks $line"
done

# The software-centre metadata: valid (the one pedantic note is the id's capital letter, which
# the id keeps), and agreeing with what is installed.
metainfo="$U/share/metainfo/$ID.metainfo.xml"
appstreamcli validate --pedantic --no-net "$metainfo" >"$WORK/appstream.log" 2>&1 \
    || fail "metainfo is not valid"
if grep -E '^[EWIP]:' "$WORK/appstream.log" | grep -v ': cid-contains-uppercase-letter '; then
    fail "metainfo: the validator has more to say than the id's capital letter"
fi
tag() { sed -n "s|.*<$1[^>]*>\(.*\)</$1>.*|\1|p" "$metainfo"; }
[ "$(tag id)" = "$ID" ] || fail "metainfo id is $(tag id)"
[ "$(tag launchable)" = "$ID.desktop" ] || fail "metainfo launches $(tag launchable)"
[ "$(tag binary | sort)" = "$(ls "$U/bin" | sort)" ] || fail "metainfo provides $(tag binary)"
version="$("$U/bin/mirovalent" --version)" || fail "--version"
grep -q "<release version=\"${version#mirovalent }\"" "$metainfo" \
    || fail "metainfo has no release for $version"

# The manual pages: no warnings, and every option the programs know is described.
for program in mirovalent mirovalent-monitor; do
    page="$U/share/man/man1/$program.1"
    warnings="$(LC_ALL=C.UTF-8 groff -t -man -ww -z "$page" 2>&1)"
    [ -z "$warnings" ] || fail "$program.1: $warnings"
    text="$(sed 's/\\-/-/g' "$page")"
    for option in $("$U/bin/$program" --help | grep -o -E -- '--[a-z][a-z-]*' | sort -u); do
        grep -q -E -- "$option([^a-z-]|$)" <<<"$text" || fail "$program.1 does not describe $option"
    done
done

# The service: its unit where Debian 12's systemd looks, its account, and the settings file
# the unit names, a conffile holding every key once at the program's defaults.
unit="$R/lib/systemd/system/mirovalent-sync.service"
conf="$(sed -n 's/^ExecStart=.* --config \([^ ]*\).*/\1/p' "$unit")"
[ -n "$conf" ] && [ -f "$R$conf" ] || fail "the unit reads '$conf', which is not installed"
expected="$(printf '%s\n' '[Settings]CommPort=1' '[Settings]SyncInt=0' '[Settings]Setting=9600,n,8,1' \
    '[Zone]Zone'{1..4}'=-1' '[Zone]DST'{1..4}'=0' '[Zone]DS'{S,E}{1..4}'=' '[Zone]DSTRule'{1..4}'=' \
    '[Ports]COM'{1..6}'=' | sort)"
actual="$(awk '/^\[/ { section = $0; next } /^[^;]/ { print section $0 }' "$R$conf" | sort)"
[ "$actual" = "$expected" ] || fail "$conf: $(diff <(echo "$expected") <(echo "$actual"))"
if command -v systemd-analyze >/dev/null; then
    # As installed, but with this tree's program and manual page: the host has neither.
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
echo "PASS: installed files valid and consistent; installed program saved to \$XDG_CONFIG_HOME/mirovalent"
