// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/SecondTicker.h"

#include "domain/Clock.h"
#include "platform/WakeTimer.h"

namespace mrv {

SecondTicker::SecondTicker(const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
{
    setWakeTimer(makeWakeTimer(clock));
}

SecondTicker::~SecondTicker() = default;

void SecondTicker::setWakeTimer(std::unique_ptr<WakeTimer> timer)
{
    m_timer = std::move(timer);
    connect(m_timer.get(), &WakeTimer::woke, this, &SecondTicker::onWoke);
    connect(m_timer.get(), &WakeTimer::clockStepped, this, &SecondTicker::onStepped);
    if (m_running)
        arm(m_planned);
}

void SecondTicker::start()
{
    m_running = true;
    m_lastTickSecond = kNone;
    arm(secondOf(m_clock.localNow()) + 1);
}

void SecondTicker::stop()
{
    m_running = false;
    m_timer->cancel();
}

int SecondTicker::msecsToNextSecond(const QDateTime &now)
{
    return 1000 - now.time().msec();
}

qint64 SecondTicker::secondOf(const QDateTime &now)
{
    const qint64 ms = now.toMSecsSinceEpoch();
    return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

void SecondTicker::tickAt(qint64 second, qint64 earlyUs)
{
    m_plannedEarlyUs = earlyUs;
    if (m_inTick) {
        // Armed once the tick is over, from its own reading: no second read of the clock.
        m_planned = qMax(second, m_lastTickSecond + 1);
        return;
    }
    if (!m_running) {
        m_planned = second; // start() plans afresh in any case
        return;
    }
    arm(qMax(second, secondOf(m_clock.localNow()) + 1));
}

void SecondTicker::waitUntil(qint64 second, qint64 earlyUs)
{
    m_timer->waitUntil(second, earlyUs);
}

qint64 SecondTicker::tickSecondOf(const QDateTime &now) const
{
    // A wake-up ahead of its second stands for that second; a millisecond of slack covers the
    // reading's own rounding.
    const qint64 early =
            m_plannedEarlyUs > 0 ? m_plannedEarlyUs / 1000 + 1 : m_plannedEarlyUs / 1000;
    return secondOf(now.addMSecs(early));
}

void SecondTicker::arm(qint64 second)
{
    m_planned = second;
    if (m_running)
        m_timer->wakeAt(second, m_plannedEarlyUs);
}

void SecondTicker::onWoke()
{
    if (!m_running)
        return;
    const QDateTime now = m_clock.localNow();
    const qint64 second = tickSecondOf(now);
    if (second >= m_planned) {
        emitTick(now, second, false);
    } else if (m_lastTickSecond != kNone && second < m_lastTickSecond) {
        // Back before the latest tick: the clock was set, and this timer could not tell.
        emitTick(now, second, true);
    } else {
        // Early, as a timer on a steady clock can be against a slewed wall clock: the second
        // that was planned is still to come.
        m_timer->wakeAt(m_planned, m_plannedEarlyUs);
    }
}

void SecondTicker::onStepped()
{
    if (!m_running)
        return;
    const QDateTime now = m_clock.localNow();
    emitTick(now, secondOf(now), true);
}

void SecondTicker::emitTick(const QDateTime &now, qint64 second, bool stepped)
{
    m_lastTickSecond = second;
    m_planned = second + 1; // unless a receiver plans otherwise
    m_plannedEarlyUs = 0;
    m_inTick = true;
    Q_EMIT tick(now, second, stepped);
    m_inTick = false;
    // Armed after the receivers, so that the write to the display is the first thing a tick
    // does; a receiver may also have stopped the ticker.
    if (m_running)
        arm(m_planned);
}

} // namespace mrv
