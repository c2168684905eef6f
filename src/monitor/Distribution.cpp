// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Distribution.h"

#include <cmath>

namespace mrv {

void Distribution::add(qint64 value)
{
    ++m_counts[value];
    ++m_count;
}

qint64 Distribution::percentile(double percent) const
{
    if (m_count == 0)
        return 0;
    // Multiplied before dividing, so that a whole percent of a whole count is an exact rank.
    const auto rank =
            qBound<qint64>(1, qint64(std::ceil(percent * double(m_count) / 100.0)), m_count);
    qint64 seen = 0;
    for (const auto &[value, n] : m_counts) {
        seen += n;
        if (seen >= rank)
            return value;
    }
    return m_counts.rbegin()->first;
}

} // namespace mrv
