// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/IniFile.h"

#include "domain/Logging.h"

#include "platform/IniEncoding.h"
#include "platform/IniStore.h"
#include "platform/IniText.h"

#include <utility>

namespace mrv {

namespace {

using namespace ini;

QString trimmedName(const QString &name)
{
    return trimmedBlanks(name).toString();
}

// A name as the caller gave it, prepared for comparing with many names in the file.
class Name
{
public:
    explicit Name(const QString &name)
        : m_text(name)
        , m_utf8(name.toUtf8())
    {
        m_ascii = isAscii(m_utf8);
    }

    bool isEmpty() const { return m_text.isEmpty(); }

    bool matches(QByteArrayView candidate) const
    {
        // The sized comparison: the C-string one stops at a NUL, so "a\0x" would match "a\0y".
        if (m_ascii && isAscii(candidate))
            return candidate.compare(m_utf8, Qt::CaseInsensitive) == 0;
        return decode(candidate).compare(m_text, Qt::CaseInsensitive) == 0;
    }

private:
    QString m_text;
    QByteArray m_utf8;
    bool m_ascii = true;
};

// Where a key is, or where it would go.
struct Location
{
    bool sectionFound = false;
    bool keyFound = false;
    qsizetype valueBegin = 0; // the key's value, when found
    qsizetype valueEnd = 0;
    qsizetype insertAt = 0; // after the section's last key, when the key is not found
    bool insertNeedsLineEnd = false; // the line before insertAt has no line end
};

// The keys before the first section header are found with the empty section name.
Location locate(QByteArrayView data, const Name &section, const Name &key)
{
    Location where;
    where.sectionFound = section.isEmpty();
    LineReader reader(data);
    Line line;
    while (reader.next(line)) {
        if (line.kind == Line::Section) {
            if (where.sectionFound)
                break; // only the first section of a name counts
            if (section.matches(line.name)) {
                where.sectionFound = true;
                where.insertAt = line.next;
                where.insertNeedsLineEnd = !line.hasEnd;
            }
        } else if (line.kind == Line::Key && where.sectionFound) {
            if (key.matches(line.name)) {
                where.keyFound = true;
                where.valueBegin = line.valueBegin;
                where.valueEnd = line.valueEnd;
                break;
            }
            where.insertAt = line.next;
            where.insertNeedsLineEnd = !line.hasEnd;
        }
    }
    return where;
}

QString valueText(QByteArrayView raw)
{
    if (raw.size() >= 2 && (raw.front() == '"' || raw.front() == '\'')
        && raw.back() == raw.front()) {
        raw = raw.sliced(1, raw.size() - 2);
    }
    // What follows a NUL is junk, not text: the value ends there.
    const qsizetype nul = raw.indexOf('\0');
    if (nul >= 0)
        raw = raw.first(nul);

    QString text = decode(raw);
    // Cut after MaximumValueLength characters without splitting a surrogate pair.
    qsizetype units = 0;
    for (int characters = 0; units < text.size(); ++characters) {
        if (characters == IniFile::MaximumValueLength) {
            text.truncate(units);
            break;
        }
        units += (text[units].isHighSurrogate() && units + 1 < text.size()
                  && text[units + 1].isLowSurrogate())
                         ? 2
                         : 1;
    }
    return text;
}

bool hasLineBreakOrNul(const QString &text)
{
    return text.contains(u'\n') || text.contains(u'\r') || text.contains(QChar(0));
}

// Why an entry cannot be stored so that it reads back, or empty text when it can.
QString refusal(const QString &section, const QString &key, const QString &value, Encoding encoding)
{
    if (section.isEmpty() || key.isEmpty())
        return QStringLiteral("empty section or key name");
    if (hasLineBreakOrNul(section) || hasLineBreakOrNul(key))
        return QStringLiteral("line break in a name");
    if (hasLineBreakOrNul(value))
        return QStringLiteral("line break in the value");
    if (section.contains(u']'))
        return QStringLiteral("']' in the section name");
    if (key.contains(u'=') || key.startsWith(u';') || key.startsWith(u'['))
        return QStringLiteral("'=' in the key name, or a key name starting with ';' or '['");
    if (!canHold(encoding, section) || !canHold(encoding, key) || !canHold(encoding, value))
        return QStringLiteral("a character that %1 cannot hold").arg(nameOf(encoding));
    return {};
}

// Applies one write to the file content. False when the entry cannot be stored.
bool applyWrite(FileText &text, const QString &path, const IniFile::Entry &entry)
{
    const QString section = trimmedName(entry.section);
    const QString key = trimmedName(entry.key);
    const QString why = refusal(section, key, entry.value, text.encoding);
    if (!why.isEmpty()) {
        qCWarning(lcSettings).noquote() << QStringLiteral("Not saving [%1] %2 to %3: %4")
                                                   .arg(entry.section, entry.key, path, why);
        return false;
    }

    QByteArray &data = text.utf8;
    const QByteArray value = entry.value.toUtf8();
    const QByteArray lineEnd = lineEndOf(data);
    const Location where = locate(data, Name(section), Name(key));
    if (where.keyFound) {
        data.replace(where.valueBegin, where.valueEnd - where.valueBegin, value);
    } else if (where.sectionFound) {
        QByteArray line;
        if (where.insertNeedsLineEnd)
            line += lineEnd;
        line += key.toUtf8() + '=' + value + lineEnd;
        data.insert(where.insertAt, line);
    } else {
        // A new section goes before a Ctrl-Z that ends the file, which stays last.
        const QByteArrayView text = withoutEndOfFileMark(data);
        QByteArray lines;
        if (!text.isEmpty() && !endsInLineEnd(text))
            lines += lineEnd;
        lines += '[' + section.toUtf8() + ']' + lineEnd + key.toUtf8() + '=' + value + lineEnd;
        data.insert(text.size(), lines);
    }
    return true;
}

} // namespace

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{ }

IniDocument::IniDocument(const QByteArray &fileBytes)
    : m_utf8(decodeFile(fileBytes).utf8)
{ }

std::optional<IniDocument> IniDocument::load(const QString &path, QString *why)
{
    return IniFile(path).document(why);
}

QString IniDocument::read(const QString &section, const QString &key) const
{
    const Location where = locate(m_utf8, Name(trimmedName(section)), Name(trimmedName(key)));
    if (!where.keyFound)
        return {};
    return valueText(
            QByteArrayView(m_utf8).sliced(where.valueBegin, where.valueEnd - where.valueBegin));
}

IniFile::IniFile(QString path, std::shared_ptr<IniBytes> bytes)
    : m_path(std::move(path))
    , m_bytes(std::move(bytes))
{ }

std::optional<IniDocument> IniFile::document(QString *why) const
{
    QByteArray bytes;
    switch (loadBytes(bytes, why)) {
    case Load::Ok:
        return IniDocument(bytes);
    case Load::Missing:
        return IniDocument();
    case Load::Failed:
        break;
    }
    return std::nullopt;
}

QString IniFile::read(const QString &section, const QString &key) const
{
    const std::optional<IniDocument> text = document();
    return text ? text->read(section, key) : QString();
}

bool IniFile::write(const QString &section, const QString &key, const QString &value)
{
    return writeAll({Entry {section, key, value}});
}

Load IniFile::loadBytes(QByteArray &bytes, QString *why) const
{
    return m_bytes ? m_bytes->load(bytes, why) : ini::load(m_path, bytes, why);
}

bool IniFile::writeAll(const QList<Entry> &entries)
{
    QByteArray bytes;
    if (loadBytes(bytes) == Load::Failed) {
        qCWarning(lcSettings).noquote()
                << QStringLiteral("Not saving %1: its current content cannot be read").arg(m_path);
        return false;
    }
    FileText text = decodeFile(bytes);
    const QByteArray before = text.utf8;
    bool allStored = true;
    for (const Entry &entry : entries)
        allStored = applyWrite(text, m_path, entry) && allStored;
    if (text.utf8 == before)
        return allStored; // nothing to change, so nothing to risk
    // Nothing tells Windows-1252 from UTF-8 but bytes that UTF-8 does not allow: a save that
    // replaced the last of them could leave a file that reads as other text.
    const QByteArray after = encodeFile(text);
    QString why;
    if (!text.exact)
        why = QStringLiteral("it holds bytes that are not %1 text, which a save would change");
    else if (decodeFile(after).utf8 != text.utf8)
        why = QStringLiteral("once saved, its %1 text would read as other text");
    else if (after.size() > MaximumFileSize) // it could not be read again
        why = QStringLiteral("it would grow past %1 bytes").arg(MaximumFileSize);
    if (!why.isEmpty()) {
        qCWarning(lcSettings).noquote()
                << QStringLiteral("Not saving %1: %2").arg(m_path, why.arg(nameOf(text.encoding)));
        return false;
    }
    return (m_bytes ? m_bytes->save(after) : save(m_path, after)) && allStored;
}

QStringView trimmedBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    const auto isBlank = [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\v';
    };
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

} // namespace mrv
