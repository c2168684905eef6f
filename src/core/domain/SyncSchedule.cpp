// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/SyncSchedule.h"

#include <QCoreApplication>

#include <array>
#include <limits>

namespace mrv {

namespace {

constexpr std::array<qint16, 4> kIntervals {60, 900, 1800, 3600};

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

qint16 SyncSchedule::intervalForRow(int row)
{
    if (row < 0 || row >= int(kIntervals.size()))
        return 0;
    return kIntervals[std::size_t(row)];
}

void SyncSchedule::chooseInterval(int row)
{
    const qint16 interval = intervalForRow(row);
    if (interval > 0)
        m_interval = interval;
}

void SyncSchedule::syncNow()
{
    // The lowest interval would make this wrap to the top of the range, which is not due.
    const int previous = int(m_interval) - 1;
    m_counter = qint16(qMax(previous, int(std::numeric_limits<qint16>::min())));
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
        m_counter = m_interval > 0 ? qint16(((count % m_interval) + m_interval) % m_interval)
                                   : qint16(0);
        return false;
    }
    // At or past the interval, not only on it: a shorter interval picked after the count
    // passed it, or no interval chosen yet, must still bring the next frame.
    if (count < m_interval) {
        m_counter = qint16(count);
        return false;
    }
    // What lies beyond the interval is kept only as far as it is lateness (the seconds this
    // tick came after its predecessor's next second), so the phase survives a late tick but an
    // interval shortened below the count starts afresh.
    const qint64 late = qMin(count - m_interval, elapsed - 1);
    m_counter = m_interval > 0 ? qint16(late % m_interval) : qint16(0);
    return true;
}

std::optional<qint64> SyncSchedule::nextDue() const
{
    if (m_lastSecond == kNoTick)
        return std::nullopt;
    return m_lastSecond + qMax(1, int(m_interval) - int(m_counter));
}

} // namespace mrv
