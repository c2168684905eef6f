// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "app/CommandLine.h"

#include <functional>

namespace mrv {

class MainWindow;

// The whole program: command line, then the service (--headless) or the display check, main
// window, signals, event loop. Given
// `driveTicks`, the window does not tick by itself: the caller drives it (benchmarks compare
// other timers this way).
int runApplication(int argc, char **argv, const std::function<void(MainWindow &)> &driveTicks = {});

} // namespace mrv
