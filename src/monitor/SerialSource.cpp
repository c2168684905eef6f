// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SerialSource.h"

#include "platform/DeviceFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace mrv {

SerialSource::SerialSource(QObject *parent)
    : ByteSource(parent)
    , m_port(this)
    , m_reader([this](const QByteArray &bytes,
                      const ReadStamp &stamp) { deliverFromReader(bytes, stamp); },
               [this](int error) {
                   // Only a vanished device ends the monitor; a framing or parity error on one
                   // byte does not, the decoder copes with the garbage.
                   if (!deviceGone(error))
                       return true;
                   const QString reason = tr("%1: the device went away").arg(m_device);
                   failFromReader(reason);
                   return false;
               })
{ }

SerialSource::~SerialSource()
{
    m_reader.stop();
    if (m_fd >= 0)
        ::close(m_fd);
}

bool SerialSource::deviceGone(int error) const
{
    // A device that hung up (pulled, or the other end of a pseudo-terminal closed) reads as
    // nothing at once, for ever; it is told from a bad byte by the hang-up or its missing file.
    return error == EBADF || error == ENODEV || deviceHungUp(m_fd) || !deviceFile(m_device);
}

bool SerialSource::open(const QString &device, const LineSettings &line, QString *error)
{
    m_device = device;
    m_port.setPortName(device);
    if (!applyLineSettings(m_port, line)) {
        *error = tr("cannot open %1: the line settings cannot be used: %2")
                         .arg(device, m_port.errorString());
        m_port.clearError();
        return false;
    }
    if (const QString problem = devicePathProblem(device); !problem.isEmpty()) {
        *error = tr("cannot open %1: %2").arg(device, problem);
        return false;
    }
    // The reading descriptor comes first: the port object makes the device exclusive, after which
    // the device opens for no one else, this program included.
    m_fd = ::open(QFile::encodeName(deviceFilePath(device)).constData(),
                  O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        *error = tr("cannot open %1: %2").arg(device, systemError(errno));
        return false;
    }
    const auto fail = [this, error, &device](const QString &reason) {
        *error = tr("cannot open %1: %2").arg(device, reason);
        m_port.close();
        ::close(m_fd);
        m_fd = -1;
        return false;
    };
    if (!m_port.open(QIODevice::WriteOnly))
        return fail(m_port.errorString());
    // A port opened for writing leaves the receiver as it found it; this one must receive.
    termios tio {};
    if (::tcgetattr(m_fd, &tio) != 0)
        return fail(systemError(errno));
    tio.c_cflag |= CREAD;
    if (::tcsetattr(m_fd, TCSANOW, &tio) != 0)
        return fail(systemError(errno));
    int problem = 0;
    if (!m_reader.start(m_fd, &problem))
        return fail(systemError(problem));
    return true;
}

} // namespace mrv
