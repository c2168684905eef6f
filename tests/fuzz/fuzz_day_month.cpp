// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Any text as a stored daylight-saving date, in English, French or German (chosen by the first
// byte): parsing never crashes, and what it accepts is a real day of a year that reads back the
// same once stored again, and gives a window that holds or follows any day.

#include "domain/DstDates.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QLocale locales[] = {QLocale("en_GB"), QLocale("fr_FR"), QLocale("de_DE")};
    if (size == 0)
        return 0;
    const QLocale &locale = locales[data[0] % 3];
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), size - 1);
    const auto stored = mrv::parseStoredDayMonth(text, locale);
    if (!stored)
        return 0;
    fuzz::check(QDate(2000, stored->month, stored->day).isValid(), // a leap year, for 29 Feb
                "stored day and month invalid");
    fuzz::check(mrv::parseStoredDayMonth(mrv::formatStoredDayMonth(*stored), locale) == stored,
                "stored form does not read back");
    // Against a fixed other side, on a day of 2027 chosen by the first byte: the window in force
    // or the next one, never one that is over.
    const QDate today = QDate(2027, 1, 1).addDays(data[0] + 100);
    const mrv::DstWindow window =
            mrv::windowOn({stored, std::nullopt}, {mrv::DayMonth {1, 7}, std::nullopt}, today);
    fuzz::check(window.start && window.end, "a side went missing");
    fuzz::check(*window.end > today, "a window that is over");
    return 0;
}
