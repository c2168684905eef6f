// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TimeString.h"

#include <QList>

namespace mrv {

namespace {

TimeString fail(TimeString s, const QString &reason)
{
    s.error = reason;
    return s;
}

QString quoted(QByteArrayView field)
{
    return QStringLiteral("\"%1\"").arg(QString::fromLatin1(field));
}

// A field of digits only (at most nine, so it fits an int); nothing for anything else.
std::optional<int> digits(QByteArrayView field)
{
    if (field.isEmpty() || field.size() > 9)
        return std::nullopt;
    int value = 0;
    for (char c : field) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// Digits with an optional sign in front.
std::optional<int> signedDigits(QByteArrayView field)
{
    if (!field.isEmpty() && (field.front() == '-' || field.front() == '+')) {
        const std::optional<int> magnitude = digits(field.sliced(1));
        if (!magnitude)
            return std::nullopt;
        return field.front() == '-' ? -*magnitude : *magnitude;
    }
    return digits(field);
}

// "hhmmss" or "hhmmss.ff..": an invalid time for anything else, a second 60 included.
QTime nmeaTime(QByteArrayView field)
{
    if (field.size() < 6 || (field.size() > 6 && (field[6] != '.' || field.size() == 7)))
        return {};
    if (field.size() > 7 && !digits(field.sliced(7, qMin<qsizetype>(field.size() - 7, 9))))
        return {};
    const auto h = digits(field.first(2)), m = digits(field.sliced(2, 2)),
               s = digits(field.sliced(4, 2));
    return h && m && s ? QTime(*h, *m, *s) : QTime();
}

// Two digits each of day, month and year ("230394"); years from 80 are of the 1900s.
QDate nmeaDate(QByteArrayView field)
{
    if (field.size() != 6)
        return {};
    const auto d = digits(field.first(2)), m = digits(field.sliced(2, 2)),
               y = digits(field.sliced(4, 2));
    if (!d || !m || !y)
        return {};
    return QDate(*y >= 80 ? 1900 + *y : 2000 + *y, *m, *d);
}

bool isUpperHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// The ZDA's local zone, hours with the sign and minutes that share it ("-03","30" is
// -3:30); both empty when the sender leaves the zone out.
bool readZdaZone(TimeString &s, QByteArrayView hours, QByteArrayView minutes)
{
    if (hours.isEmpty() && minutes.isEmpty())
        return true;
    const std::optional<int> h = signedDigits(hours);
    const std::optional<int> m = digits(minutes);
    if (!h || !m || qAbs(*h) > 14 || *m > 59)
        return false;
    const bool west = hours.front() == '-';
    s.zoneMinutes = (west ? -1 : 1) * (qAbs(*h) * 60 + *m);
    return true;
}

TimeString nmeaFields(TimeString s, const QList<QByteArray> &f)
{
    const QByteArray type = s.sentence.sliced(2);
    const qsizetype needed = type == "RMC" ? 10 : type == "ZDA" ? 7 : type == "GGA" ? 7 : 0;
    if (needed == 0)
        return fail(s, QStringLiteral("sentence %1 is none of RMC, ZDA, GGA")
                               .arg(QString::fromLatin1(type)));
    if (f.size() < needed)
        return fail(s,
                    QStringLiteral("%1 fields, %2 needs %3").arg(f.size()).arg(type).arg(needed));
    s.time = nmeaTime(f[1]);
    if (!s.time.isValid())
        return fail(s, QStringLiteral("time %1 is not hhmmss").arg(quoted(f[1])));
    if (type == "RMC") {
        if (f[2] != "A" && f[2] != "V")
            return fail(s, QStringLiteral("status %1 is neither A nor V").arg(quoted(f[2])));
        s.synchronised = f[2] == "A";
        s.date = nmeaDate(f[9]);
        if (!s.date.isValid())
            return fail(s, QStringLiteral("no such date %1").arg(quoted(f[9])));
    } else if (type == "ZDA") {
        const auto d = digits(f[2]), m = digits(f[3]), y = digits(f[4]);
        s.date = d && m && y && f[4].size() == 4 ? QDate(*y, *m, *d) : QDate();
        if (!s.date.isValid())
            return fail(s, QStringLiteral("no such date %1,%2,%3")
                                   .arg(QString::fromLatin1(f[2]), QString::fromLatin1(f[3]),
                                        QString::fromLatin1(f[4])));
        if (!readZdaZone(s, f[5], f[6]))
            return fail(s, QStringLiteral("local zone %1,%2 is not hh,mm")
                                   .arg(QString::fromLatin1(f[5]), QString::fromLatin1(f[6])));
    }
    return s;
}

} // namespace

QString stringFormatName(StringFormat format)
{
    switch (format) {
    case StringFormat::Nmea:
        return QStringLiteral("nmea");
    case StringFormat::Standard:
        return QStringLiteral("standard");
    case StringFormat::Nena:
        return QStringLiteral("nena");
    }
    return {};
}

TimeString parseNmeaSentence(QByteArrayView bytes)
{
    TimeString s;
    s.format = StringFormat::Nmea;
    s.raw = bytes.toByteArray();
    s.utc = true;
    const qsizetype star = bytes.lastIndexOf('*');
    if (!bytes.startsWith('$') || !bytes.endsWith("\r\n") || star < 0 || star + 5 != bytes.size())
        return fail(s, QStringLiteral("not $...*hh CR LF"));
    if (!isUpperHex(bytes[star + 1]) || !isUpperHex(bytes[star + 2]))
        return fail(s, QStringLiteral("checksum %1 is not two upper-case hex digits")
                               .arg(quoted(bytes.sliced(star + 1, 2))));
    quint8 computed = 0;
    for (char c : bytes.sliced(1, star - 1))
        computed ^= quint8(c);
    const int given = bytes.sliced(star + 1, 2).toByteArray().toInt(nullptr, 16);
    if (given != computed)
        return fail(s, QStringLiteral("bad checksum %1, computed %2")
                               .arg(QString::fromLatin1(bytes.sliced(star + 1, 2)),
                                    QString::number(computed, 16)
                                            .rightJustified(2, QLatin1Char('0'))
                                            .toUpper()));
    const QList<QByteArray> fields = bytes.sliced(1, star - 1).toByteArray().split(',');
    s.sentence = fields.first();
    bool letters = s.sentence.size() == 5;
    for (char c : s.sentence)
        letters = letters && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'));
    if (!letters)
        return fail(s, QStringLiteral("address %1 is not a talker and a sentence")
                               .arg(quoted(s.sentence)));
    return nmeaFields(s, fields);
}

TimeString parseStandardString(QByteArrayView bytes)
{
    TimeString s;
    s.format = StringFormat::Standard;
    s.raw = bytes.toByteArray();
    const QByteArrayView shape(kStandardShape);
    if (bytes.size() != shape.size())
        return fail(s, QStringLiteral("%1 bytes, not %2").arg(bytes.size()).arg(shape.size()));
    for (qsizetype i = 0; i < shape.size(); ++i) {
        if (!fitsShapeCharacter(shape[i], bytes[i]))
            return fail(s, QStringLiteral("unexpected byte 0x%1 at %2")
                                   .arg(quint8(bytes[i]), 2, 16, QLatin1Char('0'))
                                   .arg(i));
    }
    const auto number = [&](int at) {
        return *digits(bytes.sliced(at, 2));
    };
    s.date = QDate(2000 + number(9), number(6), number(3));
    if (!s.date.isValid())
        return fail(s, QStringLiteral("no such date %1").arg(quoted(bytes.sliced(3, 8))));
    s.weekday = bytes[14] - '0';
    if (s.weekday != s.date.dayOfWeek())
        return fail(s, QStringLiteral("weekday %1, but %2 is day %3 of its week")
                               .arg(s.weekday)
                               .arg(s.date.toString(Qt::ISODate))
                               .arg(s.date.dayOfWeek()));
    s.time = QTime(number(18), number(21), number(24));
    if (!s.time.isValid())
        return fail(s, QStringLiteral("no such time %1").arg(quoted(bytes.sliced(18, 8))));
    const char u = bytes[27], x = bytes[29], y = bytes[30];
    if ((u != '#' && u != ' ') || (x != 'U' && x != 'S' && x != ' ') || (y != '!' && y != ' '))
        return fail(s, QStringLiteral("status %1 is not one of [# ] [ ] [US ] [! ]")
                               .arg(quoted(bytes.sliced(27, 4))));
    s.synchronised = u == ' ';
    s.daylight = x == 'U' ? DaylightState::Utc
                          : (x == 'S' ? DaylightState::Daylight : DaylightState::Standard);
    s.change = y == '!' ? ComingChange::WithinHour : ComingChange::None;
    return s;
}

TimeString parseNenaString(QByteArrayView bytes)
{
    TimeString s;
    s.format = StringFormat::Nena;
    s.raw = bytes.toByteArray();
    const QByteArrayView shape(kNenaShape);
    if (bytes.size() < shape.size() + 3 || bytes.size() > kNenaMaxLength || !bytes.endsWith("\r\n"))
        return fail(s, QStringLiteral("not CR LF ... TZ=hh CR LF"));
    for (qsizetype i = 0; i < shape.size(); ++i) {
        if (!fitsShapeCharacter(shape[i], bytes[i]))
            return fail(s, QStringLiteral("unexpected byte 0x%1 at %2")
                                   .arg(quint8(bytes[i]), 2, 16, QLatin1Char('0'))
                                   .arg(i));
    }
    const char status = bytes[2], dst = bytes[18];
    if (status != ' ' && status != '?')
        return fail(
                s,
                QStringLiteral("status %1 is neither blank nor ?").arg(quoted(bytes.sliced(2, 1))));
    s.synchronised = status == ' ';
    s.dayOfYear = *digits(bytes.sliced(5, 3));
    if (s.dayOfYear < 1 || s.dayOfYear > 366)
        return fail(s, QStringLiteral("day of the year %1 is not 001..366").arg(s.dayOfYear));
    s.time = QTime(*digits(bytes.sliced(9, 2)), *digits(bytes.sliced(12, 2)),
                   *digits(bytes.sliced(15, 2)));
    if (!s.time.isValid())
        return fail(s, QStringLiteral("no such time %1").arg(quoted(bytes.sliced(9, 8))));
    switch (dst) {
    case 'S':
    case 'I':
        s.daylight = DaylightState::Standard;
        s.change = dst == 'I' ? ComingChange::IntoDaylightWithinDay : ComingChange::None;
        break;
    case 'D':
    case 'O':
        s.daylight = DaylightState::Daylight;
        s.change = dst == 'O' ? ComingChange::OutOfDaylightWithinDay : ComingChange::None;
        break;
    default:
        return fail(s, QStringLiteral("daylight code %1 is none of S, I, D, O")
                               .arg(quoted(bytes.sliced(18, 1))));
    }
    const QByteArrayView west = bytes.sliced(shape.size(), bytes.size() - shape.size() - 2);
    const std::optional<int> hours = signedDigits(west);
    if (!hours || qAbs(*hours) > 14)
        return fail(
                s,
                QStringLiteral("hours west %1 are not a whole number of hours").arg(quoted(west)));
    s.standardZoneMinutes = -*hours * 60;
    return s;
}

} // namespace mrv
