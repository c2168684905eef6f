// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ZoneTable.h"

namespace mrv {

namespace {

constexpr std::array<ZoneRow, kZoneCount> kRows {{
        {"(GMT - 12:00) International Date Line West", -43200},
        {"(GMT - 11:00) Midway,Samoa", -39600},
        {"(GMT - 10:00) Hawaii", -36000},
        {"(GMT - 9:00) Alaska", -32400},
        {"(GMT - 8:00) Pacific Time", -28800},
        {"(GMT - 7:00) Mountain Time", -25200},
        {"(GMT - 6:00) Central Time", -21600},
        {"(GMT - 5:00) Eastern Time", -18000},
        {"(GMT - 4:00) Atlantic Time", -14400},
        {"(GMT - 3:30) Newfoundland", -12600},
        {"(GMT - 3:00) Brasilia,Buenos Aires", -10800},
        {"(GMT - 2:00) Mid Atlantic", -7200},
        {"(GMT - 1:00) Azores", -3600},
        {"(GMT) London", 0},
        {"(GMT + 1:00) Amsterdam", 3600},
        {"(GMT + 2:00) Athens", 7200},
        {"(GMT + 3:00) Baghdad", 10800},
        {"(GMT + 3:30) Tehran", 12600},
        {"(GMT + 4:00) Abu Dhabi", 14400},
        {"(GMT + 4:30) Kabul", 16200},
        {"(GMT + 5:00) Islamabad", 18000},
        {"(GMT + 5:30) New Delhi", 19800},
        {"(GMT + 5:45) Kathmandu", 20700},
        {"(GMT + 6:00) Dhaka", 21600},
        {"(GMT + 6:30) Rangoon", 23400},
        {"(GMT + 7:00) Bangkok,Jakarta", 25200},
        {"(GMT + 8:00) Beijing,Hong Kong,Singapore", 28800},
        {"(GMT + 9:00) Tokyo,Seoul", 32400},
        {"(GMT + 9:30) Adelaide,Darwin", 34200},
        {"(GMT + 10:00) Brisbane,Sydney", 36000},
        {"(GMT + 11:00) Solomon Island", 39600},
        {"(GMT + 12:00) Auckland,Fiji", 43200},
}};

} // namespace

const std::array<ZoneRow, kZoneCount> &zoneTable()
{
    return kRows;
}

QStringList zoneTexts()
{
    QStringList texts;
    texts.reserve(kZoneCount);
    for (const ZoneRow &row : kRows)
        texts << QString::fromLatin1(row.text);
    return texts;
}

qint32 zoneOffset(int row)
{
    if (row < 0 || row >= kZoneCount)
        return 0;
    return kRows[static_cast<std::size_t>(row)].offsetSeconds;
}

} // namespace mrv
