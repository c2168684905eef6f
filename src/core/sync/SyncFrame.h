#pragma once

#include <QByteArray>
#include <QDateTime>

#include <array>

namespace mrv {

inline constexpr char kFrameStart = char(0xFE);
inline constexpr char kFrameEnd = char(0xFF);
inline constexpr int kFrameSize = 9;
inline constexpr quint8 kDaylightFlag = 0x80;

// FE, second, minute, hour of the GMT time, the four zone codes, FF. The time fields are taken
// as gmt shows them (no conversion). An invalid time gives an empty frame: its fields would
// read as -1, that is FF, which the display takes for the end marker.
QByteArray buildSyncFrame(const QDateTime &gmt, const std::array<quint8, 4> &zoneCodes);

} // namespace mrv
