// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/DisplayZone.h"

#include "domain/ZoneTable.h"

#include <QTimeZone>

namespace mrv {

namespace {

// Transitions that only move standard time are skipped; a year's worth is plenty to find the
// next change of daylight saving.
constexpr int kTransitionsSearched = 8;

ZoneFacts databaseFacts(const QTimeZone &zone, const QDateTime &at)
{
    ZoneFacts facts;
    if (!zone.isValid() || !at.isValid())
        return facts;
    facts.offsetSeconds = zone.offsetFromUtc(at);
    facts.standardOffsetSeconds = zone.standardTimeOffset(at);
    facts.daylight = zone.isDaylightTime(at);
    if (!zone.hasTransitions())
        return facts;
    QDateTime after = at;
    for (int i = 0; i < kTransitionsSearched; ++i) {
        const QTimeZone::OffsetData next = zone.nextTransition(after);
        if (!next.atUtc.isValid() || next.atUtc <= after)
            break;
        const bool daylight = zone.isDaylightTime(next.atUtc);
        if (daylight != facts.daylight) {
            facts.nextChange = next.atUtc.toUTC();
            facts.nextChangeStartsDaylight = daylight;
            break;
        }
        after = next.atUtc;
    }
    return facts;
}

ZoneFacts panelFacts(const ZonePanelSettings &panel, const ZoneTime &time, const QDateTime &gmt)
{
    ZoneFacts facts;
    facts.standardOffsetSeconds = zoneOffset(panel.row);
    facts.daylight = time.daylight;
    facts.offsetSeconds = facts.standardOffsetSeconds + (time.daylight ? 3600 : 0);
    if (panel.followsDstRule()) {
        facts.nextChange = time.nextChange.toUTC();
    } else if (panel.observesDst()) {
        // Manual dates change at local midnight of the panel's own wall clock, in the time in
        // force before the change.
        const std::optional<QDate> &day = time.daylight ? time.window.end : time.window.start;
        if (day)
            facts.nextChange = QDateTime(*day, QTime(0, 0), Qt::UTC).addSecs(-facts.offsetSeconds);
    }
    if (!facts.nextChange.isValid() || facts.nextChange <= gmt)
        facts.nextChange = QDateTime();
    else
        facts.nextChangeStartsDaylight = !time.daylight;
    return facts;
}

} // namespace

ZoneFacts zoneFactsAt(const DisplayZone &zone, const TimeSnapshot &snapshot,
                      const std::array<ZonePanelSettings, kZonePanels> &panels)
{
    switch (zone.kind) {
    case DisplayZone::Kind::Utc: {
        ZoneFacts facts;
        facts.isUtc = true;
        return facts;
    }
    case DisplayZone::Kind::Local:
        return databaseFacts(QTimeZone::systemTimeZone(), snapshot.gmt);
    case DisplayZone::Kind::Database:
        return databaseFacts(QTimeZone(zone.id), snapshot.gmt);
    case DisplayZone::Kind::Panel:
        if (zone.panel >= 1 && zone.panel <= kZonePanels) {
            const auto k = std::size_t(zone.panel - 1);
            return panelFacts(panels[k], snapshot.zones[k], snapshot.gmt);
        }
        break;
    }
    return {}; // GMT, for a panel number no settings file should hold
}

} // namespace mrv
