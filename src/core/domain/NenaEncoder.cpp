// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/Encoders.h"

namespace mrv {

namespace {

// The standard offset as whole hours west of UTC, 0..23: a zone east of UTC counts the hours
// westwards round the clock (Berlin, one hour east, is 23), and the odd half or quarter hour of
// a zone such as India or Lord Howe is dropped (India 5:30 east is 19, Newfoundland 3:30 west
// is 03).
int hoursWest(qint32 standardOffsetSeconds)
{
    const int west = -(standardOffsetSeconds / 3600);
    return (west % 24 + 24) % 24;
}

} // namespace

Encoded encodeNena(const EncoderInput &input, const EncoderOptions &)
{
    if (!input.utc.isValid())
        return {};
    const QDateTime wall = zoneWallClock(input);
    const QTime time = wall.time();
    QByteArray bytes = "\r\n";
    bytes += input.synchronised ? ' ' : '?';
    bytes += "  " + digits(wall.date().dayOfYear(), 3) + ' ';
    bytes += digits(time.hour(), 2) + ':' + digits(time.minute(), 2) + ':'
             + digits(time.second(), 2) + ' ';
    bytes += daylightCharacter(input);
    bytes += "TZ=" + digits(hoursWest(input.zone.standardOffsetSeconds), 2) + "\r\n";
    return {bytes, 0};
}

} // namespace mrv
