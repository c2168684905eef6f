#!/usr/bin/env bash

# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# The Debian package as scripts/package builds it: hardened binaries, a clean lintian report,
# the dependencies a desktop needs, the install tree unchanged, one conffile, and maintainer
# scripts that create the service's account without enabling or starting the service.
# Exits 77 (skipped) where the packaging tools are not installed.
set -euo pipefail
BUILD="$1"
HERE="$(cd "$(dirname "$0")" && pwd)"
source "$HERE/../xsession.sh"

for tool in dpkg-buildpackage dh dh_installsysusers lintian blhc; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool missing"; exit 77; }
done
xsession_workdir

deb="$(nice bash "$HERE/../../scripts/package" "$WORK/out" 2>"$WORK/build.log")" \
    || fail "the package did not build"
changes="$(ls "$WORK"/out/mirovalent_*.changes)"

# Every compiler and linker call used the hardening flags of dpkg-buildflags (PIE is the
# compiler's default on Debian).
blhc --debian --all "$WORK/build.log" >"$WORK/blhc.out" 2>&1 || fail "build flags: $(cat "$WORK/blhc.out")"
lintian --pedantic --fail-on error,warning --color never "$changes" >"$WORK/lintian.out" 2>&1 \
    || fail "lintian: $(grep -E '^[EW]:' "$WORK/lintian.out" || cat "$WORK/lintian.out")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Version)" = "$("$BUILD/src/gui/app/mirovalent" --version | cut -d' ' -f2)-1" ] \
    || fail "version $(field Version) is not the program's"
[ "$(field Section)" = utils ] || fail "section is $(field Section)"
for need in fonts-liberation2 libqt6widgets6 libqt6serialport6 'systemd | systemd-standalone-sysusers'; do
    grep -qF "$need" <<<"$(field Depends)" || fail "Depends lacks $need: $(field Depends)"
done
[ "$(field Recommends)" = "qt6-wayland, qt6-translations-l10n" ] || fail "Recommends is '$(field Recommends)'"

# The package holds the install tree of the build, manual pages compressed, plus its copyright,
# changelog and lintian overrides.
cmake --install "$BUILD" --prefix "$WORK/tree/usr" >"$WORK/install.log" || fail "install"
expected="$(cd "$WORK/tree" && find . -type f | sed 's|/man1/\(.*\)$|/man1/\1.gz|'
            printf '%s\n' ./usr/share/doc/mirovalent/copyright \
                ./usr/share/doc/mirovalent/changelog.Debian.gz ./usr/share/lintian/overrides/mirovalent)"
expected="$(sort <<<"$expected")"
actual="$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)"
[ "$actual" = "$expected" ] || fail "package contents: $(diff <(echo "$expected") <(echo "$actual"))"
[ "$(dpkg-deb -I "$deb" conffiles)" = /etc/mirovalent/mrvl.ini ] \
    || fail "conffiles: $(dpkg-deb -I "$deb" conffiles)"

# The maintainer scripts, run with every command they call replaced by one that notes the call.
# A first install and an upgrade create the account and never enable or start the service; on a
# host running systemd, an upgrade restarts it only if it runs and a removal stops it.
dpkg-deb -e "$deb" "$WORK/control"
mkdir -p "$WORK/stubs"
for command in systemd-sysusers deb-systemd-helper deb-systemd-invoke systemctl; do
    # As deb-systemd-helper answers: before the first install the package's units are unknown,
    # and an unknown unit counts as enabled; after it, the unit is known and, as the
    # administrator never enabled it, not enabled.
    cat >"$WORK/stubs/$command" <<STUB
#!/bin/sh
echo $command "\$@" >>"$WORK/calls"
case " \$* " in
*" debian-installed "*) [ -n "\${UPGRADE:-}" ] ;;
*" was-enabled "*) [ -z "\${UPGRADE:-}" ] ;;
esac
STUB
    chmod +x "$WORK/stubs/$command"
done
for upgrade in "" 1.0.0-1; do
    : >"$WORK/calls"
    PATH="$WORK/stubs:$PATH" UPGRADE="$upgrade" sh -e "$WORK/control/postinst" configure $upgrade \
        || fail "postinst configure $upgrade failed"
    grep -qx 'systemd-sysusers mirovalent.conf' "$WORK/calls" \
        || fail "postinst configure $upgrade does not create the account: $(cat "$WORK/calls")"
    if grep -E ' (enable|start|restart|reenable) ' "$WORK/calls"; then
        fail "postinst configure $upgrade enables or starts the service"
    fi
done
invoked() { grep -o 'deb-systemd-invoke [a-z-]*' "$WORK/control/$1" | sort -u | tr '\n' ' '; }
[ "$(invoked postinst)" = "deb-systemd-invoke try-restart " ] || fail "postinst: $(invoked postinst)"
[ "$(invoked prerm)" = "deb-systemd-invoke stop " ] || fail "prerm: $(invoked prerm)"
grep -q '"$1" = remove' "$WORK/control/prerm" || fail "prerm stops the service on upgrades too"
echo "PASS: $(basename "$deb") hardened, lintian clean, contents and scripts as intended"
