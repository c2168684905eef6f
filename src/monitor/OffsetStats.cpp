// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "OffsetStats.h"

#include <cmath>

namespace mrv {

void OffsetStats::add(qint64 offsetMs)
{
    ++m_counts[offsetMs];
    ++m_count;
}

qint64 OffsetStats::percentile(double percent) const
{
    if (m_count == 0)
        return 0;
    const auto rank =
            qBound<qint64>(1, qint64(std::ceil(percent / 100.0 * double(m_count))), m_count);
    qint64 seen = 0;
    for (const auto &[value, n] : m_counts) {
        seen += n;
        if (seen >= rank)
            return value;
    }
    return m_counts.rbegin()->first;
}

} // namespace mrv
