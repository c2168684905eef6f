// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Any file and any names: reading never crashes or hangs, and never returns more characters
// than a value may hold. The same text saved as UTF-16LE, as Windows-1252 or with CR line ends
// reads the same as in UTF-8 with LF line ends.

#include "platform/IniDocument.h"
#include "platform/IniFile.h"

#include "FuzzSupport.h"

#include <QStringDecoder>
#include <QStringEncoder>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const QString section = fuzz::text(input), key = fuzz::text(input);
    const QByteArray bytes = QByteArray::fromStdString(input.ConsumeRemainingBytesAsString());
    const auto read = [&](const QByteArray &file) {
        return mrv::IniDocument(file).read(section, key);
    };
    const QString value = read(bytes);
    fuzz::check(value.toUcs4().size() <= mrv::IniFile::MaximumValueLength, "value too long");
    if (!bytes.isValidUtf8() || bytes.startsWith("\xEF\xBB\xBF"))
        return 0;

    const QString text = QString::fromUtf8(bytes);
    const QByteArray utf16 =
            QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom)(text);
    fuzz::check(read(utf16) == value, "UTF-16LE reads differently");
    if (!bytes.contains('\r'))
        fuzz::check(read(QByteArray(bytes).replace('\n', '\r')) == value, "CR reads differently");
    // Windows-1252 as another implementation has it (ICU, where Qt has it): a file it cannot
    // tell from UTF-8 is UTF-8.
    QStringEncoder encoder("windows-1252");
    QStringDecoder decoder("windows-1252");
    if (!encoder.isValid() || !decoder.isValid())
        return 0;
    const QByteArray ansi = encoder(text);
    if (!encoder.hasError() && !ansi.isValidUtf8() && decoder(ansi) == text)
        fuzz::check(read(ansi) == value, "Windows-1252 reads differently");
    return 0;
}
