// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FrameReport.h"

#include "zones/ZoneTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace mrv {

namespace {

constexpr int kZoneColumn = 30;

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

} // namespace

QString frameText(const FrameArrival &a)
{
    const DecodedFrame &f = a.frame;
    QString text = QStringLiteral("%1  %2  GMT %3  (%4%5 ms)\n")
                           .arg(a.arrival.toLocalTime().toString(QStringLiteral("HH:mm:ss.zzz")),
                                rawHex(f), hms(f.gmt()), a.offsetMs >= 0 ? QStringLiteral("+") : "")
                           .arg(a.offsetMs);
    // Long zone names widen the column for this frame only, so the times still line up.
    qsizetype width = kZoneColumn;
    for (int i = 0; i < 4; ++i)
        width = qMax(width, zoneText(f, i).size() + 1);
    for (int i = 0; i < 4; ++i) {
        const QString zone = zoneText(f, i).leftJustified(width);
        text += QStringLiteral("%1 %2%3  %4\n")
                        .arg(i + 1, 4)
                        .arg(zone, f.daylight(i) ? QStringLiteral("DST") : QStringLiteral("   "),
                             hms(f.shows(i)));
    }
    return text;
}

QString frameJson(const FrameArrival &a)
{
    const DecodedFrame &f = a.frame;
    QJsonArray slots;
    for (int i = 0; i < 4; ++i) {
        slots.append(QJsonObject {{QStringLiteral("slot"), i + 1},
                                  {QStringLiteral("row"), f.row(i)},
                                  {QStringLiteral("zone"), zoneText(f, i)},
                                  {QStringLiteral("dst"), f.daylight(i)},
                                  {QStringLiteral("shows"), hms(f.shows(i))}});
    }
    const QJsonObject object {
            {QStringLiteral("arrival"), a.arrival.toUTC().toString(Qt::ISODateWithMs)},
            {QStringLiteral("raw"), rawHex(f)},
            {QStringLiteral("gmt"), hms(f.gmt())},
            {QStringLiteral("offset_ms"), a.offsetMs},
            {QStringLiteral("slots"), slots},
    };
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace mrv
