# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# Shared by scripts/run, scripts/test and friends: install what is missing, configure, build.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev qt6-base-dev-tools
                qt6-tools-dev qt6-l10n-tools fonts-liberation2 clang-format)
# What scripts/package needs to build the Debian package: debian/control's Build-Depends, and
# the tools dpkg-buildpackage takes for granted.
PACKAGE_BUILD_PACKAGES=(build-essential dpkg-dev debhelper cmake qt6-base-dev qt6-serialport-dev
                        qt6-l10n-tools qt6-tools-dev)
TEST_PACKAGES=(tzdata xvfb xauth openbox trayer socat ser2net xdotool x11-utils desktop-file-utils
               dpkg-dev file weston qt6-wayland qt6-translations-l10n gpsd gpsd-clients faketime
               reuse appstream groff-base lintian blhc "${PACKAGE_BUILD_PACKAGES[@]}")

# ensure_packages pkg... installs the Debian packages that are not installed yet. apt-get
# update runs only when something is missing, so a set-up machine starts at once.
ensure_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null; then sudo=(sudo); else
            echo "error: need root (or sudo) to install: ${missing[*]}" >&2; return 1
        fi
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build_preset name [targets...]: configure (once) and build.
build_preset() {
    local preset="$1"; shift
    local dir="$ROOT/build/$preset"
    if [ ! -f "$dir/build.ninja" ]; then
        cmake --preset "$preset" -S "$ROOT" >/dev/null
    fi
    cmake --build "$dir" "$@"
}
