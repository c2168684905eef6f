// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QTimer>

namespace mrv {

class Clock;

// Emits tick() right after every whole second of the system clock. A single-shot precise
// timer is armed afresh each time for the next boundary, computed from the current time, so a
// stepped clock or a suspend never leaves the phase wrong. One wake-up per second.
class SecondTicker : public QObject
{
    Q_OBJECT
public:
    explicit SecondTicker(const Clock &clock, QObject *parent = nullptr);

    void start();
    void stop();

    // Milliseconds from the given local time to the next whole second, 1..1000. At an exact
    // boundary that second has already begun, so the answer is a full 1000.
    static int msecsToNextSecond(const QDateTime &now);

    // A wake-up this close before a boundary waits for it instead of ticking: the tick must
    // land just after the second it shows has begun.
    static constexpr int kEarlyWakeSlackMs = 20;

Q_SIGNALS:
    void tick();

private:
    void arm();
    void fire();

    const Clock &m_clock;
    QTimer m_timer;
    qint64 m_lastTickSecond = -1; // wall-clock second of the latest tick, -1 before the first
};

} // namespace mrv
