// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Any file, then one write of any section, key and value: the value reads back as far as a
// value line can hold it, a value with a line break is refused without touching the file,
// every other key reads as it did before, and the file keeps its encoding and line ends.

#include "platform/IniFile.h"

#include "FuzzSupport.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <memory>

namespace {

// Blanks, tabs and vertical tabs off both ends, as the reader takes them off; other white space
// (a form feed) stays. PCRE's \v would be every vertical space, hence the code.
QString trimmed(QString text)
{
    static const QRegularExpression ends("^[ \\t\\x0b]+|[ \\t\\x0b]+$");
    return text.remove(ends);
}

// What a read gives back for a stored value, as characters: trimmed, one pair of matching quotes
// gone, cut to the longest value.
QList<uint> asRead(const QString &value)
{
    QString text = trimmed(value);
    if (text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'')
        && text.back() == text.front())
        text = text.sliced(1, text.size() - 2);
    return text.toUcs4().mid(0, mrv::IniFile::MaximumValueLength);
}

// The file's text the simple way, without its byte-order mark: UTF-16LE after its mark, UTF-8,
// or else Windows-1252 (as ICU has it, where Qt has it) or Latin-1.
QString textOf(const QByteArray &file)
{
    if (file.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE)(file);
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(file);
    if (!utf8.hasError())
        return text;
    QStringDecoder ansi("windows-1252");
    return ansi.isValid() ? ansi(file) : QString::fromLatin1(file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const QString section = fuzz::text(input), key = fuzz::text(input), value = fuzz::text(input);
    const QByteArray before = QByteArray::fromStdString(input.ConsumeRemainingBytesAsString());
    const auto memory = std::make_shared<mrv::IniMemory>(before);
    mrv::IniFile ini(QStringLiteral("mrvl.ini"), memory);

    // Zone1 in the section written to, and a few names the file holds, found the simple way;
    // each with what it reads as now.
    QList<QStringList> others {{section, "Zone1"}};
    QString inSection;
    const QString textBefore = textOf(before);
    static const QRegularExpression lineEnd("\r\n|\r|\n");
    for (const QString &line : textBefore.split(lineEnd)) {
        const QString text = line.trimmed();
        if (text.startsWith(u'['))
            inSection = text.mid(1, text.indexOf(u']') - 1);
        else if (text.contains(u'=') && others.size() < 5)
            others.append({inSection, text.left(text.indexOf(u'='))});
    }
    for (QStringList &other : others)
        other << ini.read(other[0], other[1]);

    const bool stored = ini.write(section, key, value);
    fuzz::check(!stored || !value.contains(QRegularExpression("[\r\n]")), "line break stored");
    const QByteArray after = memory->content.value_or(QByteArray());
    if (!stored) {
        fuzz::check(after == before, "refused write changed the file");
        return 0;
    }
    for (const char *mark : {"\xEF\xBB\xBF", "\xFF\xFE"})
        fuzz::check(after.startsWith(mark) == before.startsWith(mark), "byte-order mark changed");
    if (!textBefore.contains(u'\n') && textBefore.contains(u'\r'))
        fuzz::check(!textOf(after).contains(u'\n'), "LF added to a file with CR line ends");
    fuzz::check(ini.read(section, key).toUcs4() == asRead(value), "value does not read back");
    const auto same = [](const QString &a, const QString &b) {
        return trimmed(a).compare(trimmed(b), Qt::CaseInsensitive) == 0;
    };
    for (const QStringList &other : others)
        if (!same(other[0], section) || !same(other[1], key))
            fuzz::check(ini.read(other[0], other[1]) == other[2], "another key changed");
    return 0;
}
