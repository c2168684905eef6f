// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "app/CommandLine.h"

namespace mrv {

// The whole program: command line, then the service (--headless) or the display check, main
// window, signals, event loop.
int runApplication(int argc, char **argv);

} // namespace mrv
