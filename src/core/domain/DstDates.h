// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

#include <optional>

namespace mrv {

// Day and month of a stored daylight-saving date (the file keeps no year).
struct DayMonth
{
    int day = 0;
    int month = 0;
    friend bool operator==(const DayMonth &, const DayMonth &) = default;
};

// Date label text: "dd MMM yyyy" in the locale (e.g. "28 Mar 2026").
QString formatDateLabel(const QDate &date, const QLocale &locale);

// Stored form: two-digit day, a blank, the English month abbreviation ("06 Jul").
QString formatStoredDayMonth(const DayMonth &dayMonth);
// Reads a stored value: English abbreviations always, and the first three letters of the
// locale's abbreviations where those are unambiguous. Case-insensitive, blanks tolerated.
std::optional<DayMonth> parseStoredDayMonth(const QString &text, const QLocale &locale);

// One side (start or end) of a zone's daylight-saving window as the settings hold it: a day
// and month from the file, whose year follows the calendar, or a date picked in the dialog,
// which keeps its year. A picked date wins.
struct DstDate
{
    std::optional<DayMonth> stored;
    std::optional<QDate> picked;
    friend bool operator==(const DstDate &, const DstDate &) = default;
};

// A daylight-saving window on the local calendar: from the start of its first day to the start
// of its end day. A missing side, or an end not after the start, holds no day at all.
struct DstWindow
{
    std::optional<QDate> start;
    std::optional<QDate> end;
    bool contains(const QDate &localDate) const;
    friend bool operator==(const DstWindow &, const DstWindow &) = default;
};

// The window in force on `today`, or else the next one. Stored days get years: a window whose
// end comes before its start in the year runs across New Year; a window that is over for this
// year is next year's. A stored side that cannot exist in its year (29 Feb) becomes the last day
// of that month. A missing side stays missing and the other keeps today's year.
DstWindow windowOn(const DstDate &start, const DstDate &end, const QDate &today);

// What a date label shows when the zone has no stored date.
inline constexpr const char *kNoDatePlaceholder = "--";

} // namespace mrv
