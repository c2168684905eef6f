// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QStringList>

#include <array>

namespace mrv {

// One row of the fixed zone table: what the zone lists show, and its offset from GMT in
// seconds, positive east. The row number is what the settings file stores and the display
// receives.
struct ZoneRow
{
    const char *text;
    qint32 offsetSeconds;
};

inline constexpr int kZoneCount = 32;
// The row a slot with no selection stands for: it shows GMT, so it says London.
inline constexpr int kGmtRow = 13;

const std::array<ZoneRow, kZoneCount> &zoneTable();

// The display texts in row order, ready to fill a zone list.
QStringList zoneTexts();

// Offset of a row; any row outside the table counts as GMT.
qint32 zoneOffset(int row);

} // namespace mrv
