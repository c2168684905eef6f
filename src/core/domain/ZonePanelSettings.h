// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "domain/DstDates.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <utility>

namespace mrv {

inline constexpr int kZonePanels = 4;

// An Observe DST box, numbered as the settings file stores it. Greyed comes only from a stored
// value and counts as cleared.
enum class DstBox { Cleared = 0, Ticked = 1, Greyed = 2 };

// What one zone panel holds.
struct ZonePanelSettings
{
    int row = -1; // row of the zone table, -1 for none (the panel shows GMT)
    DstBox observeDst = DstBox::Cleared;
    DstDate start;
    DstDate end;
    // Where the daylight-saving dates come from: a zone of the time-zone database, or empty for
    // the dates above. A stored id the database does not know runs as manual dates and is kept
    // for the file.
    QByteArray dstRule;
    bool dstRuleUnknown = false;

    bool observesDst() const { return observeDst == DstBox::Ticked; }
    // Daylight saving follows the database's rule rather than dates.
    bool followsDstRule() const { return observesDst() && !dstRule.isEmpty() && !dstRuleUnknown; }
    friend bool operator==(const ZonePanelSettings &, const ZonePanelSettings &) = default;
};

// What the user changes on a panel at the instant `at`. Ticking Observe DST on a panel with no
// dates and no rule follows the row's namesake zone when it has a rule; a new row whose offset
// the rule does not fit takes the new row's namesake, or manual dates; switching to manual dates
// starts from the dates the rule showed.
void chooseRow(ZonePanelSettings &panel, int row, const QDateTime &at);
void chooseObserveDst(ZonePanelSettings &panel, DstBox box, const QDateTime &at);
void chooseDstRule(ZonePanelSettings &panel, const QByteArray &zoneId, const QDateTime &at);

// The day and month a side holds: the picked date's, else the stored one.
std::optional<DayMonth> dayMonthOf(const DstDate &date);

// The daylight-saving period a panel that follows a rule shows at `at`, as the rule zone's own
// calendar dates (each change on the day its wall clock runs up to it: see changeDay()); none
// for a panel on manual dates or a rule that announces no period.
std::optional<std::pair<DayMonth, DayMonth>> ruleDates(const ZonePanelSettings &panel,
                                                       const QDateTime &at);

// Why the rule that panel number `panel` (1 to 4) follows cannot drive its row at `at`, as one
// line naming the panel, the row and the rule: a standard time other than the row's, no daylight
// saving within a year, or a daylight shift other than the one hour the display adds. Empty when
// the rule fits, and for a panel that follows no rule.
QString dstRuleMisfit(const ZonePanelSettings &settings, int panel, const QDateTime &at);

} // namespace mrv
