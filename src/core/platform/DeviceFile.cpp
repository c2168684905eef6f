// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/DeviceFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <cerrno>
#include <climits>
#include <csignal>
#include <limits>
#include <poll.h>
#include <sys/stat.h>

namespace mrv {

namespace {

std::optional<DeviceFile> fileOf(int result, const struct stat &info)
{
    if (result != 0 || !S_ISCHR(info.st_mode))
        return std::nullopt;
    // Kept as seconds and nanoseconds: their product as one count of nanoseconds overflows
    // 64 bits after 2262.
    return DeviceFile {info.st_rdev, qint64(info.st_ctim.tv_sec), qint64(info.st_ctim.tv_nsec)};
}

} // namespace

QString deviceFilePath(const QString &name)
{
    const bool path = name.startsWith(u'/') || name.startsWith(QLatin1String("./"))
                      || name.startsWith(QLatin1String("../"));
    return path ? name : QStringLiteral("/dev/") + name;
}

QString devicePathProblem(const QString &name)
{
    const QString path = deviceFilePath(name);
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0
        && (errno == ENOENT || errno == ENOTDIR)) {
        return QCoreApplication::translate("mrv::DeviceFile", "no such device (%1)")
                .arg(qt_error_string(ENOENT));
    }
    if (QFile::encodeName(QFileInfo(lockFilePath(name)).fileName()).size() > NAME_MAX) {
        return QCoreApplication::translate(
                "mrv::DeviceFile",
                "the device path is too long (a shorter one, such as a symlink to the device, "
                "works)");
    }
    return QString();
}

QString resolvedDevicePath(const QString &name)
{
    const QString path = deviceFilePath(name);
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

QString lockFilePath(const QString &name, const QString &folder)
{
    const QString path = resolvedDevicePath(name);
    QString lockName = path.startsWith(QLatin1String("/dev/")) ? path.mid(5) : path;
    lockName.replace(u'/', u'_');
    return folder + QStringLiteral("/LCK..") + lockName;
}

std::optional<qint64> lockHolder(const QString &name, const QString &folder)
{
    QFile lock(lockFilePath(name, folder));
    if (!lock.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const qint64 pid = lock.readLine(64).trimmed().toLongLong(&ok);
    if (!ok || pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return std::nullopt;
    // A process of another user still runs when it may not be signalled.
    if (::kill(pid_t(pid), 0) != 0 && errno != EPERM)
        return std::nullopt;
    return pid;
}

bool deviceHungUp(int fd)
{
    // A hang-up is reported whatever was asked for, so asking for nothing never sees bytes
    // that merely wait to be read.
    pollfd p {fd, 0, 0};
    int ready = 0;
    do
        ready = ::poll(&p, 1, 0);
    while (ready < 0 && errno == EINTR);
    return ready > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
}

std::optional<DeviceFile> deviceFile(const QString &name)
{
    struct stat info
    {
    };
    return fileOf(::stat(QFile::encodeName(deviceFilePath(name)).constData(), &info), info);
}

std::optional<DeviceFile> deviceFile(int fd)
{
    struct stat info
    {
    };
    return fileOf(::fstat(fd, &info), info);
}

std::optional<UsbAdapter> usbAdapter(const QString &name)
{
    const QString device = QFileInfo(deviceFilePath(name)).canonicalFilePath();
    if (device.isEmpty())
        return std::nullopt;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &port : ports) {
        if (port.systemLocation() == device && port.hasVendorIdentifier()
            && port.hasProductIdentifier())
            return UsbAdapter {port.vendorIdentifier(), port.productIdentifier(),
                               port.serialNumber()};
    }
    return std::nullopt;
}

} // namespace mrv
