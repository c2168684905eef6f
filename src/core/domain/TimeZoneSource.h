// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDateTime>

namespace mrv {

// The two facts about the computer's own time zone that the local-offset formula needs.
struct LocalZoneFacts
{
    qint32 standardOffsetSeconds = 0; // local standard time minus UTC, positive east
    // Local time minus local standard time, but only while daylight time is in effect and the
    // zone defines daylight time at all; 0 otherwise.
    qint32 daylightAdjustmentSeconds = 0;
};

class TimeZoneSource
{
public:
    virtual ~TimeZoneSource() = default;
    // Facts in force at the given instant. Read afresh on every call, so a change of the
    // system zone shows at the next tick.
    virtual LocalZoneFacts factsAt(const QDateTime &instant) const = 0;
};

// The system time zone as Qt sees it (TZ, /etc/localtime).
class SystemTimeZoneSource final : public TimeZoneSource
{
public:
    LocalZoneFacts factsAt(const QDateTime &instant) const override;
};

} // namespace mrv
