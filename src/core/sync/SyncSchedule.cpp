// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SyncSchedule.h"

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
}

bool SyncSchedule::tick()
{
    if (m_counter < std::numeric_limits<qint16>::max())
        ++m_counter;
    // At or past the interval, not only on it: a shorter interval picked after the count
    // passed it, or no interval chosen yet, must still bring the next frame.
    if (m_counter < m_interval)
        return false;
    m_counter = 0;
    return true;
}

} // namespace mrv
