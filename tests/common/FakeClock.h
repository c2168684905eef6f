// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The one clock the tests inject: it says what `now` holds, or, given a script, the next time of
// the script at each call and then the last one again. A local time stands for its own instant;
// a time in UTC or at an offset is read as a local wall-clock time in the TZ in force.

#include "domain/Clock.h"

#include <QDateTime>
#include <QList>

#include <algorithm>
#include <ctime>

struct FakeClock final : mrv::Clock
{
    FakeClock() = default;
    explicit FakeClock(const QDateTime &at)
        : now(at)
    { }
    explicit FakeClock(const QList<QDateTime> &times)
        : script(times)
    { }

    QDateTime localNow() const override
    {
        const QDateTime t = script.isEmpty() ? now : script.at(std::min(calls, script.size() - 1));
        ++calls;
        return t.timeSpec() == Qt::LocalTime ? t : QDateTime(t.date(), t.time());
    }

    QDateTime now {QDate(2026, 12, 6), QTime(14, 3, 0)};
    QList<QDateTime> script;
    mutable qsizetype calls = 0; // how often the clock was read
};

// Makes `zone` the system time zone, as the TZ variable does for a program started under it.
inline void setTz(const char *zone)
{
    qputenv("TZ", zone);
    ::tzset();
}
