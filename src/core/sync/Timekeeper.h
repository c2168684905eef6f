// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "settings/IniFile.h"
#include "settings/SettingsModel.h"
#include "sync/SyncSchedule.h"
#include "zones/TimeEngine.h"

#include <QObject>

namespace mrv {

class Clock;
class SecondTicker;
class SerialPort;
class TimeZoneSource;

// The program's state and its time: the settings, the schedule, the port to the display and
// the second tick. Each tick reads the clock once, writes the frame when one is due, and only
// then hands the same reading to whoever shows it.
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

    // Ticks on every whole second from now on, or no more.
    void startTicking();
    void stopTicking();
    // One tick: reads the clock, sends the frame when one is due, then emits ticked().
    void tick();

    // Opens the port the settings name. False, with a reason that names the device, when it
    // cannot be opened.
    bool openPort(QString *reason);
    // After a failed openPort(): the port is tried again, silently, at every tick, and the
    // display gets a frame as soon as it opens.
    void keepTryingPort() { m_retryOpen = true; }
    // The user picked port n: the settings keep it even when it cannot be opened.
    bool choosePort(int number, QString *reason);
    // The user picked a row of the interval list.
    void chooseInterval(int row);
    // "Sync Now" and a successful start: a frame goes out at the next tick.
    void syncNow();

Q_SIGNALS:
    // After each tick; `frameSent` when a frame went out in it.
    void ticked(const mrv::TimeSnapshot &snapshot, bool frameSent);

private:
    bool sendFrameIfDue(const TimeSnapshot &snapshot);

    TimeEngine m_engine;
    IniFile m_ini;
    Settings m_settings;
    SyncSchedule m_schedule;
    SerialPort *m_port = nullptr;
    SecondTicker *m_ticker = nullptr;
    TimeSnapshot m_lastTick;
    QString m_openedDevice; // the device and line settings of the latest successful open
    QString m_openedLine;
    bool m_retryOpen = false;
};

} // namespace mrv
