// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/ZoneTable.h"

namespace mrv {

namespace {

constexpr std::array<ZoneRow, kZoneCount> kRows {{
        {"(GMT - 12:00) International Date Line West", -43200, nullptr},
        {"(GMT - 11:00) Midway,Samoa", -39600, "Pacific/Pago_Pago"},
        {"(GMT - 10:00) Hawaii", -36000, "Pacific/Honolulu"},
        {"(GMT - 9:00) Alaska", -32400, "America/Anchorage"},
        {"(GMT - 8:00) Pacific Time", -28800, "America/Los_Angeles"},
        {"(GMT - 7:00) Mountain Time", -25200, "America/Denver"},
        {"(GMT - 6:00) Central Time", -21600, "America/Chicago"},
        {"(GMT - 5:00) Eastern Time", -18000, "America/New_York"},
        {"(GMT - 4:00) Atlantic Time", -14400, "America/Halifax"},
        {"(GMT - 3:30) Newfoundland", -12600, "America/St_Johns"},
        {"(GMT - 3:00) Brasilia,Buenos Aires", -10800, "America/Sao_Paulo"},
        {"(GMT - 2:00) Mid Atlantic", -7200, nullptr},
        {"(GMT - 1:00) Azores", -3600, "Atlantic/Azores"},
        {"(GMT) London", 0, "Europe/London"},
        {"(GMT + 1:00) Amsterdam", 3600, "Europe/Amsterdam"},
        {"(GMT + 2:00) Athens", 7200, "Europe/Athens"},
        {"(GMT + 3:00) Baghdad", 10800, "Asia/Baghdad"},
        {"(GMT + 3:30) Tehran", 12600, "Asia/Tehran"},
        {"(GMT + 4:00) Abu Dhabi", 14400, "Asia/Dubai"},
        {"(GMT + 4:30) Kabul", 16200, "Asia/Kabul"},
        {"(GMT + 5:00) Islamabad", 18000, "Asia/Karachi"},
        {"(GMT + 5:30) New Delhi", 19800, "Asia/Kolkata"},
        {"(GMT + 5:45) Kathmandu", 20700, "Asia/Kathmandu"},
        {"(GMT + 6:00) Dhaka", 21600, "Asia/Dhaka"},
        {"(GMT + 6:30) Rangoon", 23400, "Asia/Yangon"},
        {"(GMT + 7:00) Bangkok,Jakarta", 25200, "Asia/Bangkok"},
        {"(GMT + 8:00) Beijing,Hong Kong,Singapore", 28800, "Asia/Shanghai"},
        {"(GMT + 9:00) Tokyo,Seoul", 32400, "Asia/Tokyo"},
        {"(GMT + 9:30) Adelaide,Darwin", 34200, "Australia/Adelaide"},
        {"(GMT + 10:00) Brisbane,Sydney", 36000, "Australia/Sydney"},
        {"(GMT + 11:00) Solomon Island", 39600, "Pacific/Guadalcanal"},
        {"(GMT + 12:00) Auckland,Fiji", 43200, "Pacific/Auckland"},
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

QByteArray namesakeZoneId(int row)
{
    if (row < 0 || row >= kZoneCount)
        return {};
    return QByteArray(kRows[static_cast<std::size_t>(row)].namesake);
}

qint32 zoneOffset(int row)
{
    if (row < 0 || row >= kZoneCount)
        return 0;
    return kRows[static_cast<std::size_t>(row)].offsetSeconds;
}

} // namespace mrv
