#pragma once

#include <QList>
#include <QString>

namespace mrv {

// One INI file, read and written one value at a time in the way the Windows private-profile
// functions do, so files move between systems unchanged: names match case-insensitively,
// values are cut to 254 characters, and a write changes only the line it has to.
// Every write is atomic (temporary file, then rename); a failed write leaves the file as it
// was and logs a warning in the category "mirovalent.settings".
class IniFile
{
public:
    explicit IniFile(QString path);

    const QString &path() const { return m_path; }

    // The value of the key in the section, or empty text when the file, section or key is
    // missing or the file cannot be read.
    QString read(const QString &section, const QString &key) const;

    // Writes one value; creates the file, section and key when missing. False on failure.
    bool write(const QString &section, const QString &key, const QString &value);

    struct Entry
    {
        QString section;
        QString key;
        QString value;
    };
    // Applies several writes as one save, with exactly the result of writing them one by one.
    bool writeAll(const QList<Entry> &entries);

private:
    QString m_path;
};

// The folder that holds mrvl.ini, ending in exactly one separator: the program's folder when
// the file exists there or the folder is writable (a portable copy), otherwise
// $XDG_CONFIG_HOME/mirovalent/ (default ~/.config/mirovalent/).
QString GetINIPath();
// GetINIPath() + "mrvl.ini".
QString defaultIniFilePath();

// The same rule with its inputs given, for tests.
QString iniFolderFor(const QString &programFolder, const QString &configHome);

} // namespace mrv
