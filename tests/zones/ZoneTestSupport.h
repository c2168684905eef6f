#pragma once

#include "zones/Clock.h"
#include "zones/TimeZoneSource.h"

#include <QByteArray>
#include <QDateTime>

#include <cstdlib>
#include <ctime>

// Stands still at a wall-clock time; built on each call so that it follows the TZ in force.
class FixedClock final : public mrv::Clock
{
public:
    explicit FixedClock(const QDateTime &at)
        : date(at.date())
        , time(at.time())
    { }
    QDateTime localNow() const override { return QDateTime(date, time); }
    QDate date;
    QTime time;
};

class FixedZone final : public mrv::TimeZoneSource
{
public:
    explicit FixedZone(qint32 standard = 0)
        : facts {standard, 0}
    { }
    mrv::LocalZoneFacts factsAt(const QDateTime &) const override { return facts; }
    mrv::LocalZoneFacts facts;
};

// Sets TZ for its lifetime, then puts the previous value back.
class ScopedTz
{
public:
    explicit ScopedTz(const QByteArray &zone)
        : m_had(std::getenv("TZ") != nullptr)
    {
        if (m_had)
            m_old = std::getenv("TZ");
        ::setenv("TZ", zone.constData(), 1);
        ::tzset();
    }
    ~ScopedTz()
    {
        m_had ? ::setenv("TZ", m_old.constData(), 1) : ::unsetenv("TZ");
        ::tzset();
    }
    ScopedTz(const ScopedTz &) = delete;
    ScopedTz &operator=(const ScopedTz &) = delete;

private:
    QByteArray m_old;
    bool m_had;
};

inline QDateTime localAt(const char *text)
{
    return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}
