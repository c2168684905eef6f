// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/ZonePanelSettings.h"

#include "domain/DstRule.h"
#include "domain/ZoneTable.h"

#include <QTimeZone>

namespace mrv {

namespace {

bool hasDates(const ZonePanelSettings &panel)
{
    return dayMonthOf(panel.start) || dayMonthOf(panel.end);
}

// The namesake's zone when it can serve the row as a rule, else empty.
QByteArray namesakeRule(int row, const QDateTime &at)
{
    const QList<QByteArray> zones = dstRuleZones(row, at);
    const QByteArray namesake = namesakeZoneId(row);
    return !zones.isEmpty() && zones.first() == namesake ? namesake : QByteArray();
}

} // namespace

std::optional<DayMonth> dayMonthOf(const DstDate &date)
{
    if (date.picked && date.picked->isValid())
        return DayMonth {date.picked->day(), date.picked->month()};
    return date.stored;
}

std::optional<std::pair<DayMonth, DayMonth>> ruleDates(const ZonePanelSettings &panel,
                                                       const QDateTime &at)
{
    if (!panel.followsDstRule())
        return std::nullopt;
    const QTimeZone zone(panel.dstRule);
    const DstPeriod period = dstPeriodAt(zone, at);
    if (!period.start.isValid() || !period.end.isValid())
        return std::nullopt;
    const QDate start = period.start.toTimeZone(zone).date();
    const QDate end = period.end.toTimeZone(zone).date();
    return std::pair(DayMonth {start.day(), start.month()}, DayMonth {end.day(), end.month()});
}

void chooseRow(ZonePanelSettings &panel, int row, const QDateTime &at)
{
    panel.row = row;
    if (panel.dstRule.isEmpty() || panel.dstRuleUnknown)
        return;
    if (!dstRuleZones(row, at).contains(panel.dstRule))
        panel.dstRule = namesakeRule(row, at);
}

void chooseObserveDst(ZonePanelSettings &panel, DstBox box, const QDateTime &at)
{
    panel.observeDst = box;
    if (box == DstBox::Ticked && panel.dstRule.isEmpty() && !hasDates(panel))
        panel.dstRule = namesakeRule(panel.row, at);
}

void chooseDstRule(ZonePanelSettings &panel, const QByteArray &zoneId, const QDateTime &at)
{
    if (zoneId.isEmpty()) {
        if (const auto dates = ruleDates(panel, at)) {
            panel.start = {dates->first, std::nullopt};
            panel.end = {dates->second, std::nullopt};
        }
    }
    panel.dstRule = zoneId;
    panel.dstRuleUnknown = false;
}

} // namespace mrv
