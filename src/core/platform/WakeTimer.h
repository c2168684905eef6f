// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>

#include <memory>

namespace mrv {

class Clock;

// Wakes the program once, at the start of a given second of the wall clock (seconds since
// 1970-01-01 UTC). Armed afresh for every wake-up: nothing runs periodically.
class WakeTimer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Arms for `earlyUs` microseconds before the start of `second` (after it, when negative),
    // replacing any earlier arming. An instant that has passed wakes at once.
    virtual void wakeAt(qint64 second, qint64 earlyUs) = 0;
    virtual void cancel() = 0;
    // Within a wake-up: returns at `earlyUs` before the start of `second`, at once when that has
    // passed. For the strings of one second whose writes start a little apart; never longer
    // than a second.
    virtual void waitUntil(qint64 second, qint64 earlyUs) = 0;

Q_SIGNALS:
    // The armed second has begun. A timer that runs on a steady clock rather than on the wall
    // clock may be a little early when the wall clock is being slewed; whoever listens checks.
    void woke();
    // The wall clock was set (an NTP step, a user setting the time, a resume from suspend):
    // the arming is void and the listener arms again from a fresh reading.
    void clockStepped();
};

// The best timer for `clock`. For the system clock on Linux: a timerfd on CLOCK_REALTIME with
// an absolute expiry that is cancelled when the clock is set. Otherwise (another platform, or
// an injected clock that the kernel knows nothing of): a precise Qt timer for the milliseconds
// that `clock` says are left.
std::unique_ptr<WakeTimer> makeWakeTimer(const Clock &clock);

} // namespace mrv
