// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QTimeZone>

namespace mrv {

// A zone's daylight-saving period from the system's time-zone database: in force, or else the
// next one. The instants are those of the changes themselves, in UTC; a side the database does
// not know (a zone that stopped observing) is invalid.
struct DstPeriod
{
    QDateTime start; // the first second of daylight time
    QDateTime end; // the first second of standard time again
    bool daylight = false; // the instant asked about lies inside the period
};

// The database zones whose daylight saving a panel on `row` can show truly: standard offset
// equal to the row's, and daylight time exactly one hour ahead of it (the display adds one hour
// for the daylight flag), observed within a year of `at`. The row's namesake comes first, the
// rest by id. Empty for a row without such a zone. The database is scanned once per year asked.
QList<QByteArray> dstRuleZones(int row, const QDateTime &at);

// The period of `zone` that holds `instant`, or the next one. Daylight time is whatever the
// database says at the instant, from the very second of a change.
DstPeriod dstPeriodAt(const QTimeZone &zone, const QDateTime &instant);

// The calendar day a change falls on, as the zone's wall clock runs up to it. A change at 24:00
// is on the day that ends there, even though the clock set back reads 23:00 the day before, and
// a change at 23:00 is on that day, even though the clock set forward reads 00:00 the next.
QDate changeDay(const QTimeZone &zone, const QDateTime &change);

} // namespace mrv
