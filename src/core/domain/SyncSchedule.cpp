// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/SyncSchedule.h"

#include <QCoreApplication>

#include <array>
#include <limits>

namespace mrv {

namespace {

constexpr std::array<qint32, 4> kIntervals {60, 900, 1800, 3600};

} // namespace

QStringList SyncSchedule::intervalTexts()
{
    return {
            QCoreApplication::translate("mrv::SyncSchedule", "1 minute"),
            QCoreApplication::translate("mrv::SyncSchedule", "15 minutes"),
            QCoreApplication::translate("mrv::SyncSchedule", "30 minutes"),
            QCoreApplication::translate("mrv::SyncSchedule", "60 minutes"),
    };
}

qint32 SyncSchedule::intervalForRow(int row)
{
    if (row < 0 || row >= int(kIntervals.size()))
        return 1;
    return kIntervals[std::size_t(row)];
}

std::optional<int> SyncSchedule::rowForInterval(qint32 seconds)
{
    if (seconds == 1)
        return kEverySecondRow;
    for (std::size_t row = 0; row < kIntervals.size(); ++row)
        if (kIntervals[row] == seconds)
            return int(row);
    return std::nullopt;
}

void SyncSchedule::syncNow()
{
    m_counter = qMax(m_interval - 1, 0);
    m_syncNow = true;
}

bool SyncSchedule::tick(qint64 second)
{
    const qint64 elapsed = m_lastSecond == kNoTick ? 1 : second - m_lastSecond;
    m_lastSecond = second;
    if (elapsed == 0)
        return false; // that second had its tick
    if (m_syncNow) {
        m_syncNow = false;
        m_counter = 0;
        return true;
    }
    const qint64 count = qint64(m_counter) + elapsed;
    if (elapsed < 0) {
        // The clock was set back: the frames stay on their second of the interval.
        m_counter = m_interval > 0 ? qint32(((count % m_interval) + m_interval) % m_interval)
                                   : qint32(0);
        return false;
    }
    // At or past the interval, not only on it: a shorter interval picked after the count
    // passed it, or no interval chosen yet, must still bring the next frame.
    if (count < m_interval) {
        m_counter = qint32(count);
        return false;
    }
    // What lies beyond the interval is kept only as far as it is lateness (the seconds this
    // tick came after its predecessor's next second), so the phase survives a late tick but an
    // interval shortened below the count starts afresh.
    const qint64 late = qMin(count - m_interval, elapsed - 1);
    m_counter = m_interval > 0 ? qint32(late % m_interval) : qint32(0);
    return true;
}

std::optional<qint64> SyncSchedule::nextDue() const
{
    if (m_lastSecond == kNoTick)
        return std::nullopt;
    return m_lastSecond + qMax(1, m_interval - m_counter);
}

} // namespace mrv
