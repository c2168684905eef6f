// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/TimeEngine.h"

#include "domain/Clock.h"
#include "domain/DstRule.h"
#include "domain/TimeZoneSource.h"
#include "domain/ZoneTable.h"
#include "domain/SyncFrame.h"

#include <algorithm>

namespace mrv {

std::array<quint8, kZonePanels> TimeSnapshot::codes() const
{
    std::array<quint8, kZonePanels> codes {};
    std::transform(zones.cbegin(), zones.cend(), codes.begin(),
                   [](const ZoneTime &zone) { return zone.code; });
    return codes;
}

TimeEngine::TimeEngine(const Clock &clock, const TimeZoneSource &zones)
    : m_clock(clock)
    , m_zones(zones)
{ }

TimeSnapshot TimeEngine::now(const std::array<ZonePanelSettings, kZonePanels> &panels) const
{
    return at(m_clock.localNow(), panels);
}

TimeSnapshot TimeEngine::at(const QDateTime &local,
                            const std::array<ZonePanelSettings, kZonePanels> &panels) const
{
    TimeSnapshot snapshot;
    snapshot.local = local;
    // The wall-clock fields in whole seconds, free of any time-zone rule, minus the offset in
    // force at that same instant: a tick that straddles a daylight change never mixes the wall
    // clock of one side with the offset of the other.
    const LocalZoneFacts facts = m_zones.factsAt(local);
    const QTime wall = local.time();
    const QDateTime wallUtc(local.date(), QTime(wall.hour(), wall.minute(), wall.second()),
                            Qt::UTC);
    snapshot.gmt =
            wallUtc.addSecs(-(facts.standardOffsetSeconds + facts.daylightAdjustmentSeconds));

    for (std::size_t k = 0; k < panels.size(); ++k) {
        const ZonePanelSettings &panel = panels[k];
        ZoneTime &zone = snapshot.zones[k];
        // A panel without a table row shows GMT, so it tells the display it is London.
        const bool hasRow = panel.row >= 0 && panel.row < kZoneCount;
        QDateTime shown = snapshot.gmt.addSecs(zoneOffset(panel.row));
        if (panel.followsDstRule()) {
            // The database decides at the instant itself, to the second of a change; the labels
            // show the change days on the rule zone's own calendar, as ruleDates() writes them.
            const QTimeZone &rule = ruleZone(panel.dstRule);
            const DstPeriod period = dstPeriodAt(rule, snapshot.gmt);
            zone.daylight = period.daylight;
            const auto day = [&rule](const QDateTime &at) {
                return at.isValid() ? std::optional(changeDay(rule, at)) : std::nullopt;
            };
            zone.window = {day(period.start), day(period.end)};
            const QDateTime &next = period.daylight ? period.end : period.start;
            if (next.isValid())
                zone.nextChange = next.toTimeZone(rule);
        } else if (panel.observesDst()) {
            zone.window = windowOn(panel.start, panel.end, local.date());
            zone.daylight = zone.window.contains(local.date());
        }
        if (zone.daylight)
            shown = shown.addSecs(3600);
        zone.shown = shown.time();
        zone.code = makeZoneCode(hasRow ? panel.row : kGmtRow, zone.daylight);
    }
    return snapshot;
}

const QTimeZone &TimeEngine::ruleZone(const QByteArray &id) const
{
    auto found = m_ruleZones.find(id);
    if (found == m_ruleZones.end())
        found = m_ruleZones.insert(id, QTimeZone(id));
    return *found;
}

QString formatClock(const QTime &time, const QLocale &locale)
{
    // The separator is whatever follows the hour field in the locale's time format. Formats
    // that put words or blanks there ("HH 'h' mm") fall back to a colon: the label must stay
    // a plain HH:MM:SS clock.
    QString separator = QStringLiteral(":");
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    const auto isHour = [](QChar c) {
        return c == u'h' || c == u'H';
    };
    const auto hour = std::find_if(format.cbegin(), format.cend(), isHour);
    if (hour != format.cend()) {
        qsizetype i = hour - format.cbegin();
        while (i < format.size() && isHour(format[i]))
            ++i;
        qsizetype j = i;
        while (j < format.size() && format[j] != u'm')
            ++j;
        const QString candidate = format.mid(i, j - i);
        const bool plain = !candidate.isEmpty()
                           && std::none_of(candidate.cbegin(), candidate.cend(), [](QChar c) {
                                  return c.isLetterOrNumber() || c.isSpace() || c == u'\'';
                              });
        if (plain)
            separator = candidate;
    }
    const auto two = [](int n) {
        return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    };
    return two(time.hour()) + separator + two(time.minute()) + separator + two(time.second());
}

} // namespace mrv
