#pragma once

#include <QDateTime>

namespace mrv {

class Clock;
class TimeZoneSource;

// GMT and the zone times, derived from the local clock and the computer's time-zone facts.
// Keeps no state between calls: each call reads the clock (and the zone facts) afresh.
class ZoneClock
{
public:
    ZoneClock(const Clock &clock, const TimeZoneSource &zones);

    // Local time minus GMT in seconds: standard offset plus the daylight adjustment.
    qint32 getLocalOffset() const;
    // Local wall-clock time now minus the local offset, whole seconds, as Qt::UTC.
    QDateTime getGMT() const;
    // A fresh GMT plus the offset of the zone-table row (0 for rows outside the table).
    QDateTime getZoneTime(int index) const;
    // True when the local date-time now lies in [start, end). Bounds are local wall-clock
    // date-times; with end <= start it is never true.
    bool isDST(const QDateTime &start, const QDateTime &end) const;

    const Clock &clock() const { return m_clock; }

private:
    const Clock &m_clock;
    const TimeZoneSource &m_zones;
};

} // namespace mrv
