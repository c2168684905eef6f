// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDateTime>
#include <QObject>

#include <limits>
#include <memory>

namespace mrv {

class Clock;
class WakeTimer;

// Ticks right after whole seconds of the system clock: after every one by default, or after the
// one its owner asks for next, so that a program with nothing to do sleeps. The wake-up timer is
// armed for that exact second each time (see WakeTimer), so a stepped clock or a suspend never
// leaves the phase wrong. When the wall clock is set, it ticks at once.
class SecondTicker : public QObject
{
    Q_OBJECT
public:
    // With the wake-up timer that suits `clock` (makeWakeTimer).
    explicit SecondTicker(const Clock &clock, QObject *parent = nullptr);
    ~SecondTicker() override;

    // Puts another wake-up timer in the place of the one in use; taken over.
    void setWakeTimer(std::unique_ptr<WakeTimer> timer);

    // From now on, a tick after the next whole second, then as planned.
    void start();
    void stop();

    // The next tick comes right after `second` (seconds since 1970 UTC) begins instead of the
    // next one, or `earlyUs` microseconds before it, for strings whose first characters have to
    // be on the line by then; it stands for `second` all the same. A second that has already
    // begun stands for the next whole second. Called from a receiver of tick(), it plans the
    // tick after that one.
    void tickAt(qint64 second, qint64 earlyUs = 0);
    // Within a tick: returns at `earlyUs` before `second`, at once when that has passed.
    void waitUntil(qint64 second, qint64 earlyUs);

    // Milliseconds from the given local time to the next whole second, 1..1000. At an exact
    // boundary that second has already begun, so the answer is a full 1000.
    static int msecsToNextSecond(const QDateTime &now);
    // The second (since 1970 UTC) that a reading of the clock falls in.
    static qint64 secondOf(const QDateTime &now);

Q_SIGNALS:
    // `now` is the one reading of the clock for this tick, `second` the second it falls in
    // (secondOf(now), worked out once). `clockStepped`: the wall clock was set, and this tick
    // comes at once rather than on a boundary.
    void tick(const QDateTime &now, qint64 second, bool clockStepped);

private:
    void onWoke();
    void onStepped();
    void emitTick(const QDateTime &now, qint64 second, bool stepped);
    void arm(qint64 second);
    // The second a reading stands for, counting the planned lead.
    qint64 tickSecondOf(const QDateTime &now) const;

    static constexpr qint64 kNone = std::numeric_limits<qint64>::min();

    const Clock &m_clock;
    std::unique_ptr<WakeTimer> m_timer;
    qint64 m_planned = kNone; // the second the timer is armed for
    qint64 m_plannedEarlyUs = 0; // and how long before it
    qint64 m_lastTickSecond = kNone; // the second of the latest tick
    bool m_running = false;
    bool m_inTick = false; // tick() is being emitted; arming waits until it returns
};

} // namespace mrv
