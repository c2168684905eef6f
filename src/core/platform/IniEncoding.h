// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// How the bytes of a settings file are text. Windows reads a file that starts with the
// byte-order mark FF FE as UTF-16LE ("Unicode" in Notepad). Others are UTF-8, with or without
// their mark, unless they are not valid UTF-8: then they were saved in the Windows ANSI code
// page, read as Windows-1252. The reader and the writer work on the text as UTF-8, and a save
// gives the file back its own encoding and mark.

#include <QByteArray>
#include <QString>

namespace mrv::ini {

enum class Encoding { Utf8, Utf16Le, Windows1252 };

struct FileText
{
    Encoding encoding = Encoding::Utf8;
    QByteArray bom; // the byte-order mark the file starts with, if any
    QByteArray utf8; // the rest, as UTF-8
    bool exact = true; // encoding the text again gives back the file's bytes
};

FileText decodeFile(const QByteArray &bytes);
// The bytes of a file holding this text.
QByteArray encodeFile(const FileText &text);

// Whether a file in this encoding can hold the text.
bool canHold(Encoding encoding, QStringView text);
QString nameOf(Encoding encoding);

} // namespace mrv::ini
