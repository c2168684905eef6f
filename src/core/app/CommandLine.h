// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QStringList>

namespace mrv {

// What the command line asks for. Checked before anything needs a display.
struct CommandLine
{
    enum Action { Run, Help, Version, Fail };
    Action action = Run;
    bool headless = false; // the sync alone, without a window, as a service
    QString configPath; // empty for the usual place
    QString error; // one line, for Fail
};

// Reads the arguments, the program's name first.
CommandLine parseCommandLine(const QStringList &arguments);

// The text --help prints.
extern const char *const kUsage;

} // namespace mrv
