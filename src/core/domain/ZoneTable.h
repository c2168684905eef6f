// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
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
    const char *namesake; // the database zone of a city it names (one with daylight saving, if any)
};

inline constexpr int kZoneCount = 32;
// The row a slot with no selection stands for: it shows GMT, so it says London.
inline constexpr int kGmtRow = 13;

const std::array<ZoneRow, kZoneCount> &zoneTable();

// The display texts in row order, ready to fill a zone list.
QStringList zoneTexts();

// The database id of the row's namesake city ("America/New_York" for Eastern Time); empty for a
// row without one or outside the table. Whether it observes daylight saving is the database's
// business, not the table's.
QByteArray namesakeZoneId(int row);

// Offset of a row; any row outside the table counts as GMT.
qint32 zoneOffset(int row);

} // namespace mrv
