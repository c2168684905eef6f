// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/IniFile.h"
#include "app/SettingsModel.h"
#include "domain/SyncSchedule.h"
#include "platform/ClockHealth.h"
#include "domain/TimeEngine.h"

#include <QObject>

#include <limits>
#include <memory>

namespace mrv {

class Clock;
class SecondTicker;
class SerialPort;
class TimeZoneSource;
class WakeTimer;

// The program's state and its time: the settings, the schedule, the port to the display and
// the second tick. Each tick reads the clock once, writes the frame when one is due, and only
// then hands the same reading to whoever shows it.
//
// It wakes only when something is due: the next second while the window is shown, while frames
// go out every second, or while a port is being looked for; else the next frame, the next look
// at the system clock's health (about once a minute), or a step of the clock.
class Timekeeper : public QObject
{
    Q_OBJECT
public:
    Timekeeper(const Clock &clock, const TimeZoneSource &zones, const QString &iniPath,
               QObject *parent = nullptr);
    ~Timekeeper() override;

    // Reads the settings file into the settings, and the interval into the schedule.
    void load(const QLocale &locale);
    // Reads the settings file again and applies it from the next tick; a port whose device or
    // line settings changed is opened again. A file that cannot be read keeps the settings as
    // they are: false, with the reason.
    bool reload(const QLocale &locale, QString *reason);
    // Writes the settings as one atomic save. False when the save failed.
    bool save();

    Settings &settings() { return m_settings; }
    const Settings &settings() const { return m_settings; }
    const SyncSchedule &schedule() const { return m_schedule; }
    SerialPort &port() { return *m_port; }
    const IniFile &iniFile() const { return m_ini; }

    // The time now, from a fresh reading, for showing between ticks.
    TimeSnapshot now() const;
    // The reading of the latest tick (invalid before the first).
    const TimeSnapshot &lastTick() const { return m_lastTick; }

    // Ticks from the next whole second on, whenever something is due, or no more. Starting
    // also asks for the system clock's health.
    void startTicking();
    void stopTicking();
    // One tick: reads the clock, sends the frame when one is due, then emits ticked().
    void tick();
    // Whether someone watches the clocks: then a tick comes every second.
    void setShown(bool shown);
    bool isShown() const { return m_shown; }

    // Another wake-up timer (taken over) or source of the clock's health (not taken over, and
    // must outlive the timekeeper), in place of the system's; for tests.
    void setWakeTimer(std::unique_ptr<WakeTimer> timer);
    void setClockHealthSource(const ClockHealthSource *source) { m_healthSource = source; }
    // The latest verdict on the system clock (unknown before the first look).
    const ClockHealth &clockHealth() const { return m_health; }
    // Asks for the verdict now; logs it when the state changed.
    void checkClockHealth();

    // Opens the port the settings name. False, with a reason that names the device, when it
    // cannot be opened.
    bool openPort(QString *reason);
    // After a failed openPort(): the port is tried again, silently, every second, and the
    // display gets a frame as soon as it opens.
    void keepTryingPort();
    // The user picked port n: the settings keep it even when it cannot be opened.
    bool choosePort(int number, QString *reason);
    // The user picked a row of the interval list.
    void chooseInterval(int row);
    // "Sync Now" and a successful start: a frame goes out at the next tick.
    void syncNow();

Q_SIGNALS:
    // After each tick; `frameSent` when a frame went out in it.
    void ticked(const mrv::TimeSnapshot &snapshot, bool frameSent);
    // The verdict on the system clock changed, or its summary did.
    void clockHealthChanged(const mrv::ClockHealth &health);

private:
    void onTick(const QDateTime &now, qint64 second, bool clockStepped);
    bool sendFrameIfDue(const TimeSnapshot &snapshot, qint64 second);
    bool lookingForPort() const;
    // Tells the ticker the next second at which something is due.
    void plan();

    const Clock &m_clock;
    TimeEngine m_engine;
    IniFile m_ini;
    Settings m_settings;
    SyncSchedule m_schedule;
    SerialPort *m_port = nullptr;
    SecondTicker *m_ticker = nullptr;
    KernelClockHealth m_kernelHealth;
    const ClockHealthSource *m_healthSource = &m_kernelHealth;
    ClockHealth m_health;
    bool m_healthChecked = false;
    static constexpr qint64 kNever = std::numeric_limits<qint64>::max();
    qint64 m_nextHealthCheck = kNever; // second of the next look; never before ticking starts
    qint64 m_lastTickSecond = kNever; // of the latest tick; kNever before the first
    bool m_shown = false;
    TimeSnapshot m_lastTick;
    QString m_openedDevice; // the device and line settings of the latest successful open
    QString m_openedLine;
    bool m_retryOpen = false;
};

} // namespace mrv
