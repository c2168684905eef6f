#include "IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <utility>

namespace mrv {

Q_LOGGING_CATEGORY(lcSettings, "mirovalent.settings")

namespace {

// The file is handled as bytes: a write splices new bytes into the old ones, so every line it
// does not own (comments, unknown keys, other encodings, odd line endings) stays exactly as it
// was. Only names and the wanted value are ever decoded.

const QByteArray Bom("\xEF\xBB\xBF");

// What a file without a line end yet gets.
const QByteArray NewFileLineEnd("\n");

bool isBlank(char c)
{
    // '\r' counts as a blank so that CRLF files read like LF files.
    return c == ' ' || c == '\t' || c == '\r';
}

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

QString trimmedName(const QString &name)
{
    return trimmedBlanks(name).toString();
}

// UTF-8, falling back to Latin-1 for files saved in a legacy 8-bit code page, so that such a
// value shows its accented letters rather than replacement marks.
QString decode(QByteArrayView bytes)
{
    // A byte-order mark inside a value is text; only the one at the start of the file is skipped.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

bool isAscii(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
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

struct Line
{
    enum Kind { Other, Section, Key };
    Kind kind = Other;
    qsizetype next = 0; // first byte after the line and its line end
    bool hasEnd = false; // the line ends in '\n'
    QByteArrayView name; // section or key name, trimmed
    qsizetype valueBegin = 0; // the trimmed value of a key line, quotes included
    qsizetype valueEnd = 0;
};

// Reads the lines of the file one at a time, without copying.
class LineReader
{
public:
    explicit LineReader(QByteArrayView data)
        : m_data(data)
    {
        if (m_data.startsWith(QByteArrayView(Bom)))
            m_pos = Bom.size();
    }

    bool next(Line &line)
    {
        if (m_pos >= m_data.size())
            return false;
        const qsizetype start = m_pos;
        const qsizetype newline = m_data.indexOf('\n', start);
        const qsizetype end = newline < 0 ? m_data.size() : newline;
        line = Line();
        line.hasEnd = newline >= 0;
        line.next = line.hasEnd ? newline + 1 : end;
        m_pos = line.next;

        qsizetype first = start;
        while (first < end && isBlank(m_data[first]))
            ++first;
        if (first == end || m_data[first] == ';')
            return true; // blank line or comment

        const QByteArrayView content = m_data.sliced(first, end - first);
        if (content[0] == '[') {
            const qsizetype close = content.indexOf(']');
            if (close > 0) {
                line.kind = Line::Section;
                line.name = trimmed(content.sliced(1, close - 1));
            }
            return true;
        }

        const qsizetype equals = content.indexOf('=');
        if (equals < 0)
            return true;
        line.name = trimmed(content.first(equals));
        if (line.name.isEmpty())
            return true;
        line.kind = Line::Key;
        qsizetype valueBegin = first + equals + 1;
        qsizetype valueEnd = end;
        while (valueEnd > valueBegin && isBlank(m_data[valueEnd - 1]))
            --valueEnd;
        while (valueBegin < valueEnd && isBlank(m_data[valueBegin]))
            ++valueBegin;
        line.valueBegin = valueBegin;
        line.valueEnd = valueEnd;
        return true;
    }

private:
    QByteArrayView m_data;
    qsizetype m_pos = 0;
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

Location locate(QByteArrayView data, const Name &section, const Name &key)
{
    Location where;
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

QByteArray lineEndOf(const QByteArray &data)
{
    const qsizetype newline = data.indexOf('\n');
    if (newline < 0)
        return NewFileLineEnd;
    return (newline > 0 && data[newline - 1] == '\r') ? QByteArray("\r\n") : QByteArray("\n");
}

bool hasLineBreakOrNul(const QString &text)
{
    return text.contains(u'\n') || text.contains(u'\r') || text.contains(QChar(0));
}

// Why an entry cannot be stored so that it reads back, or empty text when it can.
QString refusal(const QString &section, const QString &key, const QString &value)
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
    return {};
}

// Applies one write to the file content. False when the entry cannot be stored.
bool applyWrite(QByteArray &data, const QString &path, const IniFile::Entry &entry)
{
    const QString section = trimmedName(entry.section);
    const QString key = trimmedName(entry.key);
    const QString why = refusal(section, key, entry.value);
    if (!why.isEmpty()) {
        qCWarning(lcSettings).noquote() << QStringLiteral("Not saving [%1] %2 to %3: %4")
                                                   .arg(entry.section, entry.key, path, why);
        return false;
    }

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
        if (!data.isEmpty() && data != Bom && !data.endsWith('\n'))
            data += lineEnd;
        data += '[' + section.toUtf8() + ']' + lineEnd + key.toUtf8() + '=' + value + lineEnd;
    }
    return true;
}

enum class Load { Ok, Missing, Failed };

Load load(const QString &path, QByteArray &data)
{
    data.clear();
    const QFileInfo info(path);
    if (!info.exists())
        return Load::Missing;
    QString why;
    if (!info.isFile()) {
        // A directory, a pipe or a device: opening a pipe could block for ever.
        why = QStringLiteral("not a regular file");
    } else if (info.size() > IniFile::MaximumFileSize) {
        why = QStringLiteral("larger than %1 bytes").arg(IniFile::MaximumFileSize);
    } else {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            why = file.errorString();
        } else {
            data = file.readAll(); // a regular file of a size checked just above
            if (file.error() != QFileDevice::NoError)
                why = file.errorString();
            else if (data.size() > IniFile::MaximumFileSize)
                why = QStringLiteral("larger than %1 bytes").arg(IniFile::MaximumFileSize);
        }
    }
    if (why.isEmpty())
        return Load::Ok;
    data.clear();
    qCWarning(lcSettings).noquote() << QStringLiteral("Cannot read %1: %2").arg(path, why);
    return Load::Failed;
}

// QSaveFile writes a temporary file and renames it over the old one, so a crash, a full disk or
// a power cut leaves either the old file or the new one. It also writes through a symbolic
// link and keeps the permissions of the file it replaces.
bool save(const QString &path, const QByteArray &data)
{
    QString why;
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        why = QStringLiteral("cannot create the folder %1").arg(folder);
    } else {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
            why = file.errorString();
            file.cancelWriting();
        } else if (!file.commit()) {
            why = file.errorString();
        }
    }
    if (why.isEmpty())
        return true;
    qCWarning(lcSettings).noquote() << QStringLiteral("Cannot save %1: %2").arg(path, why);
    return false;
}

QString withOneSeparator(const QString &folder)
{
    QString clean = QDir::cleanPath(QDir::fromNativeSeparators(folder));
    if (!clean.endsWith(u'/'))
        clean += u'/';
    return clean;
}

// A folder that a package manager or an administrator installed the program into. Such a
// folder may be writable (running as root), but settings written there would be shared by all
// users and lost or clobbered on the next upgrade. A folder named bin next to our desktop entry
// is an installed tree even outside the usual prefixes, such as a package unpacked for a look.
bool isInstalledLocation(const QString &folder)
{
    const QString canonical = withOneSeparator(QFileInfo(folder).canonicalFilePath());
    for (const QString &path : {folder, canonical}) {
        if (path == u"/usr/bin/" || path == u"/usr/local/bin/" || path == u"/bin/"
            || (path.startsWith(u"/opt/") && path.size() > 5))
            return true;
    }
    return QDir(folder).dirName() == u"bin"
           && QFileInfo::exists(folder
                                + QStringLiteral("../share/applications/mirovalent.desktop"));
}

} // namespace

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{ }

QString IniFile::read(const QString &section, const QString &key) const
{
    const QString sectionName = trimmedName(section);
    const QString keyName = trimmedName(key);
    if (sectionName.isEmpty() || keyName.isEmpty())
        return {};
    QByteArray data;
    if (load(m_path, data) != Load::Ok)
        return {};
    const Location where = locate(data, Name(sectionName), Name(keyName));
    if (!where.keyFound)
        return {};
    return valueText(
            QByteArrayView(data).sliced(where.valueBegin, where.valueEnd - where.valueBegin));
}

bool IniFile::write(const QString &section, const QString &key, const QString &value)
{
    return writeAll({Entry {section, key, value}});
}

bool IniFile::writeAll(const QList<Entry> &entries)
{
    QByteArray data;
    if (load(m_path, data) == Load::Failed) {
        qCWarning(lcSettings).noquote()
                << QStringLiteral("Not saving %1: its current content cannot be read").arg(m_path);
        return false;
    }
    const QByteArray before = data;
    bool allStored = true;
    for (const Entry &entry : entries)
        allStored = applyWrite(data, m_path, entry) && allStored;
    if (data == before)
        return allStored; // nothing to change, so nothing to risk
    return save(m_path, data) && allStored;
}

QString iniFolderFor(const QString &programFolder, const QString &configHome)
{
    if (!programFolder.isEmpty()) {
        const QString folder = withOneSeparator(programFolder);
        if (QFileInfo::exists(folder + QStringLiteral("mrvl.ini"))
            || (QFileInfo(folder).isWritable() && !isInstalledLocation(folder)))
            return folder;
    }
    QString home = configHome;
    if (home.isEmpty() || QDir::isRelativePath(QDir::fromNativeSeparators(home)))
        home = QDir::homePath() + QStringLiteral("/.config");
    return withOneSeparator(QDir::fromNativeSeparators(home) + QStringLiteral("/mirovalent"));
}

QString GetINIPath()
{
    return iniFolderFor(QCoreApplication::applicationDirPath(),
                        qEnvironmentVariable("XDG_CONFIG_HOME"));
}

QString defaultIniFilePath()
{
    return GetINIPath() + QStringLiteral("mrvl.ini");
}

QStringView trimmedBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
        ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.sliced(begin, end - begin);
}

} // namespace mrv
