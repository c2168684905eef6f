// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "app/Display.h"
#include "domain/TimeEngine.h"
#include "platform/ClockHealth.h"

#include <QList>
#include <QObject>

#include <limits>
#include <memory>

namespace mrv {

class Clock;
class SecondTicker;
class SettingsStore;
class TimeZoneSource;
class WakeTimer;

// Keeps the time: the second tick, the one instant of each tick, the wake-up plan and the
// clock's health. Each tick reads the clock once, hands that instant to every display that is
// due (the one with the longest lead first), and only then to whoever shows it. The displays
// follow the settings store: added, changed and removed as it announces.
//
// It wakes only when something is due: the next second while the window is shown, while
// strings go out every second, or while a port is being looked for; else the next string, the
// next look at the system clock's health (about once a minute), or a step of the clock.
class Timekeeper : public QObject
{
    Q_OBJECT
public:
    Timekeeper(const Clock &clock, const TimeZoneSource &zones, SettingsStore &store,
               QObject *parent = nullptr);
    ~Timekeeper() override;

    // The time now, from a fresh reading, for showing between ticks.
    TimeSnapshot now() const;
    // The reading of the latest tick (invalid before the first).
    const TimeSnapshot &lastTick() const { return m_lastTick; }

    // Ticks from the next whole second on, whenever something is due, or no more. Starting
    // also asks for the system clock's health.
    void startTicking();
    void stopTicking();
    // One tick now: reads the clock, sends what is due, then emits ticked().
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

    // Opens the port of every display that is on. False when one could not be opened: each
    // reason names the display and its device, and those displays are tried again, silently,
    // every second, and get their time as soon as they open.
    bool openDisplays(QStringList *reasons);
    void closeDisplays();
    // Reads the settings again, on purpose: a display whose device or line settings changed is
    // opened again, and so is one that is away (its name may stand for a new device now). A
    // file that cannot be used keeps everything: false, with the reason.
    bool reload(const QLocale &locale, QString *reason);

    // The user picked COM n for display 1: the settings keep it even when it cannot be opened,
    // and it is not tried again until the next choice.
    bool choosePort(int number, QString *reason);
    // The user picked a row of display 1's interval list.
    void chooseInterval(int row);
    // "Sync Now" and a successful start: every display gets its string at the next tick.
    void syncNow();
    // One display gets its string at the next tick.
    void sendNow(int number);

    QList<Display *> displays() const { return m_displays; }
    Display *display(int number) const;
    DisplayStatus displayStatus(int number) const;
    // The string the display would get at the next second, as it would go out now.
    QByteArray previewNext(int number) const;
    int displaysOn() const { return int(m_displays.size()); }
    // Displays whose port is open and that got their latest string.
    int displaysInStep() const;

Q_SIGNALS:
    // After each tick; `sent` when a string went out in it.
    void ticked(const mrv::TimeSnapshot &snapshot, bool sent);
    // The verdict on the system clock changed, or its summary did.
    void clockHealthChanged(const mrv::ClockHealth &health);
    // A tick sent something, or a display came, went or changed.
    void displaysUpdated();

private:
    void onTick(const QDateTime &now, qint64 second, bool clockStepped);
    bool serveDisplays(const TimeSnapshot &snapshot, qint64 second);
    EncoderInput inputFor(const Display &display, const TimeSnapshot &snapshot) const;
    void followStore(int number);
    bool lookingForPort() const;
    // Tells the ticker the next second at which something is due, and how early.
    void plan();

    const Clock &m_clock;
    SettingsStore &m_store;
    TimeEngine m_engine;
    QList<Display *> m_displays; // by number
    SecondTicker *m_ticker = nullptr;
    KernelClockHealth m_kernelHealth;
    const ClockHealthSource *m_healthSource = &m_kernelHealth;
    ClockHealth m_health;
    bool m_healthChecked = false;
    static constexpr qint64 kNever = std::numeric_limits<qint64>::max();
    qint64 m_nextHealthCheck = kNever; // second of the next look; never before ticking starts
    qint64 m_lastTickSecond = kNever; // of the latest tick; kNever before the first
    bool m_shown = false;
    bool m_choosing = false; // a port choice opens display 1 itself
    TimeSnapshot m_lastTick;
};

} // namespace mrv
