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
// Reads back what formatDateLabel wrote in the same locale; nullopt for anything else
// (including the "--" placeholder).
std::optional<QDate> parseDateLabel(const QString &text, const QLocale &locale);

// Stored form: two-digit day, a blank, the English month abbreviation ("06 Jul").
QString formatStoredDayMonth(const QDate &date);
// Reads a stored value: English abbreviations always, and the first three letters of the
// locale's abbreviations where those are unambiguous. Case-insensitive, blanks tolerated.
std::optional<DayMonth> parseStoredDayMonth(const QString &text, const QLocale &locale);

// Completes stored start and end days with years. When the end comes before the start in the
// year (a window across New Year) the years are chosen so that the window contains today, or
// else is the next one; otherwise both get today's year. A missing side stays missing; a side
// that cannot exist in the chosen year (29 Feb) becomes the last day of that month.
struct CompletedWindow
{
    std::optional<QDate> start;
    std::optional<QDate> end;
};
CompletedWindow completeYears(const std::optional<DayMonth> &start,
                              const std::optional<DayMonth> &end, const QDate &today);

// What a date label shows when the zone has no stored date.
inline constexpr const char *kNoDatePlaceholder = "--";

} // namespace mrv
