// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Reading a settings file whole and saving it whole, with the checks that keep a broken file,
// a device or a full disk from doing harm.

#include <QByteArray>
#include <QString>

namespace mrv::ini {

enum class Load { Ok, Missing, Failed };

// The file's bytes; a file that cannot be read logs a warning and leaves data empty.
Load load(const QString &path, QByteArray &data);

// Replaces the file with these bytes, or leaves it as it was and logs a warning.
bool save(const QString &path, const QByteArray &data);

} // namespace mrv::ini
