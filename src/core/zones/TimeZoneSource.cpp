#include "TimeZoneSource.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <QTimeZone>
#endif

namespace mrv {

#ifdef Q_OS_WIN

LocalZoneFacts SystemTimeZoneSource::factsAt(const QDateTime &) const
{
    // Cleared first: a failed call leaves zeros behind and so yields GMT = local clock.
    TIME_ZONE_INFORMATION info {};
    const DWORD id = GetTimeZoneInformation(&info);

    LocalZoneFacts facts;
    facts.standardOffsetSeconds = -static_cast<qint32>(info.Bias) * 60;
    // StandardBias is deliberately not applied; the daylight bias only counts when the zone
    // actually has a daylight date.
    if (id == TIME_ZONE_ID_DAYLIGHT && info.DaylightDate.wMonth != 0)
        facts.daylightAdjustmentSeconds = -static_cast<qint32>(info.DaylightBias) * 60;
    return facts;
}

#else

LocalZoneFacts SystemTimeZoneSource::factsAt(const QDateTime &instant) const
{
    // Looked up afresh every time so that a change of the system zone shows at the next tick.
    const QTimeZone zone = QTimeZone::systemTimeZone();
    LocalZoneFacts facts;
    if (!zone.isValid() || !instant.isValid())
        return facts; // no zone information: GMT equals the local clock

    facts.standardOffsetSeconds = zone.standardTimeOffset(instant);
    if (zone.hasDaylightTime() && zone.isDaylightTime(instant))
        facts.daylightAdjustmentSeconds = zone.offsetFromUtc(instant) - facts.standardOffsetSeconds;
    return facts;
}

#endif

} // namespace mrv
