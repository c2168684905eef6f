// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QStringList>

#include <limits>
#include <optional>

namespace mrv {

// The row of the interval list that stands for a frame every second, as SyncInt stores it.
inline constexpr int kEverySecondRow = -1;

// When the next frame is due: the chosen interval and the count of wall-clock seconds towards
// it. The count follows the seconds that elapsed between ticks, not the number of ticks, so a
// late wake-up, a busy machine or a suspend neither shifts nor skips a frame: a frame that fell
// due meanwhile goes out at the next tick, and the next one stays on the same second of the
// interval.
class SyncSchedule
{
public:
    explicit SyncSchedule(qint32 interval = 1, qint32 counter = 0)
        : m_interval(interval)
        , m_counter(counter)
    { }

    // The texts of the interval list, rows 0..3.
    static QStringList intervalTexts();
    // Seconds for a row of the list (60, 900, 1800, 3600), and 1 for kEverySecondRow (and any
    // other row outside the list).
    static qint32 intervalForRow(int row);
    // The list's row for an interval: kEverySecondRow for every second; none for one the list
    // does not have.
    static std::optional<int> rowForInterval(qint32 seconds);

    // Seconds between frames from now on (1: every second). The count is not touched.
    void setInterval(qint32 seconds) { m_interval = seconds; }
    // "Sync Now" (and a successful start-up): a frame at the next second.
    void syncNow();
    // A tick at wall-clock `second` (since 1970 UTC): counts the seconds since the previous
    // tick (one for the first) and returns true when a frame falls due (the count reached or
    // passed the interval). Then the count starts again, keeping the seconds by which this tick
    // came late. A second ticked again counts nothing; a clock set back keeps the count's
    // place in the interval.
    bool tick(qint64 second);
    // The second at which the next frame falls due if every second ticks; none before the
    // first tick.
    std::optional<qint64> nextDue() const;

    qint32 interval() const { return m_interval; }
    qint32 counter() const { return m_counter; }

private:
    static constexpr qint64 kNoTick = std::numeric_limits<qint64>::min();

    qint32 m_interval = 1;
    qint32 m_counter = 0;
    qint64 m_lastSecond = kNoTick;
    // "Sync Now" is waiting for its second: that frame starts the count afresh, wherever the
    // count stood (a sleeping program's count is only brought up to date at its next tick).
    bool m_syncNow = false;
};

} // namespace mrv
