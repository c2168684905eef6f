// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The text of a settings file as the reader and the writer see it: its lines, and the names
// and values on them. The text is handled as UTF-8 bytes: a write splices new bytes into the
// old ones, so every line it does not own (comments, unknown keys, odd line endings) stays
// exactly as it was. Only names and the wanted value are ever decoded.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace mrv::ini {

// Text without the blanks at its ends: spaces, tabs and vertical tabs, as Windows counts them.
QByteArrayView trimmed(QByteArrayView text);

// Windows reads a Ctrl-Z (0x1A), the end-of-file mark of DOS editors, at the very end of the
// file as no part of the text. The text the lines are read from, and where new lines go.
QByteArrayView withoutEndOfFileMark(QByteArrayView data);

QString decode(QByteArrayView utf8);

bool isAscii(QByteArrayView bytes);

struct Line
{
    enum Kind { Other, Section, Key };
    Kind kind = Other;
    qsizetype next = 0; // first byte after the line and its line end
    bool hasEnd = false; // the line ends in a line end, not at the end of the file
    QByteArrayView name; // section or key name, trimmed; a key's may be empty ("=V")
    qsizetype valueBegin = 0; // the trimmed value of a key line, quotes included
    qsizetype valueEnd = 0;
};

// Reads the lines of the file one at a time, without copying, up to a Ctrl-Z that ends it.
class LineReader
{
public:
    explicit LineReader(QByteArrayView data);
    bool next(Line &line);

private:
    QByteArrayView m_data;
    qsizetype m_pos = 0;
    qsizetype m_nextCr; // -1: none left
    qsizetype m_nextLf;
};

// Lines end in CR, LF or CR LF, even mixed in one file, as Windows reads them. New lines get
// the file's first line end, so that a file keeps the line ends it has.
QByteArray lineEndOf(QByteArrayView data);
bool endsInLineEnd(QByteArrayView data);

} // namespace mrv::ini
