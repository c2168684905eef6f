#pragma once

#include "zones/Clock.h"
#include "zones/TimeZoneSource.h"

#include <QByteArray>
#include <QDateTime>

#include <cstdlib>
#include <ctime>

// A clock that stands still at a wall-clock date and time. The local date-time is built on
// every call, so it always follows the TZ in force at that moment.
class FixedClock final : public mrv::Clock
{
public:
    FixedClock(QDate date, QTime time)
        : date(date)
        , time(time)
    { }
    QDateTime localNow() const override { return QDateTime(date, time); }
    QDate date;
    QTime time;
};

// Zone facts that do not depend on the machine.
class FixedZone final : public mrv::TimeZoneSource
{
public:
    explicit FixedZone(qint32 standard = 0, qint32 daylight = 0)
        : facts {standard, daylight}
    { }
    mrv::LocalZoneFacts factsAt(const QDateTime &) const override { return facts; }
    mrv::LocalZoneFacts facts;
};

// Sets TZ for the lifetime of the object and puts the previous value back afterwards.
class ScopedTz
{
public:
    explicit ScopedTz(const QByteArray &zone)
    {
        if (const char *old = std::getenv("TZ")) {
            m_had = true;
            m_old = old;
        }
        ::setenv("TZ", zone.constData(), 1);
        ::tzset();
    }
    ~ScopedTz()
    {
        if (m_had)
            ::setenv("TZ", m_old.constData(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    ScopedTz(const ScopedTz &) = delete;
    ScopedTz &operator=(const ScopedTz &) = delete;

private:
    bool m_had = false;
    QByteArray m_old;
};
