// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <optional>
#include <sys/types.h>

namespace mrv {

// Where a serial port finds `name`: a name that is no path ("ttyUSB0") is a device in /dev.
QString deviceFilePath(const QString &name);

// The device file `name` names: a bare name is in /dev, and symbolic links are followed to the
// device's own file (/dev/serial/by-id/usb-... to /dev/ttyUSB0). The path as given when it
// leads nowhere.
QString resolvedDevicePath(const QString &name);

// The lock file that marks the device as in use, in `folder`: "LCK.." and the device's own path
// (links resolved), less a leading "/dev/", with every "/" as "_" ("LCK..ttyUSB0"), as other
// programs name it. One device has one lock under whatever name it is opened.
QString lockFilePath(const QString &name, const QString &folder = QStringLiteral("/var/lock"));

// The running process that holds the device's lock file in `folder`, if any. Its first line holds
// the process id, in whichever form the program wrote it ("      1234" or "1234\nname\nhost").
std::optional<qint64> lockHolder(const QString &name,
                                 const QString &folder = QStringLiteral("/var/lock"));

// What is wrong with `name` as a device to open, found without opening it, for the user; empty
// when nothing is. Opening locks the device with a file named after its path: a path too long
// to name that file, or no file at all, would read as a lock held by another program.
QString devicePathProblem(const QString &name);

// True when the device open as `fd` has hung up: the adapter was pulled, or the other end of a
// pseudo-terminal closed. Such a descriptor never works again; the device must be opened anew.
bool deviceHungUp(int fd);

// A device file as the system keeps it. A device that goes away takes its file along, and one
// that comes gets a new file, even under a number just freed (as a new pseudo-terminal does):
// the time the file was made tells the two apart.
struct DeviceFile
{
    dev_t number = 0;
    // The file's status change time, which writes to a terminal leave alone.
    qint64 madeSeconds = 0;
    qint64 madeNanoseconds = 0;

    bool operator==(const DeviceFile &) const = default;
};

// The file that `name` leads to (a bare name is in /dev, symlinks are followed), or the file
// open as `fd`. None when there is no such file.
std::optional<DeviceFile> deviceFile(const QString &name);
std::optional<DeviceFile> deviceFile(int fd);

// The USB adapter behind a device, where the system knows one. The serial number is empty for
// adapters that have none, which tells identical ones apart only by where they are plugged.
struct UsbAdapter
{
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString serialNumber;

    bool operator==(const UsbAdapter &) const = default;
};

// Looks through every serial port the system lists: tens of milliseconds.
std::optional<UsbAdapter> usbAdapter(const QString &name);

} // namespace mrv
