#include "IniStore.h"

#include "IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace mrv::ini {

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

} // namespace mrv::ini
