// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "zones/DstDates.h"

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>

#include <array>

namespace mrv {

class IniFile;

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

// What the program holds besides the zones.
struct ProgramSettings
{
    QString commPort = QStringLiteral("1"); // the display's port number, as the file has it
    QString lineSettings = QStringLiteral("9600,n,8,1"); // "baud,parity,data,stop"
    int syncIntervalRow = 0; // row of the interval list; kEverySecondRow: a frame every second
    // The file's CommPort could not be used: the default runs, and the user's text stays in the
    // file until a port is picked.
    bool keepStoredCommPort = false;
    friend bool operator==(const ProgramSettings &, const ProgramSettings &) = default;
};

inline constexpr int kZonePanels = 4;
// SyncInt for a frame at every second, as the time servers' every-second mode.
inline constexpr int kEverySecondRow = -1;

struct Settings
{
    ProgramSettings program;
    std::array<ZonePanelSettings, kZonePanels> zones;
    friend bool operator==(const Settings &, const Settings &) = default;
};

// Reads every setting in the order start-up uses; anything missing or unusable is its default.
// A CommPort that is no port number and line settings that cannot be used log one warning each.
// Stored months are read in English or in the locale's abbreviations.
Settings loadSettings(const IniFile &file, const QLocale &locale);

// What the user changes on a panel at the instant `at`. Ticking Observe DST on a panel with no
// dates and no rule follows the row's namesake zone when it has a rule; a new row whose offset
// the rule does not fit takes the new row's namesake, or manual dates; switching to manual dates
// starts from the dates the rule showed.
void chooseRow(ZonePanelSettings &panel, int row, const QDateTime &at);
void chooseObserveDst(ZonePanelSettings &panel, DstBox box, const QDateTime &at);
void chooseDstRule(ZonePanelSettings &panel, const QByteArray &zoneId, const QDateTime &at);

// Writes the settings as one atomic save, in the order shut-down uses. The line settings are
// written only when the file lacks them, an unusable CommPort only once the user picked a port;
// daylight-saving dates only for panels that observe daylight saving, and only the sides that hold
// a date (a picked date keeps its day and month); a panel that follows a rule gets the dates of
// the rule's period in force at `at`, or the next one, so that readers without rules still see
// this year's dates. False when the save failed.
bool saveSettings(IniFile &file, const Settings &settings, const QDateTime &at);

} // namespace mrv
