// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SecondTicker.h"

#include "Clock.h"

namespace mrv {

namespace {

// A wall-clock second as one number; only ever compared for equality with the previous tick.
qint64 wallSecond(const QDateTime &dt)
{
    return dt.date().toJulianDay() * 86400 + dt.time().msecsSinceStartOfDay() / 1000;
}

} // namespace

SecondTicker::SecondTicker(const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SecondTicker::fire);
}

void SecondTicker::start()
{
    m_lastTickSecond = -1;
    arm();
}

void SecondTicker::stop()
{
    m_timer.stop();
}

int SecondTicker::msecsToNextSecond(const QDateTime &now)
{
    return 1000 - now.time().msec();
}

void SecondTicker::arm()
{
    m_timer.start(msecsToNextSecond(m_clock.localNow()));
}

void SecondTicker::fire()
{
    const QDateTime now = m_clock.localNow();
    const int toNext = msecsToNextSecond(now);
    const qint64 second = wallSecond(now);

    // The timer runs on the monotonic clock while the boundary is on the wall clock, which may
    // be slewed, so a wake-up can come a little early. Then either this second has had its tick
    // already, or the next one is only moments away: wait for the boundary either way.
    if (second == m_lastTickSecond || toNext <= kEarlyWakeSlackMs) {
        m_timer.start(toNext);
        return;
    }

    m_lastTickSecond = second;
    // Re-armed before the signal, so that a receiver may stop the ticker from its slot.
    arm();
    Q_EMIT tick();
}

} // namespace mrv
