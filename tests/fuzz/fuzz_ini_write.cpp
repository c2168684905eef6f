// Any file, then one write of any section, key and value: the value reads back as far as a
// value line can hold it, a value with a line break is refused without touching the file, and
// every other key reads as it did before.

#include "settings/IniFile.h"

#include "FuzzSupport.h"

#include <QRegularExpression>

#include <string>

namespace {

// Blanks and tabs off both ends, as the reader takes them off; other white space stays.
QString trimmedBlanks(const QString &text)
{
    static const QRegularExpression ends(QStringLiteral("^[ \\t]+|[ \\t]+$"));
    return QString(text).remove(ends);
}

// What a read gives back for a stored value: blanks at the ends and one pair of matching quotes
// gone, cut to the longest value.
QString asRead(const QString &value)
{
    QString text = trimmedBlanks(value);
    if (text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'')
        && text.back() == text.front())
        text = text.sliced(1, text.size() - 2);
    const std::u32string characters = text.toStdU32String();
    if (characters.size() <= mrv::IniFile::MaximumValueLength)
        return text;
    return QString::fromStdU32String(characters.substr(0, mrv::IniFile::MaximumValueLength));
}

// A few section and key names the file holds, found the simple way.
QList<std::pair<QString, QString>> namesIn(const QByteArray &file)
{
    QList<std::pair<QString, QString>> names;
    QString section;
    for (const QByteArray &line : file.split('\n')) {
        const QByteArray text = line.trimmed();
        if (text.startsWith('['))
            section = QString::fromUtf8(text.mid(1, text.indexOf(']') - 1));
        else if (text.contains('=') && names.size() < 4)
            names.append({section, QString::fromUtf8(text.left(text.indexOf('=')))});
    }
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const QString section = fuzz::takeText(input);
    const QString key = fuzz::takeText(input);
    const QString value = fuzz::takeText(input);
    const QByteArray before = QByteArray::fromStdString(input.ConsumeRemainingBytesAsString());
    mrv::IniFile ini(fuzz::scratchFile(before));

    QList<std::pair<QString, QString>> others = namesIn(before);
    others.append({section, QStringLiteral("Zone1")});
    QStringList old;
    for (const auto &[s, k] : others)
        old << ini.read(s, k);

    const bool stored = ini.write(section, key, value);
    if (value.contains(u'\n') || value.contains(u'\r'))
        fuzz::check(!stored, "value with a line break stored");
    if (!stored) {
        fuzz::check(fuzz::bytesOf(ini.path()) == before, "refused write changed the file");
        return 0;
    }
    fuzz::check(ini.read(section, key) == asRead(value), "value does not read back");
    const auto same = [](const QString &a, const QString &b) {
        return trimmedBlanks(a).compare(trimmedBlanks(b), Qt::CaseInsensitive) == 0;
    };
    for (qsizetype i = 0; i < others.size(); ++i) {
        const auto &[s, k] = others[i];
        if (!(same(s, section) && same(k, key)))
            fuzz::check(ini.read(s, k) == old[i], "another key changed");
    }
    return 0;
}
