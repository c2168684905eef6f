// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/Display.h"

#include "app/DisplayFile.h"
#include "domain/LineSettings.h"
#include "domain/Logging.h"
#include "platform/DeviceFile.h"
#include "platform/PortFactory.h"

#include <QCoreApplication>
#include <QFile>

namespace mrv {

namespace {

// Who holds the serial lock of the device, under whatever name either opened it: this very
// program (another of its displays names the same device), a running `mirovalent --headless`,
// or someone else (nothing to add to the port's own reason).
enum class Holder { Other, ThisProgram, Service };
Holder lockHolderOf(const QString &device)
{
    for (const char *folder : {"/run/lock", "/var/lock"}) {
        const std::optional<qint64> pid = lockHolder(device, QLatin1String(folder));
        if (!pid)
            continue;
        if (*pid == QCoreApplication::applicationPid())
            return Holder::ThisProgram;
        QFile command(QStringLiteral("/proc/%1/cmdline").arg(*pid));
        if (command.open(QIODevice::ReadOnly)
            && command.readAll().split('\0').contains("--headless"))
            return Holder::Service;
    }
    return Holder::Other;
}

// Bits on the line for one character: start, data, parity and stop.
int bitsPerCharacter(const LineSettings &line)
{
    const int parity = line.parity == QSerialPort::NoParity ? 0 : 1;
    const int stop = line.stopBits == QSerialPort::TwoStop ? 2 : 1;
    return 1 + int(line.dataBits) + parity + stop;
}

} // namespace

Display::Display(const DisplaySettings &settings, const PortDevice &device, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_device(device)
    , m_schedule(settings.intervalSeconds)
{
    usePortFor(device.path);
    computeLead();
}

void Display::usePortFor(const QString &device)
{
    if (m_port && portKindOf(device) == portKindOf(m_openedDevice))
        return;
    delete m_port;
    m_port = makePort(device, this);
    m_openedDevice = device;
    connect(m_port, &Port::lost, this, &Display::lost);
}

Display::~Display() = default;

void Display::update(const DisplaySettings &settings, const PortDevice &device)
{
    const bool samePort =
            device.path == m_device.path && settings.lineSettings == m_settings.lineSettings;
    // A display never opened yet opens with the others, not here.
    const bool inUse = m_port->isOpen() || m_port->wasLost() || m_retryOpen;
    m_settings = settings;
    m_device = device;
    m_schedule.setInterval(settings.intervalSeconds);
    computeLead();
    if (samePort || !inUse)
        return;
    QString reason;
    if (!reopen(&reason))
        qCWarning(lcSync).noquote() << displayLabel(number()) + QLatin1Char(':') << reason;
}

void Display::computeLead()
{
    // The character that marks the second sits at the same place in every string of a format,
    // so one string tells where.
    EncoderInput probe;
    probe.utc = QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    const Encoded encoded = formatInfo(m_settings.format).encode(probe, m_settings.options);
    const LineSettingsResult line = parseLineSettings(m_settings.lineSettings);
    const LineSettings settings = line.settings.value_or(LineSettings {});
    const qint64 bits = qint64(encoded.onTimeIndex) * bitsPerCharacter(settings);
    m_leadUs = bits * 1'000'000 / qMax(1, settings.baudRate) + qint64(m_settings.leadMs) * 1000;
}

bool Display::open(QString *reason)
{
    if (openDevice(reason))
        return true;
    m_retryOpen = true;
    return false;
}

bool Display::reopen(QString *reason)
{
    m_port->close();
    return open(reason);
}

bool Display::openDevice(QString *reason)
{
    if (m_device.path.isEmpty()) {
        m_port->close();
        *reason = m_openError = m_device.error;
        return false;
    }
    usePortFor(m_device.path);
    if (m_port->open(m_device.path, m_settings.lineSettings)) {
        m_openedDevice = m_device.path;
        m_openedLine = m_settings.lineSettings;
        m_retryOpen = false;
        m_openError.clear();
        return true;
    }
    // The port's reason names the device and says why.
    QString why = m_port->errorString();
    if (!why.contains(m_device.path))
        why = QStringLiteral("%1: %2").arg(m_device.path, why);
    switch (lockHolderOf(m_device.path)) {
    case Holder::Service:
        why += QLatin1Char(' ')
               + QCoreApplication::translate(
                       "mrv::Display",
                       "The Mirovalent service drives this display; stop it first with "
                       "\"sudo systemctl stop mirovalent-sync\".");
        break;
    case Holder::ThisProgram:
        why += QLatin1Char(' ')
               + QCoreApplication::translate("mrv::Display",
                                             "Another display of these settings uses this port.");
        break;
    case Holder::Other:
        break;
    }
    *reason = m_openError = why;
    return false;
}

void Display::close()
{
    m_port->close();
    m_retryOpen = false;
}

bool Display::isOpen() const
{
    return m_port->isOpen();
}

bool Display::lookingForPort() const
{
    return !m_port->isOpen() && (m_port->wasLost() || m_retryOpen);
}

bool Display::dueAt(qint64 second)
{
    bool due = m_schedule.tick(second);
    // A display whose adapter was pulled is looked for at every tick, and gets its time as soon
    // as it is back, whatever the interval; so does one that could not be opened at start.
    if (!m_port->isOpen() && m_port->wasLost() && m_port->reopenIfLost())
        due = true;
    QString why;
    if (!m_port->isOpen() && m_retryOpen && openDevice(&why)) {
        qCInfo(lcSync).noquote() << QStringLiteral("%1: the port %2 is open.")
                                            .arg(displayLabel(number()), m_openedDevice);
        due = true;
    }
    return due && m_port->isOpen();
}

Encoded Display::encode(EncoderInput input) const
{
    if (!input.synchronised) {
        if (m_settings.unsynced == UnsyncedPolicy::Silent)
            return {};
        if (m_settings.unsynced == UnsyncedPolicy::Ignore)
            input.synchronised = true;
    }
    return formatInfo(m_settings.format).encode(input, m_settings.options);
}

bool Display::send(const Encoded &encoded, const QDateTime &utc)
{
    m_silent = encoded.bytes.isEmpty();
    if (m_silent)
        return false;
    if (!m_port->write(encoded.bytes))
        return false;
    m_lastBytes = encoded.bytes;
    m_lastSentUtc = utc;
    return true;
}

DisplayStatus Display::status() const
{
    DisplayStatus status;
    status.lastBytes = m_lastBytes;
    status.lastSentUtc = m_lastSentUtc;
    if (m_port->isOpen()) {
        status.state = m_silent ? DisplayStatus::State::Silent : DisplayStatus::State::Sending;
    } else if (m_port->wasLost()) {
        status.state = DisplayStatus::State::WaitingForDevice;
        status.error = m_port->errorString();
    } else if (m_retryOpen) {
        status.state = DisplayStatus::State::Failed;
        status.error = m_openError;
    }
    return status;
}

} // namespace mrv
