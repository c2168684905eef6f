// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "domain/ZonePanelSettings.h"
#include "domain/DstDates.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QString>
#include <QTime>
#include <QTimeZone>

#include <array>

namespace mrv {

class Clock;
class TimeZoneSource;

// What one zone panel shows at an instant, and what the display is told about it.
struct ZoneTime
{
    QTime shown; // time of day for the clock
    quint8 code = 0; // zone code for the frame: the row (London for none), bit 7 for daylight
    bool daylight = false; // daylight saving applies
    DstWindow window; // the daylight-saving window in force or the next one (observing panels)
    // For a panel that follows a database rule: the instant of the next change, in the rule's
    // zone (invalid when the rule announces none).
    QDateTime nextChange;
};

// Everything one tick shows and sends, all derived from a single reading of the clock.
struct TimeSnapshot
{
    QDateTime local; // the reading: local wall clock, milliseconds
    QDateTime gmt; // GMT of that reading, whole seconds, Qt::UTC
    std::array<ZoneTime, kZonePanels> zones;

    std::array<quint8, kZonePanels> codes() const;
};

// Turns one instant into GMT, the zone times, the codes and the daylight flags.
class TimeEngine
{
public:
    TimeEngine(const Clock &clock, const TimeZoneSource &zones);

    // Reads the clock once and computes everything from that reading.
    TimeSnapshot now(const std::array<ZonePanelSettings, kZonePanels> &panels) const;
    // The same for a given local wall-clock time.
    TimeSnapshot at(const QDateTime &local,
                    const std::array<ZonePanelSettings, kZonePanels> &panels) const;

private:
    const QTimeZone &ruleZone(const QByteArray &id) const;

    const Clock &m_clock;
    const TimeZoneSource &m_zones;
    // Looking a zone up in the database reads its file; once per rule is enough.
    mutable QHash<QByteArray, QTimeZone> m_ruleZones;
};

// "HH:MM:SS" with the locale's time separator.
QString formatClock(const QTime &time, const QLocale &locale);

} // namespace mrv
