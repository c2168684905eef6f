// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>

namespace mrv {

// Starting at login the freedesktop way: a desktop entry in the user's autostart folder,
// $XDG_CONFIG_HOME/autostart (normally ~/.config/autostart), which every desktop that follows
// the XDG autostart rules runs at login. The program is on when the entry exists.
QString autostartEntryPath();
bool startsAtLogin();

// Writes the entry so that a login runs `program` with `arguments`, or removes it. False, with
// the entry's path and the reason in `error`, when the folder or the entry could not be
// written or removed; the entry is then as it was.
bool setStartAtLogin(bool on, const QString &program, const QStringList &arguments, QString *error);

// The Exec line of a desktop entry for `program` with `arguments`: each one quoted where the
// desktop's launcher would otherwise split or expand it.
QString desktopExecLine(const QString &program, const QStringList &arguments);

} // namespace mrv
