// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/TimeZoneSource.h"

#include <QTimeZone>

namespace mrv {

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

} // namespace mrv
