// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "domain/DisplaySettings.h"

#include <QByteArray>
#include <QDateTime>

#include <array>

namespace mrv {

// What a string can say about the display's zone at the instant it carries.
struct ZoneFacts
{
    qint32 offsetSeconds = 0; // the zone's time minus UTC at the instant
    qint32 standardOffsetSeconds = 0; // its standard time minus UTC
    bool daylight = false; // daylight saving time is in force
    bool isUtc = false; // the zone is UTC itself (not merely a zone at offset 0)
    // The zone's next daylight-saving change after the instant (UTC), invalid when none is known,
    // and whether it starts daylight time.
    QDateTime nextChange;
    bool nextChangeStartsDaylight = false;
    friend bool operator==(const ZoneFacts &, const ZoneFacts &) = default;
};

// Everything an encoder reads: one instant and the facts of that instant.
struct EncoderInput
{
    QDateTime utc; // the second the string announces, whole seconds, Qt::UTC
    ZoneFacts zone;
    bool synchronised = true; // false: the string carries its not-synchronised status
    std::array<quint8, 4> zoneCodes {}; // the 9-byte frame's zone codes
};

// A string ready for the line, and which of its characters marks the second.
struct Encoded
{
    QByteArray bytes; // empty: nothing can be sent for this instant
    int onTimeIndex = 0;
};

using Encoder = Encoded (*)(const EncoderInput &input, const EncoderOptions &options);

// One row per format: its name in the settings file, its usual line settings and interval, and
// its encoder. A new format is one encoder and one row here.
struct FormatInfo
{
    DisplayFormat format;
    const char *name; // "frame", "nmea", ...
    const char *defaultLineSettings; // "4800,n,8,1"
    int defaultIntervalSeconds;
    Encoder encode;
};

const std::array<FormatInfo, 5> &displayFormats();
const FormatInfo &formatInfo(DisplayFormat format);

// Whether the options can be used with the format; else one line naming what and where (a
// template's unknown code and its position, an unknown NMEA sentence, a bad talker).
QString checkEncoderOptions(DisplayFormat format, const EncoderOptions &options);

} // namespace mrv
