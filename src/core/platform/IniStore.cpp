// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/IniStore.h"

#include "domain/Logging.h"

#include "platform/IniFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSaveFile>
#include <QSet>

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
    // Every key read opens the file again: one warning is enough for the whole run.
    static QMutex mutex;
    static QSet<QString> reported;
    const QString message = QStringLiteral("Cannot read %1: %2").arg(path, why);
    const QMutexLocker lock(&mutex);
    if (!reported.contains(message)) {
        reported.insert(message);
        qCWarning(lcSettings).noquote() << message;
    }
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

// QSaveFile names its temporary file after the file, a dot and six random letters (or digits)
// where the file system cannot hold a nameless one, such as FAT on a USB stick or a network
// share. A save killed before its rename leaves that file behind for good. A person's copy may
// be called mrvl.ini.backup or mrvl.ini.Backup, so only letters that mix cases past the first
// one make a name ours.
bool isTemporaryName(QStringView suffix)
{
    bool lower = false, upperPastFirst = false;
    for (qsizetype i = 0; i < suffix.size(); ++i) {
        const char16_t c = suffix[i].unicode();
        if (!(c < 0x80 && QChar::isLetterOrNumber(c)))
            return false;
        lower = lower || QChar::isLower(c);
        upperPastFirst = upperPastFirst || (i > 0 && QChar::isUpper(c));
    }
    return suffix.size() == 6 && lower && upperPastFirst;
}

// Removes the temporary files that earlier saves of this file left behind. One that was
// written to in the last minute may belong to a save still running in another copy of the
// program, and stays.
void removeLeftovers(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath(); // where QSaveFile writes
    const QFileInfo file(canonical.isEmpty() ? path : canonical);
    const QString prefix = file.fileName() + u'.';
    const QDateTime stale = QDateTime::currentDateTime().addSecs(-60);
    const auto entries =
            file.absoluteDir().entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &entry : entries) {
        const QString name = entry.fileName();
        if (name.startsWith(prefix) && isTemporaryName(QStringView(name).sliced(prefix.size()))
            && entry.lastModified() < stale && QFile::remove(entry.filePath()))
            qCInfo(lcSettings).noquote()
                    << QStringLiteral("Removed %1, left by a save that did not finish")
                               .arg(entry.filePath());
    }
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
        removeLeftovers(path);
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
