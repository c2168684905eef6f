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

// The file's bytes, read through one descriptor opened without blocking; only a regular file
// (or a link to one) is read, and only up to IniFile::MaximumFileSize. A file that changes while
// it is read is read again a moment later. A file that cannot be read logs a warning (once),
// says why and leaves data empty.
Load load(const QString &path, QByteArray &data, QString *why = nullptr);

// Replaces the file with these bytes, or leaves it as it was and logs a warning. Removes the
// temporary files that earlier saves of it left behind, and nothing else.
bool save(const QString &path, const QByteArray &data);

// Whether `name` is one of the temporary files a save of the file `fileName` writes (in the same
// folder): ".<fileName>~mirovalent-save-" and six letters or digits.
bool isSaveTemporary(const QString &fileName, const QString &name);

} // namespace mrv::ini
