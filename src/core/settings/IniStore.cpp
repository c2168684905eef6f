#include "IniStore.h"

#include "IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

#include <unistd.h>

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

namespace {

// Writes all the bytes to the descriptor and makes them durable. Returns 0, or the errno of the
// failure: the file device's own buffer would hide it and report "Unknown error", or nothing.
int writeDurably(int descriptor, QByteArrayView data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t written = ::write(descriptor, data.data() + done, data.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : EIO;
        done += written;
    }
    // Some file systems only report a full disk here. A file that cannot be synced is no error.
    if (::fsync(descriptor) != 0 && errno != EINVAL && errno != EROFS)
        return errno;
    return 0;
}

} // namespace

// QSaveFile writes a temporary file and renames it over the old one, so a crash, a full disk or
// a power cut leaves either the old file or the new one. It also writes through a symbolic
// link and keeps the permissions of the file it replaces. The bytes go straight to the
// temporary file, so that a failed write is seen before the rename.
bool save(const QString &path, const QByteArray &data)
{
    QString why;
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        why = QStringLiteral("cannot create the folder %1").arg(folder);
    } else {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            why = file.errorString();
        } else if (const int error = writeDurably(file.handle(), data)) {
            why = qt_error_string(error);
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
