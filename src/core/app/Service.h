// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

namespace mrv {

// The sync alone, as a service: no window, no tray, no display connection. Reads the settings
// file (again on SIGHUP) and never writes it; SIGTERM and SIGINT end it with status 0.
int runService(int argc, char **argv, const QString &iniPath);

} // namespace mrv
