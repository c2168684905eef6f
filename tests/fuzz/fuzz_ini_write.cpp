// Any file, then one write of any section, key and value: the value reads back as far as a
// value line can hold it, a value with a line break is refused without touching the file, and
// every other key reads as it did before.

#include "settings/IniFile.h"

#include "FuzzSupport.h"

#include <QRegularExpression>

namespace {

// Blanks and tabs off both ends, as the reader takes them off; other white space stays.
QString trimmed(QString text)
{
    static const QRegularExpression ends("^[ \\t]+|[ \\t]+$");
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const QString section = fuzz::text(input), key = fuzz::text(input), value = fuzz::text(input);
    const QByteArray before = QByteArray::fromStdString(input.ConsumeRemainingBytesAsString());
    mrv::IniFile ini(fuzz::scratchFile(before));

    // Zone1 in the section written to, and a few names the file holds, found the simple way;
    // each with what it reads as now.
    QList<QStringList> others {{section, "Zone1"}};
    QString inSection;
    for (const QByteArray &line : before.split('\n')) {
        const QByteArray text = line.trimmed();
        if (text.startsWith('['))
            inSection = QString::fromUtf8(text.mid(1, text.indexOf(']') - 1));
        else if (text.contains('=') && others.size() < 5)
            others.append({inSection, QString::fromUtf8(text.left(text.indexOf('=')))});
    }
    for (QStringList &other : others)
        other << ini.read(other[0], other[1]);

    const bool stored = ini.write(section, key, value);
    fuzz::check(!stored || !value.contains(QRegularExpression("[\r\n]")), "line break stored");
    if (!stored) {
        QFile file(ini.path());
        fuzz::check(file.open(QIODevice::ReadOnly) && file.readAll() == before,
                    "refused write changed the file");
        return 0;
    }
    fuzz::check(ini.read(section, key).toUcs4() == asRead(value), "value does not read back");
    const auto same = [](const QString &a, const QString &b) {
        return trimmed(a).compare(trimmed(b), Qt::CaseInsensitive) == 0;
    };
    for (const QStringList &other : others)
        if (!same(other[0], section) || !same(other[1], key))
            fuzz::check(ini.read(other[0], other[1]) == other[2], "another key changed");
    return 0;
}
