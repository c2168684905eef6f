#include "ZoneClock.h"

#include "Clock.h"
#include "TimeZoneSource.h"
#include "ZoneTable.h"

namespace mrv {

namespace {

// The wall-clock fields of a date-time, whole seconds, free of any time-zone rule. Comparing
// these keeps a bound valid even where its local midnight falls into a daylight-saving gap
// (QDateTime then reports the local value as invalid but keeps its date and time).
QDateTime wallClock(const QDateTime &dt)
{
    const QTime t = dt.time();
    return QDateTime(dt.date(), QTime(t.hour(), t.minute(), t.second()), Qt::UTC);
}

} // namespace

ZoneClock::ZoneClock(const Clock &clock, const TimeZoneSource &zones)
    : m_clock(clock)
    , m_zones(zones)
{ }

qint32 ZoneClock::getLocalOffset() const
{
    const LocalZoneFacts facts = m_zones.factsAt(m_clock.localNow());
    return facts.standardOffsetSeconds + facts.daylightAdjustmentSeconds;
}

QDateTime ZoneClock::getGMT() const
{
    // Clock and zone facts are read from the same instant, so a tick that straddles a
    // daylight change never mixes the wall clock of one side with the offset of the other.
    const QDateTime now = m_clock.localNow();
    const LocalZoneFacts facts = m_zones.factsAt(now);
    const qint32 offset = facts.standardOffsetSeconds + facts.daylightAdjustmentSeconds;
    return wallClock(now).addSecs(-offset);
}

QDateTime ZoneClock::getZoneTime(int index) const
{
    return getGMT().addSecs(zoneOffset(index));
}

bool ZoneClock::isDST(const QDateTime &start, const QDateTime &end) const
{
    if (start.date().isNull() || end.date().isNull())
        return false;
    const QDateTime from = wallClock(start);
    const QDateTime to = wallClock(end);
    const QDateTime now = wallClock(m_clock.localNow());
    return from < to && now >= from && now < to;
}

} // namespace mrv
