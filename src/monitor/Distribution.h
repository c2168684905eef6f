// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>

#include <map>

namespace mrv {

// Whole-number samples (microseconds, here) kept as a count per value: exact percentiles, and
// memory that grows with the number of distinct values rather than with the length of the run.
// An arrival offset is spread over a few milliseconds, so a run of any length keeps a few
// thousand entries at most.
class Distribution
{
public:
    void add(qint64 value);
    qint64 count() const { return m_count; }
    // Nearest-rank percentile, `percent` in (0, 100]; 0 when nothing was added.
    qint64 percentile(double percent) const;
    qint64 min() const { return m_counts.empty() ? 0 : m_counts.begin()->first; }
    qint64 max() const { return m_counts.empty() ? 0 : m_counts.rbegin()->first; }

private:
    std::map<qint64, qint64> m_counts;
    qint64 m_count = 0;
};

} // namespace mrv
