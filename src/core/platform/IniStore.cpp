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
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mrv::ini {

namespace {

// How often a file that changes while it is read is read again, and how long to wait first.
constexpr int kReadTries = 4;
constexpr unsigned long kRetryWaitMs = 20;

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a named pipe");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("of an unknown kind");
}

bool sameVersion(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size
           && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec
           && a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

enum class Read { Ok, Missing, Failed, Changed };

// One read of the whole file through one descriptor.
Read readOnce(const QByteArray &name, QByteArray &data, QString &why)
{
    struct stat before
    {
    };
    // Looked at before it is opened: opening a device or a pipe can block, or do something.
    if (::stat(name.constData(), &before) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return Read::Missing;
        why = qt_error_string(errno);
        return Read::Failed;
    }
    if (!S_ISREG(before.st_mode)) {
        why = QStringLiteral("not a regular file but %1").arg(kindOf(before.st_mode));
        return Read::Failed;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT)
            return Read::Changed; // gone since: a save renaming over it, most likely
        why = qt_error_string(errno);
        return Read::Failed;
    }
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    struct stat opened
    {
    };
    if (::fstat(fd, &opened) != 0) {
        why = qt_error_string(errno);
        return Read::Failed;
    }
    if (opened.st_dev != before.st_dev || opened.st_ino != before.st_ino)
        return Read::Changed;
    if (opened.st_size > IniFile::MaximumFileSize) {
        why = QStringLiteral("larger than %1 bytes").arg(IniFile::MaximumFileSize);
        return Read::Failed;
    }
    // One byte more than the size, to see a file that grew.
    data.resize(qsizetype(opened.st_size) + 1);
    qsizetype done = 0;
    for (;;) {
        if (done == data.size()) {
            if (done > IniFile::MaximumFileSize)
                break;
            data.resize(std::min<qsizetype>(data.size() * 2, IniFile::MaximumFileSize + 1));
        }
        const ssize_t got = ::read(fd, data.data() + done, data.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            why = qt_error_string(errno);
            return Read::Failed;
        }
        if (got == 0)
            break;
        done += got;
    }
    data.truncate(done);
    struct stat after
    {
    }, now {};
    if (::fstat(fd, &after) != 0 || ::stat(name.constData(), &now) != 0
        || !sameVersion(opened, after) || !sameVersion(opened, now) || done != opened.st_size)
        return Read::Changed;
    return Read::Ok;
}

} // namespace

Load load(const QString &path, QByteArray &data, QString *whyNot)
{
    data.clear();
    const QByteArray name = QFile::encodeName(path);
    QString why;
    for (int attempt = 0; attempt < kReadTries; ++attempt) {
        if (attempt > 0)
            QThread::msleep(kRetryWaitMs);
        const Read result = readOnce(name, data, why);
        if (result == Read::Ok)
            return Load::Ok;
        data.clear();
        if (result == Read::Missing)
            return Load::Missing;
        if (result == Read::Failed)
            break;
        why = QStringLiteral("it kept changing while it was read");
    }
    if (whyNot)
        *whyNot = why;
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

const QString kSaveMark = QStringLiteral("~mirovalent-save-");
constexpr int kSaveRandomLength = 6;

QString randomLetters()
{
    static constexpr char kLetters[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString letters;
    for (int i = 0; i < kSaveRandomLength; ++i)
        letters += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(62)]);
    return letters;
}

// Removes the temporary files that earlier saves of this file left behind. One that was
// written to in the last minute may belong to a save still running in another copy of the
// program, and stays.
void removeLeftovers(const QString &file)
{
    const QFileInfo info(file);
    const QString fileName = info.fileName();
    const QDateTime stale = QDateTime::currentDateTime().addSecs(-60);
    const auto entries =
            info.absoluteDir().entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &entry : entries) {
        if (isSaveTemporary(fileName, entry.fileName()) && entry.lastModified() < stale
            && QFile::remove(entry.filePath()))
            qCInfo(lcSettings).noquote()
                    << QStringLiteral("Removed %1, left by a save that did not finish")
                               .arg(entry.filePath());
    }
}

// The file a save replaces: a symbolic link is written through to the file it names.
QString fileToReplace(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    return info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
}

// Makes a new temporary file beside `file`, with the permissions of the file it will replace
// (or those a new file gets); its descriptor, or -1 with errno set.
int createTemporary(const QString &file, QString &temporary)
{
    const QFileInfo info(file);
    const QString prefix = info.absolutePath() + QStringLiteral("/.") + info.fileName() + kSaveMark;
    struct stat existing
    {
    };
    const bool replaces = ::stat(QFile::encodeName(file).constData(), &existing) == 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = prefix + randomLetters();
        const int fd = ::open(QFile::encodeName(temporary).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd >= 0 && replaces)
            (void)::fchmod(fd, existing.st_mode & 07777); // as good as it gets on FAT
        return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

bool isSaveTemporary(const QString &fileName, const QString &name)
{
    const QString prefix = u'.' + fileName + kSaveMark;
    if (!name.startsWith(prefix) || name.size() != prefix.size() + kSaveRandomLength)
        return false;
    const QStringView letters = QStringView(name).sliced(prefix.size());
    return std::all_of(letters.begin(), letters.end(),
                       [](QChar c) { return c.unicode() < 0x80 && c.isLetterOrNumber(); });
}

// The bytes go to a temporary file beside the file, are made durable, and the temporary file is
// renamed over the file, so a crash, a full disk or a power cut leaves either the old file or
// the new one. The temporary file's name is one nobody else writes, so that a save can clear
// what a killed save left without touching a person's own copies.
bool save(const QString &path, const QByteArray &data)
{
    QString why;
    const QString file = fileToReplace(path);
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(folder)) {
        why = QStringLiteral("cannot create the folder %1").arg(folder);
    } else {
        removeLeftovers(file);
        QString temporary;
        const int fd = createTemporary(file, temporary);
        if (fd < 0) {
            why = qt_error_string(errno);
        } else {
            const QByteArray temporaryName = QFile::encodeName(temporary);
            int error = writeDurably(fd, data);
            if (::close(fd) != 0 && !error)
                error = errno;
            if (!error
                && ::rename(temporaryName.constData(), QFile::encodeName(file).constData()) != 0)
                error = errno;
            if (error) {
                ::unlink(temporaryName.constData());
                why = qt_error_string(error);
            } else if (const int dir = ::open(QFile::encodeName(folder).constData(),
                                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                       dir >= 0) {
                ::fsync(dir); // the rename itself, where the file system keeps it
                ::close(dir);
            }
        }
    }
    if (why.isEmpty())
        return true;
    qCWarning(lcSettings).noquote() << QStringLiteral("Cannot save %1: %2").arg(path, why);
    return false;
}

} // namespace mrv::ini
