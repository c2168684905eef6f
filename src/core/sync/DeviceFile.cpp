#include "DeviceFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <cerrno>
#include <poll.h>
#include <sys/stat.h>

namespace mrv {

namespace {

// Where QSerialPort looks for a name: one that is no path is a device in /dev.
QString devicePath(const QString &name)
{
    const bool path = name.startsWith(u'/') || name.startsWith(QLatin1String("./"))
                      || name.startsWith(QLatin1String("../"));
    return path ? name : QStringLiteral("/dev/") + name;
}

std::optional<DeviceFile> fileOf(int result, const struct stat &info)
{
    if (result != 0 || !S_ISCHR(info.st_mode))
        return std::nullopt;
    return DeviceFile {info.st_rdev,
                       qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec};
}

} // namespace

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
    return fileOf(::stat(QFile::encodeName(devicePath(name)).constData(), &info), info);
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
    const QString device = QFileInfo(devicePath(name)).canonicalFilePath();
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
