// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/SerialPort.h"

#include "domain/Logging.h"

#include "platform/DeviceFile.h"
#include "domain/LineSettings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <linux/serial.h>
#include <sys/ioctl.h>

namespace mrv {

namespace {

// USB serial adapters hold written bytes for up to 16 ms to fill a packet unless the tty asks
// for low latency; a display's second would start that late. Where the driver has no such
// flag (a pseudo-terminal, a plain UART), nothing changes.
void requestLowLatency(int fd)
{
    serial_struct serial {};
    if (::ioctl(fd, TIOCGSERIAL, &serial) != 0 || (serial.flags & ASYNC_LOW_LATENCY))
        return;
    serial.flags |= ASYNC_LOW_LATENCY;
    ::ioctl(fd, TIOCSSERIAL, &serial);
}

} // namespace

SerialPort::SerialPort(QObject *parent)
    : SerialPort(new QSerialPort, parent)
{ }

SerialPort::SerialPort(QSerialPort *port, QObject *parent)
    : QObject(parent)
    , m_port(port)
{
    m_port->setParent(this);
    connect(m_port, &QSerialPort::errorOccurred, this, &SerialPort::onError);
}

SerialPort::~SerialPort()
{
    // Nothing may be reported from a port that is going away with us.
    m_port->disconnect(this);
    closePort();
}

bool SerialPort::open(const QString &device, const QString &lineSettings)
{
    close();
    m_device = device;
    m_settings = lineSettings;
    if (!openDevice())
        return false;
    m_file = deviceFile(int(m_port->handle())).value_or(DeviceFile {});
    m_adapter = usbAdapter(m_device);
    m_otherDevice.reset();
    return true;
}

void SerialPort::close()
{
    m_lost = false;
    closePort();
}

bool SerialPort::isOpen() const
{
    return m_port->isOpen();
}

bool SerialPort::write(const QByteArray &bytes)
{
    // The reason the port is closed (a failed opening, a loss) stays in errorString().
    if (!m_port->isOpen() || bytes.isEmpty())
        return false;
    // A hang-up the event loop has not passed on yet: said as such rather than as the write
    // error it would cause.
    if (deviceHungUp(int(m_port->handle()))) {
        onHangUp();
        return false;
    }

    // Whatever an earlier write left unsent carries a time that has passed (frames are a
    // second or more apart, far longer than nine bytes take on any line). Drop it, from our
    // buffer and the driver's, so the display only ever gets the newest time, and a driver
    // queue that nobody drains never makes this write fail for want of room.
    m_port->clear(QSerialPort::Output);
    if (!m_port->isOpen())
        return false; // the line failed while clearing and is closed now

    if (m_port->write(bytes) != bytes.size()) {
        if (m_port->isOpen())
            loseLine(m_port->errorString());
        return false;
    }
    // Hand the bytes to the driver now rather than on the next event-loop pass; this never
    // blocks. What the driver cannot take yet stays queued and goes out when it can. A failure
    // arrives through onError(), which closes the port.
    m_port->flush();
    return m_port->isOpen();
}

QString SerialPort::errorString() const
{
    return m_error;
}

bool SerialPort::wasLost() const
{
    return m_lost;
}

bool SerialPort::reopenIfLost()
{
    if (!m_lost)
        return false;
    // Whatever else has the name now belongs to somebody else, and even opening it could
    // disturb it; what is open is looked at again, as the name may have changed in between.
    const QString lossReason = m_error;
    const std::optional<DeviceFile> file = deviceFile(m_device);
    if (!file || !isLostDevice(*file) || !openDevice())
        return false;
    if (deviceFile(int(m_port->handle())) != file) {
        closePort();
        m_error = lossReason;
        return false;
    }
    m_file = *file;
    m_lost = false;
    qCInfo(lcSync, "The serial port %s works again.", qUtf8Printable(m_device));
    return true;
}

void SerialPort::onError(QSerialPort::SerialPortError error)
{
    // Errors of a failed opening are read in openDevice(); errors raised while we close the
    // port ourselves, or after, are echoes of a failure already handled.
    if (m_closing || !m_port->isOpen())
        return;
    if (error == QSerialPort::ResourceError || error == QSerialPort::WriteError)
        loseLine(m_port->errorString());
}

void SerialPort::onHangUp()
{
    if (m_closing || !m_port->isOpen())
        return;
    loseLine(tr("the device hung up (unplugged, or its other end closed)"));
}

bool SerialPort::openDevice()
{
    m_error.clear();
    if (m_device.isEmpty()) {
        m_error = tr("No serial device was given.");
        return false;
    }

    const LineSettingsResult parsed = parseLineSettings(m_settings);
    if (!parsed.settings) {
        m_error = tr("Cannot open %1: the line settings “%2” cannot be used: %3.")
                          .arg(m_device, m_settings, parsed.error);
        return false;
    }

    // Opened by the device's own path, so that its lock (LCK..ttyUSB0) is the one every program
    // takes for it, whichever link (/dev/serial/by-id/...) names it here.
    m_port->setPortName(resolvedDevicePath(m_device));
    if (!applyLineSettings(*m_port, *parsed.settings)) {
        m_error = tr("Cannot open %1: the line settings “%2” cannot be used: %3.")
                          .arg(m_device, m_settings, m_port->errorString());
        m_port->clearError();
        return false;
    }

    // Checked first, as the failing lock would tell the user the wrong thing.
    if (const QString problem = devicePathProblem(m_device); !problem.isEmpty()) {
        m_error = tr("Cannot open %1: %2.").arg(m_device, problem);
        return false;
    }
    // Qt's own lock counts only locks written the way Qt writes them and clears any other as
    // stale; one held by another program (minicom, a getty, lockdev) must stop us as well.
    if (const auto pid = lockHolder(m_device); pid && *pid != QCoreApplication::applicationPid()) {
        m_error = tr("Cannot open %1: it is busy or locked by another program (process %2 holds "
                     "%3).")
                          .arg(m_device)
                          .arg(*pid)
                          .arg(lockFilePath(m_device));
        return false;
    }
    if (!m_port->open(QIODevice::WriteOnly)) {
        m_error = openFailure();
        m_port->clearError();
        return false;
    }
    m_port->clearError();
    requestLowLatency(int(m_port->handle()));
    // An exception notice never comes for bytes the display might send back, which nobody reads
    // on this write-only line; it comes for a hang-up, under both of Qt's event loops.
    m_hangUpWatch = new QSocketNotifier(m_port->handle(), QSocketNotifier::Exception, this);
    connect(m_hangUpWatch, &QSocketNotifier::activated, this, &SerialPort::onHangUp);
    return true;
}

QString SerialPort::openFailure() const
{
    const QString why = m_port->errorString();
    switch (m_port->error()) {
    case QSerialPort::DeviceNotFoundError:
        return tr("Cannot open %1: no such device (%2).").arg(m_device, why);
    case QSerialPort::PermissionError: {
        // The same error comes for a device held by another program (its lock) and for one
        // the user may not write to; only the latter is helped by the group.
        const QFileInfo file(deviceFilePath(m_device));
        if (file.exists() && !file.isWritable()) {
            return tr("Cannot open %1: permission denied (%2). You may need to be a member of "
                      "the “dialout” group (then log in again).")
                    .arg(m_device, why);
        }
        return tr("Cannot open %1: it is busy or locked by another program (%2).")
                .arg(m_device, why);
    }
    default:
        return tr("Cannot open %1: %2.").arg(m_device, why);
    }
}

void SerialPort::loseLine(const QString &reason)
{
    m_error = tr("The serial port %1 stopped working and was closed: %2.").arg(m_device, reason);
    closePort();
    m_lost = true;
    qCWarning(lcSync, "%s", qUtf8Printable(m_error));
    Q_EMIT lost(m_error);
}

bool SerialPort::isLostDevice(const DeviceFile &file)
{
    if (file == m_file)
        return true; // the very file that was open: the device never went away
    // A new file is the lost device only as the same adapter come back. Asking the system is
    // slow, so a file found to be another adapter is not asked about again; one not known yet
    // (the system may still be setting it up) is asked about at the next attempt.
    if (!m_adapter || file == m_otherDevice)
        return false;
    const std::optional<UsbAdapter> adapter = usbAdapter(m_device);
    // Without a serial number, identical adapters differ only in where they are plugged.
    const bool same = adapter == m_adapter
                      && (!m_adapter->serialNumber.isEmpty() || file.number == m_file.number);
    if (adapter && !same)
        m_otherDevice = file;
    return same;
}

void SerialPort::closePort()
{
    // The watch goes first: its descriptor is about to be closed, and the number may be reused.
    // It may be the sender of the notice being handled, so it is deleted later.
    if (m_hangUpWatch) {
        m_hangUpWatch->setEnabled(false);
        m_hangUpWatch->deleteLater();
        m_hangUpWatch = nullptr;
    }
    if (!m_port->isOpen())
        return;
    // Errors raised while closing (the driver repeats a failure) are echoes; onError() ignores
    // them.
    m_closing = true;
    m_port->close();
    m_port->clearError();
    m_closing = false;
}

} // namespace mrv
