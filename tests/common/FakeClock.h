#pragma once

// The one clock the tests inject: it says what `now` holds, or, given a script, the next time of
// the script at each call and then the last one again. Times are local wall-clock times in the
// TZ in force, whatever time spec they were written with.

#include "zones/Clock.h"

#include <QDateTime>
#include <QList>

#include <algorithm>

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
        const QDateTime t =
                script.isEmpty() ? now : script.at(std::min(calls, script.size() - 1));
        ++calls;
        return QDateTime(t.date(), t.time());
    }

    QDateTime now {QDate(2026, 12, 6), QTime(14, 3, 0)};
    QList<QDateTime> script;
    mutable qsizetype calls = 0; // how often the clock was read
};
