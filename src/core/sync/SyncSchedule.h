// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QStringList>

namespace mrv {

// When the next frame is due: the chosen interval and the count of sync ticks (seconds)
// towards it.
class SyncSchedule
{
public:
    explicit SyncSchedule(qint16 interval = 0, qint16 counter = 0)
        : m_interval(interval)
        , m_counter(counter)
    { }

    // The texts of the interval list, rows 0..3.
    static QStringList intervalTexts();
    // Sync ticks for a list row (60, 900, 1800, 3600); 0 for a row outside the list.
    static qint16 intervalForRow(int row);

    // The user picked a row: the interval follows it; a row outside the list leaves it as it
    // is. The count is not touched.
    void chooseInterval(int row);
    // A frame at every tick, as with no interval chosen.
    void sendEverySecond() { m_interval = 0; }
    // "Sync Now" (and a successful start-up): the next tick is due.
    void syncNow();
    // One sync tick: counts, and returns true when a frame falls due (the count reached or
    // passed the interval), restarting the count. Never runs past the 16-bit range.
    bool tick();

    qint16 interval() const { return m_interval; }
    qint16 counter() const { return m_counter; }

private:
    qint16 m_interval = 0;
    qint16 m_counter = 0;
};

} // namespace mrv
