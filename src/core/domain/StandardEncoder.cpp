// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/Encoders.h"

namespace mrv {

namespace {

constexpr char kStx = 0x02;
constexpr char kEtx = 0x03;
constexpr qint64 kAnnouncedChangeSeconds = 3600;

} // namespace

Encoded encodeStandard(const EncoderInput &input, const EncoderOptions &)
{
    if (!input.utc.isValid())
        return {};
    const QDateTime wall = zoneWallClock(input);
    const QDate date = wall.date();
    const QTime time = wall.time();
    const qint64 toChange = secondsToNextChange(input);

    QByteArray bytes;
    bytes.reserve(32);
    bytes += kStx;
    bytes += "D:" + digits(date.day(), 2) + '.' + digits(date.month(), 2) + '.'
             + digits(date.year() % 100, 2) + ';';
    bytes += "T:" + QByteArray::number(date.dayOfWeek()) + ';';
    bytes += "U:" + digits(time.hour(), 2) + '.' + digits(time.minute(), 2) + '.'
             + digits(time.second(), 2) + ';';
    bytes += input.synchronised ? ' ' : '#';
    bytes += ' ';
    bytes += input.zone.isUtc ? 'U' : (input.zone.daylight ? 'S' : ' ');
    bytes += toChange > 0 && toChange <= kAnnouncedChangeSeconds ? '!' : ' ';
    bytes += kEtx;
    return {bytes, 0};
}

} // namespace mrv
