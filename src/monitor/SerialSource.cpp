#include "SerialSource.h"

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
        // not, the decoder copes with the garbage.
        if (e == QSerialPort::ResourceError && m_port.isOpen()) {
            const QString reason = tr("%1: %2").arg(m_device, m_port.errorString());
            m_port.close();
            Q_EMIT failed(reason);
        }
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
    if (!m_port.open(QIODevice::ReadOnly)) {
        *error = tr("cannot open %1: %2").arg(device, m_port.errorString());
        return false;
    }
    return true;
}

} // namespace mrv
