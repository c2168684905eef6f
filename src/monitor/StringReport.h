// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "StreamDecoder.h"
#include "TimeString.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace mrv {

// A time string as it arrived: what was decoded, and when its on-time character came.
struct StringArrival
{
    TimeString string;
    qint64 arrivalUs = 0; // of the on-time character, microseconds since the epoch
    qint64 offsetUs = 0; // arrival minus the start of the second the string names
    qint64 readDelayUs = 0; // of the read that brought the on-time character
    bool onTime = true; // false for an NMEA sentence after the first of its second
};

// How late a string's on-time character came: arrival minus the start of the second the
// string names. A UTC time with a date names one instant. A UTC time without one is taken on
// the nearest day. A local time is of a zone whose offset the string does not carry in full,
// and offsets are whole quarter hours, so it is taken in the nearest quarter hour: lateness
// reads right up to seven and a half minutes either way.
qint64 stringOffsetUs(const TimeString &string, qint64 arrivalUs);

StringArrival stringArrival(const StreamItem &item);

// "UTC+10:30", "UTC-05:00", "UTC+00:00".
QString zoneOffsetText(int minutes);

// The bytes as text: printable ASCII as it is, CR and LF as \r and \n, the rest as \xNN.
QString escapedText(QByteArrayView bytes);

// What the string says besides its time, in words: "synchronised", "daylight",
// "change within the hour", "zone UTC-05:00", "standard offset UTC-05:00", ...
QStringList stringFacts(const TimeString &string);

// The string for people, one line ending in a newline: arrival (local time), format, the time
// and date it carries, its facts and its offset; or what is wrong with it and its bytes.
QString stringText(const StringArrival &arrival);

// The string for programs: one line of JSON, no newline.
QString stringJson(const StringArrival &arrival);

} // namespace mrv
