// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace mrv {

// One version of a settings file, read once and held in memory: every value comes from the same
// text, however often the file changes meanwhile. Names and values read exactly as
// IniFile::read() reads them.
class IniDocument
{
public:
    // No file: every value reads as empty.
    IniDocument() = default;
    // The text of a file holding these bytes, in any encoding the reader knows.
    explicit IniDocument(const QByteArray &fileBytes);

    // The file as it is now: empty for a missing file, none (saying why, and logging it once)
    // for one that cannot be read.
    static std::optional<IniDocument> load(const QString &path, QString *why = nullptr);

    QString read(const QString &section, const QString &key) const;

private:
    QByteArray m_utf8;
};

} // namespace mrv
