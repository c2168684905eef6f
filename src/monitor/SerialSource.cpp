// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SerialSource.h"

#include "sync/DeviceFile.h"
#include "zones/Clock.h"

namespace mrv {

SerialSource::SerialSource(const Clock &clock, QObject *parent)
    : ByteSource(parent)
    , m_clock(clock)
    , m_port(this)
{
    connect(&m_port, &QSerialPort::readyRead, this, [this] {
        const QDateTime arrival = m_clock.localNow();
        const QByteArray bytes = m_port.readAll();
        if (!bytes.isEmpty())
            Q_EMIT bytesArrived(bytes, arrival);
    });
    connect(&m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        // Only a vanished device ends the monitor; a framing or parity error on one byte does
        // not, the decoder copes with the garbage. A device that hung up (pulled, or the other
        // end of a pseudo-terminal closed) reads as nothing at once, for ever: each read is a
        // read error, and it is told from a bad byte by the hang-up or by its missing file.
        if (!m_port.isOpen())
            return;
        QString reason;
        if (e == QSerialPort::ResourceError)
            reason = m_port.errorString();
        else if (e == QSerialPort::ReadError
                 && (deviceHungUp(int(m_port.handle())) || !deviceFile(m_device)))
            reason = tr("the device went away");
        if (reason.isEmpty())
            return;
        m_port.close();
        Q_EMIT failed(tr("%1: %2").arg(m_device, reason));
    });
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
    if (!m_port.open(QIODevice::ReadOnly)) {
        *error = tr("cannot open %1: %2").arg(device, m_port.errorString());
        return false;
    }
    return true;
}

} // namespace mrv
