// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "StreamDecoder.h"
#include "domain/LineSettings.h"

#include <QString>
#include <QStringList>

namespace mrv {

// What the monitor was asked to do, from its command line.
struct MonitorOptions
{
    QString device; // serial device to read; empty with `pty`
    bool pty = false; // create a pseudo-terminal and listen on it instead
    QString link; // with `pty`: a symlink to create that points at its slave end
    QString settingsText = QStringLiteral("9600,n,8,1");
    LineSettings line;
    InputFormat format = InputFormat::Auto;
    bool json = false;
    qint64 count = 0; // stop after this many frames and strings; 0 runs on
    qint64 timeoutMs = 0; // give up when nothing decoded for this long; 0 waits for ever
};

struct ParsedOptions
{
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Error;
    MonitorOptions options;
    QString text; // the help or version text, or the reason the command line is unusable
};

// `arguments` includes the program name first, as QCoreApplication::arguments() gives it.
ParsedOptions parseMonitorOptions(const QStringList &arguments);

} // namespace mrv
