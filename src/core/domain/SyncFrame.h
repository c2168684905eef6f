// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QDateTime>

#include <array>

namespace mrv {

inline constexpr char kFrameStart = char(0xFE);
inline constexpr char kFrameEnd = char(0xFF);
inline constexpr int kFrameSize = 9;

// A zone code is the zone-table row in bits 0..6 and, in bit 7, whether the slot's display adds
// an hour of daylight saving.
inline constexpr quint8 kDaylightFlag = 0x80;

constexpr int zoneCodeRow(quint8 code)
{
    return code & ~kDaylightFlag & 0xFF;
}
constexpr bool zoneCodeDaylight(quint8 code)
{
    return (code & kDaylightFlag) != 0;
}
// Only the low seven bits of `row` fit; a larger row must never pass for the daylight flag.
constexpr quint8 makeZoneCode(int row, bool daylight)
{
    return quint8((row & ~kDaylightFlag & 0xFF) | (daylight ? kDaylightFlag : 0));
}

// The nine bytes as they travel on the line: FE, second, minute, hour, the four zone codes, FF.
// The fields go out as given.
QByteArray frameBytes(quint8 second, quint8 minute, quint8 hour,
                      const std::array<quint8, 4> &zoneCodes);

// The frame for a GMT time, its fields taken as gmt shows them (no conversion). An invalid time
// gives an empty frame: its fields would read as -1, that is FF, which the display takes for the
// end marker.
QByteArray buildSyncFrame(const QDateTime &gmt, const std::array<quint8, 4> &zoneCodes);

} // namespace mrv
