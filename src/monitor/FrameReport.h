// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "Distribution.h"
#include "FrameDecoder.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <utility>

namespace mrv {

// Whether a panel's daylight flag says what the time-zone database says for the namesake city of
// the panel's zone, at the frame's second.
struct PanelDaylight
{
    enum class Check {
        NoCity, // the zone names no city (or the row is outside the table): nothing to compare
        UnknownZone, // the system's time-zone database does not know the city's zone
        Agrees,
        Disagrees,
    };
    Check check = Check::NoCity;
    QByteArray zoneId; // "America/New_York"; empty with NoCity
    bool cityInDaylight = false; // what the database says; meaningful with Agrees and Disagrees
};

// A frame as it arrived: what was decoded, when, how late, and whether its daylight flags hold.
struct FrameArrival
{
    DecodedFrame frame;
    qint64 arrivalUs = 0; // microseconds since the epoch
    qint64 offsetUs = 0; // arrival minus the start of the second the frame names
    std::array<PanelDaylight, 4> daylight {};
    qint64 readDelayUs = 0; // of the read that completed the frame (see ReadStamp)

    // The second the frame names, in seconds since the epoch.
    qint64 frameSecond() const { return (arrivalUs - offsetUs) / 1'000'000; }
    // Panels (1..4) whose flag disagrees with the database.
    QList<int> disagreeing() const;
};

// How late a frame arrived, in microseconds: arrival minus the start of the GMT second the frame
// names. The frame carries no date, so the second is taken on whichever day (the arrival's, the
// one before or the one after) lies nearest, which keeps frames sent just before midnight and
// received just after it right. Negative when the sender's clock runs ahead of ours.
qint64 arrivalOffsetUs(const DecodedFrame &frame, qint64 arrivalUs);

// The daylight check of panel `index` (0..3) at `secondsSinceEpoch`.
PanelDaylight checkDaylight(const DecodedFrame &frame, int index, qint64 secondsSinceEpoch);

// Everything said about a frame that arrived at `arrivalUs` (microseconds since the epoch).
FrameArrival frameArrival(const DecodedFrame &frame, qint64 arrivalUs, qint64 readDelayUs = 0);

// Microseconds as milliseconds with a sign and two decimals, rounded to the nearest 10 us
// (halves away from zero): 431 -> "+0.43", -1250 -> "-1.25", 4 -> "+0.00".
QString millisText(qint64 micros);

// Microseconds since the epoch as UTC in ISO 8601 with six decimals:
// "2027-03-14T06:59:59.000431Z".
QString isoMicrosText(qint64 micros);

// The time of day of an instant in microseconds since the epoch, on this system's local clock:
// "07:59:59.000431".
QString localTimeOfDayText(qint64 micros);

// The frame for people: arrival (local time), raw bytes, GMT, offset and the daylight verdict on
// one line, then one line per panel with what its display shows and whether its flag holds.
// Ends with a newline.
QString frameText(const FrameArrival &arrival);

// The frame for programs: one line of JSON, no newline.
QString frameJson(const FrameArrival &arrival);

// What a run saw, for the summary at its end.
struct RunFigures
{
    qint64 frames = 0;
    qint64 errors = 0;
    qint64 discardedBytes = 0;
    Distribution offsetsUs; // one per frame
    Distribution readDelaysUs; // one per read that returned bytes
    qint64 wrongDaylightFrames = 0; // frames with at least one disagreeing daylight flag
    // Time strings decoded, per format listened for: {"nmea", 12}. Errors and discarded bytes
    // above count broken strings and their bytes too, offsets their on-time characters.
    QList<std::pair<QString, qint64>> stringCounts;
};

// One line, no newline: counts, then the offsets' p50, p99 and max in milliseconds to 0.01, the
// read delay's in microseconds, the frames with a wrong daylight flag, then the time strings per
// format. Figures of nothing are left out.
QString summaryText(const RunFigures &figures);

} // namespace mrv
