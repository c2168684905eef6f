# SPDX-FileCopyrightText: 2026 The Mirovalent authors
#
# SPDX-License-Identifier: GPL-3.0-or-later

# Shared by the script benchmarks: where the program and the monitor are, the packages they
# need, and the X session helpers of the tests.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
APP="${MIROVALENT_APP:-$ROOT/build/default/src/gui/app/mirovalent}"
MON="${MIROVALENT_MONITOR:-$ROOT/build/default/src/monitor/mirovalent-monitor}"
# The same program ticked by a free-running timer, as the baseline.
BASELINE_APP="${MIROVALENT_BASELINE_APP:-$ROOT/build/default/bench/baseline/mirovalent-baseline}"
for bin in "$APP" "$MON" "$BASELINE_APP"; do
    [ -x "$bin" ] || { echo "missing $bin; build: cmake --build build/default --target mirovalent mirovalent-monitor mirovalent-baseline" >&2; exit 2; }
done
# shellcheck source=scripts/lib.sh
source "$ROOT/scripts/lib.sh"
ensure_packages jq "${TEST_PACKAGES[@]}"
# shellcheck source=tests/xsession.sh
source "$ROOT/tests/xsession.sh"
