// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/ZonePanelSettings.h"

#include "domain/DstRule.h"
#include "domain/ZoneTable.h"

#include <QCoreApplication>
#include <QTimeZone>

#include <cstdlib>

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

// "GMT+10:30", as the zone table writes offsets.
QString gmtOffset(qint32 seconds)
{
    const qint32 minutes = std::abs(seconds) / 60;
    return QStringLiteral("GMT%1%2:%3")
            .arg(QChar(seconds < 0 ? u'-' : u'+'))
            .arg(minutes / 60, 2, 10, QLatin1Char('0'))
            .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

// How far the zone moves its clocks for daylight saving in the year after `at`: 0 for none.
qint32 daylightShift(const QTimeZone &zone, const QDateTime &at)
{
    if (zone.isDaylightTime(at))
        return zone.daylightTimeOffset(at);
    const QDateTime until = at.addDays(366);
    QDateTime from = at;
    for (int step = 0; step < 4; ++step) {
        const QTimeZone::OffsetData change = zone.nextTransition(from);
        if (!change.atUtc.isValid() || change.atUtc > until)
            return 0;
        if (change.daylightTimeOffset != 0)
            return change.daylightTimeOffset;
        from = change.atUtc;
    }
    return 0;
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
    const QDate start = changeDay(zone, period.start);
    const QDate end = changeDay(zone, period.end);
    return std::pair(DayMonth {start.day(), start.month()}, DayMonth {end.day(), end.month()});
}

QString dstRuleMisfit(const ZonePanelSettings &settings, int panel, const QDateTime &at)
{
    if (!settings.followsDstRule())
        return {};
    const auto line = [&](const QString &why) {
        const QString row = settings.row >= 0 && settings.row < kZoneCount
                                    ? QStringLiteral("row %1, %2")
                                              .arg(settings.row)
                                              .arg(QLatin1String(zoneTable()[settings.row].text))
                                    : QStringLiteral("no row");
        return QCoreApplication::translate(
                       "mrv::ZonePanelSettings",
                       "Zone panel %1 (%2): the daylight-saving rule %3 does not fit: %4.")
                .arg(panel)
                .arg(row, QString::fromUtf8(settings.dstRule), why);
    };
    const QTimeZone zone(settings.dstRule);
    if (!zone.isValid())
        return line(QCoreApplication::translate("mrv::ZonePanelSettings",
                                                "the time-zone database does not know it"));
    if (settings.row < 0 || settings.row >= kZoneCount)
        return line(QCoreApplication::translate("mrv::ZonePanelSettings", "no zone is chosen"));
    const qint32 standard = zone.standardTimeOffset(at);
    const qint32 rowOffset = zoneOffset(settings.row);
    if (standard != rowOffset) {
        return line(QCoreApplication::translate("mrv::ZonePanelSettings",
                                                "its standard time is %1, the row's is %2")
                            .arg(gmtOffset(standard), gmtOffset(rowOffset)));
    }
    const qint32 shift = daylightShift(zone, at);
    if (shift == 0) {
        return line(QCoreApplication::translate("mrv::ZonePanelSettings",
                                                "it keeps no daylight saving within a year"));
    }
    if (shift != 3600) {
        return line(
                QCoreApplication::translate("mrv::ZonePanelSettings",
                                            "it moves its clocks by %1 minutes, the display by 60")
                        .arg(shift / 60));
    }
    return {};
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
