// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FrameReport.h"

#include "domain/ZoneTable.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include <cstdlib>

namespace mrv {

namespace {

constexpr int kZoneColumn = 30;
constexpr qint64 kMicrosPerSecond = 1'000'000;
constexpr qint64 kSecondsPerDay = 86'400;

// Division rounding towards minus infinity, so that instants before the epoch fall on the
// right second and day too.
qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

QString rawHex(const DecodedFrame &frame)
{
    return QString::fromLatin1(frame.bytes().toHex(' ').toUpper());
}

QString zoneText(const DecodedFrame &frame, int index)
{
    return QString::fromLatin1(zoneTable().at(std::size_t(frame.row(index))).text);
}

QString hms(const QTime &time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

// "HH:mm:ss.uuuuuu" of the instant in `spec` time.
QString timeOfDayMicros(qint64 micros, Qt::TimeSpec spec)
{
    const qint64 seconds = floorDiv(micros, kMicrosPerSecond);
    const QDateTime at = QDateTime::fromSecsSinceEpoch(seconds, spec);
    return at.toString(QStringLiteral("HH:mm:ss")) + QLatin1Char('.')
           + QString::number(micros - seconds * kMicrosPerSecond)
                     .rightJustified(6, QLatin1Char('0'));
}

QString panelVerdict(const PanelDaylight &d)
{
    const QString zone = QString::fromLatin1(d.zoneId);
    switch (d.check) {
    case PanelDaylight::Check::NoCity:
        return QStringLiteral("-");
    case PanelDaylight::Check::UnknownZone:
        return QStringLiteral("? %1 is not in this system's time-zone database").arg(zone);
    case PanelDaylight::Check::Agrees:
        return QStringLiteral("ok");
    case PanelDaylight::Check::Disagrees:
        return d.cityInDaylight ? QStringLiteral("WRONG: %1 is on daylight saving time").arg(zone)
                                : QStringLiteral("WRONG: %1 is on standard time").arg(zone);
    }
    return {};
}

// The verdict of the whole frame for its first line: empty when no panel can be checked.
QString frameVerdict(const FrameArrival &a)
{
    const QList<int> wrong = a.disagreeing();
    if (!wrong.isEmpty()) {
        QStringList panels;
        for (int panel : wrong)
            panels << QString::number(panel);
        return QStringLiteral("  DST WRONG: panel%1 %2")
                .arg(wrong.size() > 1 ? QStringLiteral("s") : QString(),
                     panels.join(QStringLiteral(", ")));
    }
    for (const PanelDaylight &d : a.daylight) {
        if (d.check == PanelDaylight::Check::Agrees)
            return QStringLiteral("  DST ok");
    }
    return {};
}

} // namespace

QList<int> FrameArrival::disagreeing() const
{
    QList<int> panels;
    for (int i = 0; i < 4; ++i) {
        if (daylight.at(std::size_t(i)).check == PanelDaylight::Check::Disagrees)
            panels << i + 1;
    }
    return panels;
}

qint64 arrivalOffsetUs(const DecodedFrame &frame, qint64 arrivalUs)
{
    const qint64 day = floorDiv(floorDiv(arrivalUs, kMicrosPerSecond), kSecondsPerDay);
    const qint64 named = qint64(frame.hour) * 3600 + frame.minute * 60 + frame.second;
    qint64 best = 0;
    bool first = true;
    for (qint64 days : {-1, 0, 1}) {
        const qint64 offset =
                arrivalUs - ((day + days) * kSecondsPerDay + named) * kMicrosPerSecond;
        if (first || std::llabs(offset) < std::llabs(best))
            best = offset;
        first = false;
    }
    return best;
}

PanelDaylight checkDaylight(const DecodedFrame &frame, int index, qint64 secondsSinceEpoch)
{
    PanelDaylight d;
    d.zoneId = namesakeZoneId(frame.row(index));
    if (d.zoneId.isEmpty())
        return d;
    const QTimeZone zone(d.zoneId);
    if (!zone.isValid()) {
        d.check = PanelDaylight::Check::UnknownZone;
        return d;
    }
    d.cityInDaylight =
            zone.isDaylightTime(QDateTime::fromSecsSinceEpoch(secondsSinceEpoch, Qt::UTC));
    d.check = d.cityInDaylight == frame.daylight(index) ? PanelDaylight::Check::Agrees
                                                        : PanelDaylight::Check::Disagrees;
    return d;
}

FrameArrival frameArrival(const DecodedFrame &frame, qint64 arrivalUs, qint64 readDelayUs)
{
    FrameArrival a {frame, arrivalUs, arrivalOffsetUs(frame, arrivalUs), {}, readDelayUs};
    for (int i = 0; i < 4; ++i)
        a.daylight.at(std::size_t(i)) = checkDaylight(frame, i, a.frameSecond());
    return a;
}

QString millisText(qint64 micros)
{
    // In tens of microseconds, halves away from zero; a zero after rounding is "+".
    const qint64 magnitude = (std::llabs(micros) + 5) / 10;
    const bool negative = micros < 0 && magnitude != 0;
    return QStringLiteral("%1%2.%3")
            .arg(negative ? QLatin1Char('-') : QLatin1Char('+'))
            .arg(magnitude / 100)
            .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

QString isoMicrosText(qint64 micros)
{
    const qint64 seconds = floorDiv(micros, kMicrosPerSecond);
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(QStringLiteral("yyyy-MM-ddT"))
           + timeOfDayMicros(micros, Qt::UTC) + QLatin1Char('Z');
}

QString localTimeOfDayText(qint64 micros)
{
    return timeOfDayMicros(micros, Qt::LocalTime);
}

QString frameText(const FrameArrival &a)
{
    const DecodedFrame &f = a.frame;
    QString text = QStringLiteral("%1  %2  GMT %3  (%4 ms)%5\n")
                           .arg(timeOfDayMicros(a.arrivalUs, Qt::LocalTime), rawHex(f),
                                hms(f.gmt()), millisText(a.offsetUs), frameVerdict(a));
    // Long zone names widen the column for this frame only, so the times still line up.
    qsizetype width = kZoneColumn;
    for (int i = 0; i < 4; ++i)
        width = qMax(width, zoneText(f, i).size() + 1);
    for (int i = 0; i < 4; ++i) {
        const QString zone = zoneText(f, i).leftJustified(width);
        text += QStringLiteral("%1 %2%3  %4  %5\n")
                        .arg(i + 1, 4)
                        .arg(zone, f.daylight(i) ? QStringLiteral("DST") : QStringLiteral("   "),
                             hms(f.shows(i)), panelVerdict(a.daylight.at(std::size_t(i))));
    }
    return text;
}

QString frameJson(const FrameArrival &a)
{
    const DecodedFrame &f = a.frame;
    QJsonArray slots;
    bool anyChecked = false;
    for (int i = 0; i < 4; ++i) {
        const PanelDaylight &d = a.daylight.at(std::size_t(i));
        const bool checked = d.check == PanelDaylight::Check::Agrees
                             || d.check == PanelDaylight::Check::Disagrees;
        anyChecked = anyChecked || checked;
        slots.append(QJsonObject {
                {QStringLiteral("slot"), i + 1},
                {QStringLiteral("row"), f.row(i)},
                {QStringLiteral("zone"), zoneText(f, i)},
                {QStringLiteral("dst"), f.daylight(i)},
                {QStringLiteral("shows"), hms(f.shows(i))},
                // The namesake city's zone, what the database says there, and whether the flag
                // matches it; null where there is nothing to compare.
                {QStringLiteral("tz"),
                 d.zoneId.isEmpty() ? QJsonValue() : QJsonValue(QString::fromLatin1(d.zoneId))},
                {QStringLiteral("tz_dst"), checked ? QJsonValue(d.cityInDaylight) : QJsonValue()},
                {QStringLiteral("dst_ok"),
                 checked ? QJsonValue(d.check == PanelDaylight::Check::Agrees) : QJsonValue()},
        });
    }
    const QJsonObject object {
            {QStringLiteral("format"), QStringLiteral("frame")},
            {QStringLiteral("arrival"), isoMicrosText(a.arrivalUs)},
            {QStringLiteral("raw"), rawHex(f)},
            {QStringLiteral("gmt"), hms(f.gmt())},
            {QStringLiteral("offset_us"), a.offsetUs},
            {QStringLiteral("offset_ms"), double(a.offsetUs) / 1000.0},
            {QStringLiteral("read_delay_us"), a.readDelayUs},
            {QStringLiteral("dst_ok"),
             anyChecked ? QJsonValue(a.disagreeing().isEmpty()) : QJsonValue()},
            {QStringLiteral("slots"), slots},
    };
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString summaryText(const RunFigures &r)
{
    QString text = QStringLiteral("frames %1, errors %2, discarded bytes %3")
                           .arg(r.frames)
                           .arg(r.errors)
                           .arg(r.discardedBytes);
    if (r.offsetsUs.count() > 0) {
        text += QStringLiteral(", offset ms p50 %1 p99 %2 max %3")
                        .arg(millisText(r.offsetsUs.percentile(50)),
                             millisText(r.offsetsUs.percentile(99)), millisText(r.offsetsUs.max()));
    }
    if (r.readDelaysUs.count() > 0) {
        text += QStringLiteral(", read delay us p50 %1 p99 %2 max %3")
                        .arg(r.readDelaysUs.percentile(50))
                        .arg(r.readDelaysUs.percentile(99))
                        .arg(r.readDelaysUs.max());
    }
    if (r.frames > 0)
        text += QStringLiteral(", frames with a wrong DST flag %1").arg(r.wrongDaylightFrames);
    for (const auto &[format, count] : r.stringCounts)
        text += QStringLiteral(", %1 %2").arg(format).arg(count);
    return text;
}

} // namespace mrv
