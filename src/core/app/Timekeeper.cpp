// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/Timekeeper.h"

#include "domain/Logging.h"

#include "platform/PortMap.h"
#include "platform/SerialPort.h"
#include "domain/SyncFrame.h"
#include "platform/WakeTimer.h"
#include "domain/Clock.h"
#include "platform/SecondTicker.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>

namespace mrv {

namespace {

// How often the kernel is asked about the system clock, in seconds; a look that falls due is
// put off by up to the leeway when something else wakes the program then anyway.
constexpr qint64 kHealthCheckEvery = 60;
constexpr qint64 kHealthCheckLeeway = 10;

// Whether the serial lock of the device is held by a running `mirovalent --headless`. The lock
// file is named after the device's path (without /dev/, slashes as underscores) and holds the
// process id on its first line.
bool heldByService(const QString &device)
{
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    for (const char *folder : {"/run/lock", "/var/lock"}) {
        QFile lock(QStringLiteral("%1/LCK..%2").arg(QLatin1String(folder), name));
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        bool ok = false;
        const qint64 pid = lock.readLine().trimmed().toLongLong(&ok);
        QFile command(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (ok && pid > 0 && command.open(QIODevice::ReadOnly))
            return command.readAll().split('\0').contains("--headless");
    }
    return false;
}

} // namespace

Timekeeper::Timekeeper(const Clock &clock, const TimeZoneSource &zones, const QString &iniPath,
                       QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_engine(clock, zones)
    , m_ini(iniPath)
    , m_port(new SerialPort(this))
    , m_ticker(new SecondTicker(clock, this))
{
    connect(m_ticker, &SecondTicker::tick, this, &Timekeeper::onTick);
    // A port lost between two frames is looked for every second from then on.
    connect(m_port, &SerialPort::lost, this, &Timekeeper::plan);
}

Timekeeper::~Timekeeper() = default;

void Timekeeper::load(const QLocale &locale)
{
    m_settings = loadSettings(m_ini, locale);
    chooseInterval(m_settings.program.syncIntervalRow);
}

bool Timekeeper::reload(const QLocale &locale, QString *reason)
{
    QFile file(m_ini.path());
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return false;
    }
    file.close();
    load(locale);
    plan(); // the interval may have changed
    const ProgramSettings &program = m_settings.program;
    const bool samePort = deviceForPort(program.commPort, m_ini).path == m_openedDevice
                          && program.lineSettings == m_openedLine;
    if ((m_port->isOpen() || m_port->wasLost()) && samePort)
        return true;
    m_port->close();
    QString why;
    if (!openPort(&why)) {
        qCWarning(lcSync).noquote() << why;
        keepTryingPort();
    }
    return true;
}

void Timekeeper::keepTryingPort()
{
    m_retryOpen = true;
    plan();
}

bool Timekeeper::save()
{
    return saveSettings(m_ini, m_settings, now().gmt);
}

TimeSnapshot Timekeeper::now() const
{
    return m_engine.now(m_settings.zones);
}

void Timekeeper::startTicking()
{
    checkClockHealth();
    m_nextHealthCheck = SecondTicker::secondOf(m_clock.localNow()) + kHealthCheckEvery;
    m_ticker->start();
    plan();
}

void Timekeeper::stopTicking()
{
    m_ticker->stop();
    m_nextHealthCheck = kNever;
}

void Timekeeper::tick()
{
    const QDateTime now = m_clock.localNow();
    onTick(now, SecondTicker::secondOf(now), false);
}

void Timekeeper::onTick(const QDateTime &now, qint64 second, bool clockStepped)
{
    m_lastTick = m_engine.at(now, m_settings.zones);
    // The frame is the part that has to be on time: it goes out before anything is shown.
    const bool sent = sendFrameIfDue(m_lastTick, second);
    m_lastTickSecond = second;
    Q_EMIT ticked(m_lastTick, sent);
    // A stepped clock is looked at again at once; so is one set back (even where the timer
    // could not tell), whose next look would otherwise be far off.
    if (m_nextHealthCheck != kNever
        && (clockStepped || second >= m_nextHealthCheck
            || m_nextHealthCheck > second + kHealthCheckEvery)) {
        checkClockHealth();
        m_nextHealthCheck = second + kHealthCheckEvery;
    }
    plan();
}

void Timekeeper::setShown(bool shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    plan();
}

void Timekeeper::setWakeTimer(std::unique_ptr<WakeTimer> timer)
{
    m_ticker->setWakeTimer(std::move(timer));
}

void Timekeeper::checkClockHealth()
{
    const ClockHealth health = m_healthSource->read();
    const bool stateChanged = !m_healthChecked || health.state != m_health.state;
    const bool changed = !m_healthChecked || health.summary() != m_health.summary();
    m_healthChecked = true;
    m_health = health;
    if (stateChanged) {
        const QString line = health.summary();
        switch (health.state) {
        case ClockHealth::State::Synchronised:
            qCInfo(lcClock).noquote().nospace()
                    << line << "; estimated error " << health.estErrorUs << " µs";
            break;
        case ClockHealth::State::NotSynchronised:
            qCWarning(lcClock).noquote().nospace()
                    << line << " (maximum error " << health.maxErrorUs / 1000
                    << " ms); the display still gets its frames";
            break;
        case ClockHealth::State::Unknown:
            qCInfo(lcClock).noquote() << line << "(the kernel cannot be asked)";
            break;
        }
    }
    if (changed)
        Q_EMIT clockHealthChanged(m_health);
}

bool Timekeeper::lookingForPort() const
{
    return !m_port->isOpen() && (m_port->wasLost() || m_retryOpen);
}

void Timekeeper::plan()
{
    if (m_lastTickSecond == kNever)
        return; // the first tick comes at the next second in any case
    qint64 next = kNever;
    if (m_shown || lookingForPort())
        next = m_lastTickSecond + 1;
    if (const std::optional<qint64> due = m_schedule.nextDue())
        next = qMin(next, *due);
    const qint64 look = m_nextHealthCheck;
    if (look != kNever && (next < look || next > look + kHealthCheckLeeway))
        next = qMin(next, look);
    // Nothing at all due (not ticking): the ticker is not running and keeps this for later.
    m_ticker->tickAt(next == kNever ? m_lastTickSecond + kHealthCheckEvery : next);
}

bool Timekeeper::sendFrameIfDue(const TimeSnapshot &snapshot, qint64 second)
{
    bool due = m_schedule.tick(second);
    // A display whose adapter was pulled is looked for at every tick, and gets its time as soon
    // as it is back, whatever the interval; so does one that could not be opened at start.
    if (!m_port->isOpen() && m_port->wasLost() && m_port->reopenIfLost())
        due = true;
    QString why;
    if (!m_port->isOpen() && m_retryOpen && openPort(&why)) {
        qCInfo(lcSync).noquote() << "The serial port" << m_openedDevice << "is open.";
        due = true;
    }
    if (!due || !m_port->isOpen())
        return false;
    return m_port->write(buildSyncFrame(snapshot.gmt, snapshot.codes()));
}

bool Timekeeper::openPort(QString *reason)
{
    const PortDevice target = deviceForPort(m_settings.program.commPort, m_ini);
    if (target.path.isEmpty()) {
        m_port->close();
        *reason = target.error;
        return false;
    }
    if (m_port->open(target.path, m_settings.program.lineSettings)) {
        m_openedDevice = target.path;
        m_openedLine = m_settings.program.lineSettings;
        m_retryOpen = false;
        return true;
    }
    // The port's reason names the device and says why.
    *reason = m_port->errorString();
    if (!reason->contains(target.path))
        *reason = QStringLiteral("%1: %2").arg(target.path, *reason);
    if (heldByService(target.path))
        *reason += QLatin1Char(' ')
                   + QCoreApplication::translate(
                           "mrv::Timekeeper",
                           "The Mirovalent service drives this display; stop it first with "
                           "\"sudo systemctl stop mirovalent-sync\".");
    return false;
}

bool Timekeeper::choosePort(int number, QString *reason)
{
    if (m_port->isOpen())
        m_port->close();
    m_settings.program.commPort = QString::number(number);
    m_settings.program.keepStoredCommPort = false;
    m_retryOpen = false; // the user's choice stands, untried, until the next one
    const bool opened = openPort(reason);
    plan();
    return opened;
}

void Timekeeper::chooseInterval(int row)
{
    m_settings.program.syncIntervalRow = row;
    if (row == kEverySecondRow)
        m_schedule.sendEverySecond();
    else
        m_schedule.chooseInterval(row);
    plan();
}

void Timekeeper::syncNow()
{
    m_schedule.syncNow();
    plan();
}

} // namespace mrv
