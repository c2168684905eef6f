// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/IniBytes.h"
#include "platform/IniDocument.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace mrv {

// One INI file, read and written one value at a time in the way the Windows private-profile
// functions do, so files move between systems unchanged: names match case-insensitively,
// values are cut to 254 characters, and a write changes only the line it has to and keeps the
// file's encoding (UTF-8 with or without its byte-order mark, UTF-16LE with its mark, or
// Windows-1252 for a file that is not valid UTF-8).
// Every write is atomic (temporary file, then rename); a failed write leaves the file as it
// was and logs a warning in the category "mirovalent.settings".
// Nothing is cached: every call opens the file afresh; document() reads one version whole.
// A name may be empty: the empty key is the one written "=V", and the empty section holds the
// keys before the first section header, as Windows finds them.
class IniFile
{
public:
    // Longest value that read() returns, in characters.
    static constexpr int MaximumValueLength = 254;
    // Larger files are not settings files: they read as empty and are never rewritten.
    static constexpr qint64 MaximumFileSize = 16 * 1024 * 1024;

    explicit IniFile(QString path);
    // A file whose bytes are kept by `bytes`; `name` only names it in warnings.
    IniFile(QString name, std::shared_ptr<IniBytes> bytes);

    const QString &path() const { return m_path; }

    // The value of the key in the section, or empty text when the file, section or key is
    // missing or the file cannot be read.
    QString read(const QString &section, const QString &key) const;

    // The whole file as it is now, for reading many values from one version of it: empty for a
    // missing file, none (saying why) for one that cannot be read.
    std::optional<IniDocument> document(QString *why = nullptr) const;

    // Writes one value; creates the folder, file, section and key when missing. False on
    // failure, and for names or values that could never be read back (a line break in the
    // value, a key holding '=', a section holding ']', an empty name, a character that the
    // file's encoding cannot hold).
    bool write(const QString &section, const QString &key, const QString &value);

    struct Entry
    {
        QString section;
        QString key;
        QString value;
    };
    // Applies several writes as one save, with exactly the result of writing them one by one:
    // a refused entry is skipped and the others are still written. False when any entry was
    // refused or the save failed.
    bool writeAll(const QList<Entry> &entries);

private:
    ini::Load loadBytes(QByteArray &bytes, QString *why = nullptr) const;

    QString m_path;
    std::shared_ptr<IniBytes> m_bytes; // none: the file at m_path
};

// The folder that holds mrvl.ini, ending in exactly one separator: the program's folder when
// the file exists there, or when the folder is writable and not an installed location (a
// portable copy); otherwise configHome() + "/mirovalent/".
// Installed locations are /usr/bin, /usr/local/bin, /bin, anything under /opt, and any folder
// named bin beside ../share/applications/org.mirovalent.Mirovalent.desktop.
QString settingsFolder();
// settingsFolder() + "mrvl.ini".
QString defaultIniFilePath();

// The user's configuration folder: $XDG_CONFIG_HOME, or ~/.config where it is unset, empty or
// relative (which the standard calls invalid).
QString configHome();

// The same rule with its inputs given, for tests. An empty or relative configHome stands for
// ~/.config.
QString iniFolderFor(const QString &programFolder, const QString &configHome);

// Text without the blanks (spaces, tabs, vertical tabs) at its ends, as names and values are
// read.
QStringView trimmedBlanks(QStringView text);

} // namespace mrv
