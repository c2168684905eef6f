// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "StringReport.h"

#include "FrameReport.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

namespace mrv {

namespace {

constexpr qint64 kMicrosPerSecond = 1'000'000;
constexpr qint64 kSecondsPerDay = 86'400;
constexpr qint64 kSecondsPerQuarterHour = 900;

// Arrival minus the named second of the day, in whichever period (a day, a quarter hour)
// lies nearest.
qint64 nearestOffsetUs(qint64 arrivalUs, qint64 namedSecond, qint64 periodSeconds)
{
    const qint64 period = periodSeconds * kMicrosPerSecond;
    qint64 offset = (arrivalUs - namedSecond * kMicrosPerSecond) % period;
    if (offset < 0)
        offset += period;
    return offset >= period / 2 ? offset - period : offset;
}

QString daylightWord(DaylightState state)
{
    switch (state) {
    case DaylightState::NotCarried:
        return {};
    case DaylightState::Standard:
        return QStringLiteral("standard");
    case DaylightState::Daylight:
        return QStringLiteral("daylight");
    case DaylightState::Utc:
        return QStringLiteral("UTC");
    }
    return {};
}

QString changeWords(ComingChange change)
{
    switch (change) {
    case ComingChange::None:
        return {};
    case ComingChange::WithinHour:
        return QStringLiteral("change within the hour");
    case ComingChange::IntoDaylightWithinDay:
        return QStringLiteral("change into daylight within 24 h");
    case ComingChange::OutOfDaylightWithinDay:
        return QStringLiteral("change out of daylight within 24 h");
    }
    return {};
}

QString statusWords(const TimeString &s)
{
    if (!s.synchronised)
        return {};
    return *s.synchronised ? QStringLiteral("synchronised") : QStringLiteral("not synchronised");
}

// The format, with the NMEA address: "nmea GPRMC".
QString formatLabel(const TimeString &s)
{
    const QString name = stringFormatName(s.format);
    return s.sentence.isEmpty() ? name : name + QLatin1Char(' ') + QString::fromLatin1(s.sentence);
}

// The date and what places it: "2024-03-23 Sat", "day 083", or nothing.
QString dateText(const TimeString &s)
{
    if (s.date.isValid()) {
        const QString date = s.date.toString(Qt::ISODate);
        return s.weekday == 0 ? date
                              : date + QLatin1Char(' ')
                                        + QLocale::c().dayName(s.weekday, QLocale::ShortFormat);
    }
    if (s.dayOfYear > 0)
        return QStringLiteral("day %1").arg(s.dayOfYear, 3, 10, QLatin1Char('0'));
    return {};
}

QJsonValue orNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonValue zoneOrNull(const std::optional<int> &minutes)
{
    return minutes ? QJsonValue(zoneOffsetText(*minutes)) : QJsonValue();
}

} // namespace

qint64 stringOffsetUs(const TimeString &s, qint64 arrivalUs)
{
    const qint64 named = QTime(0, 0).secsTo(s.time);
    if (s.utc && s.date.isValid())
        return arrivalUs - QDateTime(s.date, s.time, Qt::UTC).toSecsSinceEpoch() * kMicrosPerSecond;
    return nearestOffsetUs(arrivalUs, named, s.utc ? kSecondsPerDay : kSecondsPerQuarterHour);
}

StringArrival stringArrival(const StreamItem &item)
{
    StringArrival a {item.string, item.stamp.arrivalUs, 0, item.stamp.delayUs, item.onTime};
    if (a.string.ok())
        a.offsetUs = stringOffsetUs(a.string, a.arrivalUs);
    return a;
}

QString zoneOffsetText(int minutes)
{
    return QStringLiteral("UTC%1%2:%3")
            .arg(minutes < 0 ? QLatin1Char('-') : QLatin1Char('+'))
            .arg(qAbs(minutes) / 60, 2, 10, QLatin1Char('0'))
            .arg(qAbs(minutes) % 60, 2, 10, QLatin1Char('0'));
}

QString escapedText(QByteArrayView bytes)
{
    QString text;
    for (char c : bytes) {
        if (c == '\r')
            text += QStringLiteral("\\r");
        else if (c == '\n')
            text += QStringLiteral("\\n");
        else if (c == '\\')
            text += QStringLiteral("\\\\");
        else if (c >= 0x20 && c <= 0x7E)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(quint8(c), 2, 16, QLatin1Char('0'));
    }
    return text;
}

QStringList stringFacts(const TimeString &s)
{
    QStringList facts;
    if (s.zoneMinutes)
        facts << QStringLiteral("zone %1").arg(zoneOffsetText(*s.zoneMinutes));
    if (s.standardZoneMinutes)
        facts << QStringLiteral("standard offset %1").arg(zoneOffsetText(*s.standardZoneMinutes));
    facts << daylightWord(s.daylight) << changeWords(s.change) << statusWords(s);
    facts.removeAll(QString());
    return facts;
}

QString stringText(const StringArrival &a)
{
    const TimeString &s = a.string;
    const QString start = localTimeOfDayText(a.arrivalUs) + QStringLiteral("  ") + formatLabel(s);
    if (!s.ok())
        return QStringLiteral("%1  NOT DECODED: %2  \"%3\"\n")
                .arg(start, s.error, escapedText(s.raw));
    QStringList parts {start, (s.utc ? QStringLiteral("UTC ") : QStringLiteral("local "))
                                      + s.time.toString(QStringLiteral("HH:mm:ss"))};
    parts << dateText(s) << stringFacts(s).join(QStringLiteral(", "));
    parts << QStringLiteral("(%1 ms%2)")
                     .arg(millisText(a.offsetUs),
                          a.onTime ? QString() : QStringLiteral(", same second"));
    parts.removeAll(QString());
    return parts.join(QStringLiteral("  ")) + QLatin1Char('\n');
}

QString stringJson(const StringArrival &a)
{
    const TimeString &s = a.string;
    QJsonObject object {
            {QStringLiteral("format"), stringFormatName(s.format)},
            {QStringLiteral("arrival"), isoMicrosText(a.arrivalUs)},
            {QStringLiteral("raw"), QString::fromLatin1(s.raw)},
            {QStringLiteral("error"), orNull(s.error)},
            {QStringLiteral("read_delay_us"), a.readDelayUs},
    };
    if (!s.ok())
        return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    object.insert(QStringLiteral("sentence"), orNull(QString::fromLatin1(s.sentence)));
    object.insert(QStringLiteral("time"), s.time.toString(QStringLiteral("HH:mm:ss")));
    object.insert(QStringLiteral("time_scale"),
                  s.utc ? QStringLiteral("utc") : QStringLiteral("local"));
    object.insert(QStringLiteral("date"), orNull(s.date.toString(Qt::ISODate)));
    object.insert(QStringLiteral("weekday"), s.weekday > 0 ? QJsonValue(s.weekday) : QJsonValue());
    object.insert(QStringLiteral("day_of_year"),
                  s.dayOfYear > 0 ? QJsonValue(s.dayOfYear) : QJsonValue());
    object.insert(QStringLiteral("zone"), zoneOrNull(s.zoneMinutes));
    object.insert(QStringLiteral("standard_zone"), zoneOrNull(s.standardZoneMinutes));
    object.insert(QStringLiteral("daylight"), orNull(daylightWord(s.daylight).toLower()));
    object.insert(QStringLiteral("change"), orNull(changeWords(s.change)));
    object.insert(QStringLiteral("status"), orNull(statusWords(s)));
    object.insert(QStringLiteral("on_time"), a.onTime);
    object.insert(QStringLiteral("offset_us"), a.offsetUs);
    object.insert(QStringLiteral("offset_ms"), double(a.offsetUs) / 1000.0);
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace mrv
