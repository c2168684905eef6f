// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/DstRule.h"

#include "domain/ZoneTable.h"

#include <QHash>
#include <QMutex>

#include <algorithm>
#include <array>

namespace mrv {

namespace {

constexpr int kOneHour = 3600;
// Enough steps to pass a standard-offset change inside a period, never an endless walk.
constexpr int kMaxSteps = 6;

// Whether the zone observes one-hour daylight saving on top of `standardOffset` in the year
// after `at`.
bool observesOneHourFrom(const QTimeZone &zone, qint32 standardOffset, const QDateTime &at)
{
    if (!zone.isValid() || !zone.hasDaylightTime())
        return false;
    const QDateTime until = at.addDays(366);
    QDateTime from = at;
    for (int step = 0; step < 4; ++step) {
        const QTimeZone::OffsetData change = zone.nextTransition(from);
        if (!change.atUtc.isValid() || change.atUtc > until)
            return false;
        if (change.daylightTimeOffset == kOneHour && change.standardTimeOffset == standardOffset)
            return true;
        from = change.atUtc;
    }
    return false;
}

// Every database zone with one-hour daylight saving, by standard offset, for one year.
using ZonesByOffset = QHash<qint32, QList<QByteArray>>;

ZonesByOffset scanDatabase(const QDateTime &at)
{
    ZonesByOffset byOffset;
    for (const QByteArray &id : QTimeZone::availableTimeZoneIds()) {
        // Only the geographic names: the "Etc/", "US/" and "EST5EDT" aliases repeat them.
        static constexpr std::array<const char *, 9> kAreas {"Africa/", "America/",  "Antarctica/",
                                                             "Asia/",   "Atlantic/", "Australia/",
                                                             "Europe/", "Indian/",   "Pacific/"};
        if (std::none_of(kAreas.cbegin(), kAreas.cend(),
                         [&id](const char *area) { return id.startsWith(area); }))
            continue;
        const QTimeZone zone(id);
        const qint32 standard = zone.standardTimeOffset(at);
        if (observesOneHourFrom(zone, standard, at))
            byOffset[standard].append(id);
    }
    for (QList<QByteArray> &ids : byOffset)
        std::sort(ids.begin(), ids.end());
    return byOffset;
}

const ZonesByOffset &zonesForYear(int year)
{
    static QMutex mutex;
    static QHash<int, ZonesByOffset> years;
    const QMutexLocker lock(&mutex);
    auto found = years.find(year);
    if (found == years.end())
        found = years.insert(year,
                             scanDatabase(QDateTime(QDate(year, 1, 1), QTime(0, 0), Qt::UTC)));
    return *found;
}

} // namespace

QList<QByteArray> dstRuleZones(int row, const QDateTime &at)
{
    if (row < 0 || row >= kZoneCount)
        return {};
    QList<QByteArray> zones = zonesForYear(at.toUTC().date().year()).value(zoneOffset(row));
    const QByteArray namesake = namesakeZoneId(row);
    if (zones.removeOne(namesake))
        zones.prepend(namesake);
    return zones;
}

DstPeriod dstPeriodAt(const QTimeZone &zone, const QDateTime &instant)
{
    DstPeriod period;
    if (!zone.isValid())
        return period;
    period.daylight = zone.isDaylightTime(instant);
    const auto isDaylight = [](const QTimeZone::OffsetData &change) {
        return change.daylightTimeOffset != 0;
    };
    if (period.daylight) {
        // Back to the change that began daylight time: the latest change at or before the
        // instant, and further back while the one before it was daylight time too.
        QTimeZone::OffsetData change = zone.previousTransition(instant.addMSecs(1));
        for (int step = 0; step < kMaxSteps && change.atUtc.isValid(); ++step) {
            const QTimeZone::OffsetData before = zone.previousTransition(change.atUtc);
            if (!before.atUtc.isValid() || !isDaylight(before))
                break;
            change = before;
        }
        period.start = change.atUtc;
    } else {
        QDateTime from = instant;
        for (int step = 0; step < kMaxSteps; ++step) {
            const QTimeZone::OffsetData change = zone.nextTransition(from);
            if (!change.atUtc.isValid())
                return period;
            if (isDaylight(change)) {
                period.start = change.atUtc;
                break;
            }
            from = change.atUtc;
        }
        if (!period.start.isValid())
            return period;
    }
    QDateTime from = period.daylight ? instant : period.start;
    for (int step = 0; step < kMaxSteps; ++step) {
        const QTimeZone::OffsetData change = zone.nextTransition(from);
        if (!change.atUtc.isValid())
            break;
        if (!isDaylight(change)) {
            period.end = change.atUtc;
            break;
        }
        from = change.atUtc;
    }
    return period;
}

QDate changeDay(const QTimeZone &zone, const QDateTime &change)
{
    const int offsetBefore = zone.offsetFromUtc(change.addSecs(-1));
    return change.toUTC().addSecs(offsetBefore).date();
}

} // namespace mrv
