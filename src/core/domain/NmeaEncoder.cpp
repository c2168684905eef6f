// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/Encoders.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdlib>

namespace mrv {

namespace {

struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(mrv::NmeaEncoder)
};

constexpr std::array<const char *, 3> kSentences {"RMC", "ZDA", "GGA"};

QByteArray timeField(const QTime &time)
{
    return digits(time.hour(), 2) + digits(time.minute(), 2) + digits(time.second(), 2) + ".00";
}

// Hours and minutes of the offset, each with its own '-' when the offset is negative, so that a
// decoder reading either field as a signed number gets the sign right ("-03,-30", "-04,00").
QByteArray zoneFields(qint32 offsetSeconds)
{
    const bool negative = offsetSeconds < 0;
    const qint32 magnitude = std::abs(offsetSeconds);
    const int minutes = magnitude % 3600 / 60;
    QByteArray fields = negative ? "-" : "";
    fields += digits(magnitude / 3600, 2) + ',';
    if (negative && minutes != 0)
        fields += '-';
    return fields + digits(minutes, 2);
}

QByteArray sentenceBody(const QByteArray &name, const EncoderInput &input,
                        const EncoderOptions &options)
{
    const QDateTime utc = input.utc.toUTC();
    const QDate date = utc.date();
    const QByteArray time = timeField(utc.time());
    QByteArray body = options.talker.toLatin1() + name + ',' + time + ',';
    if (name == "RMC") {
        // No position: only the time, the date and whether they can be trusted.
        body += QByteArray(input.synchronised ? "A" : "V") + ",,,,,,," + digits(date.day(), 2)
                + digits(date.month(), 2) + digits(date.year() % 100, 2) + ",,,";
    } else if (name == "ZDA") {
        const qint32 zone =
                options.zoneSignEast ? input.zone.offsetSeconds : -input.zone.offsetSeconds;
        body += digits(date.day(), 2) + ',' + digits(date.month(), 2) + ',' + digits(date.year(), 4)
                + ',' + zoneFields(zone);
    } else { // GGA: fix quality 0, no satellites, no position
        body += ",,,,0,00,,,M,,M,,";
    }
    return body;
}

} // namespace

QByteArray nmeaChecksum(QByteArrayView bytes)
{
    quint8 sum = 0;
    for (char c : bytes)
        sum ^= quint8(c);
    return QByteArray::number(sum, 16).toUpper().rightJustified(2, '0');
}

QString checkNmeaOptions(const EncoderOptions &options)
{
    const QString &talker = options.talker;
    if (talker.size() != 2 || !std::all_of(talker.cbegin(), talker.cend(), [](QChar c) {
            return c >= u'A' && c <= u'Z';
        })) {
        return Texts::tr("the talker “%1” is not two upper-case letters (such as GP)").arg(talker);
    }
    if (options.sentences.isEmpty())
        return Texts::tr("no NMEA sentence chosen: use RMC, ZDA or GGA");
    for (qsizetype i = 0; i < options.sentences.size(); ++i) {
        const QString &name = options.sentences.at(i);
        if (std::none_of(kSentences.cbegin(), kSentences.cend(),
                         [&name](const char *known) { return name == QLatin1String(known); })) {
            return Texts::tr("unknown NMEA sentence “%1”: use RMC, ZDA or GGA").arg(name);
        }
        if (options.sentences.indexOf(name) != i)
            return Texts::tr("the NMEA sentence “%1” is chosen twice").arg(name);
    }
    return {};
}

Encoded encodeNmea(const EncoderInput &input, const EncoderOptions &options)
{
    if (!input.utc.isValid() || !checkNmeaOptions(options).isEmpty())
        return {};
    QByteArray bytes;
    for (const QString &name : options.sentences) {
        const QByteArray body = sentenceBody(name.toLatin1(), input, options);
        bytes += '$' + body + '*' + nmeaChecksum(body) + "\r\n";
    }
    return {bytes, 0};
}

} // namespace mrv
