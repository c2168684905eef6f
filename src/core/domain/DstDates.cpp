// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/DstDates.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <utility>

namespace mrv {

namespace {

const QString kLabelFormat = QStringLiteral("dd MMM yyyy");

// The stored month is always one of these, whatever the user's language, so that a file
// survives a change of locale and six characters always hold the whole month.
constexpr std::array<const char *, 12> kEnglishMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec",
};

// Month 1..12 named by token, or 0. English first; then the locale's own abbreviations, in full
// or by a prefix of at least three letters that only one month has (files written by older
// versions kept the first six characters of a localised label).
int monthFromToken(const QString &token, const QLocale &locale)
{
    for (std::size_t i = 0; i < kEnglishMonths.size(); ++i) {
        if (token.compare(QLatin1String(kEnglishMonths[i]), Qt::CaseInsensitive) == 0)
            return static_cast<int>(i) + 1;
    }

    QStringList names[2];
    for (int m = 1; m <= 12; ++m) {
        names[0] << locale.monthName(m, QLocale::ShortFormat);
        names[1] << locale.standaloneMonthName(m, QLocale::ShortFormat);
    }
    for (const QStringList &list : names) {
        for (int m = 1; m <= 12; ++m) {
            if (token.compare(list[m - 1], Qt::CaseInsensitive) == 0)
                return m;
        }
    }

    if (token.size() < 3)
        return 0;
    int found = 0;
    for (const QStringList &list : names) {
        for (int m = 1; m <= 12; ++m) {
            if (!list[m - 1].startsWith(token, Qt::CaseInsensitive))
                continue;
            if (found != 0 && found != m)
                return 0; // ambiguous, e.g. French "jui" for juin and juillet
            found = m;
        }
    }
    return found;
}

// The day and month in the given year; 29 February in a common year becomes the 28th.
QDate inYear(const DayMonth &dm, int year)
{
    const int day = std::min(dm.day, QDate(year, dm.month, 1).daysInMonth());
    return QDate(year, dm.month, day);
}

} // namespace

QString formatDateLabel(const QDate &date, const QLocale &locale)
{
    return locale.toString(date, kLabelFormat);
}

QString formatStoredDayMonth(const DayMonth &dayMonth)
{
    if (dayMonth.month < 1 || dayMonth.month > 12)
        return QString();
    return QStringLiteral("%1 %2")
            .arg(dayMonth.day, 2, 10, QLatin1Char('0'))
            .arg(QLatin1String(kEnglishMonths[static_cast<std::size_t>(dayMonth.month - 1)]));
}

std::optional<DayMonth> parseStoredDayMonth(const QString &text, const QLocale &locale)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*([0-9]{1,2})\\s+(\\S.*?)\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;

    const int day = match.captured(1).toInt();
    const int month = monthFromToken(match.captured(2), locale);
    // A leap year, so that 29 February is accepted; 31 February and day 0 are not.
    if (month == 0 || !QDate::isValid(2000, month, day))
        return std::nullopt;
    return DayMonth {day, month};
}

bool DstWindow::contains(const QDate &localDate) const
{
    // Whole local days: the window opens at the start of its first day and closes at the
    // start of its end day, on the wall clock, so a day whose midnight falls into a daylight
    // gap still counts from its first moment.
    return start && end && *start < *end && localDate >= *start && localDate < *end;
}

DstWindow windowOn(const DstDate &start, const DstDate &end, const QDate &today)
{
    const int year = today.year();
    DstWindow window;
    if (start.stored && end.stored) {
        const DayMonth &from = *start.stored;
        const DayMonth &to = *end.stored;
        const bool acrossNewYear = std::pair(to.month, to.day) < std::pair(from.month, from.day);
        // The window that began last year when today is still before its end, else this year's,
        // or next year's once this year's is over.
        int startYear = year;
        if (acrossNewYear && today < inYear(to, year))
            startYear = year - 1;
        else if (!acrossNewYear && today >= inYear(to, year))
            startYear = year + 1;
        window.start = inYear(from, startYear);
        window.end = inYear(to, acrossNewYear ? startYear + 1 : startYear);
    } else {
        if (start.stored)
            window.start = inYear(*start.stored, year);
        if (end.stored)
            window.end = inYear(*end.stored, year);
    }
    if (start.picked)
        window.start = start.picked;
    if (end.picked)
        window.end = end.picked;
    return window;
}

} // namespace mrv
