// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/DisplayFormat.h"

#include "domain/Encoders.h"

namespace mrv {

namespace {

constexpr std::array<FormatInfo, 5> kFormats {{
        {DisplayFormat::Frame, "frame", "9600,n,8,1", 60, encodeFrame},
        {DisplayFormat::Nmea, "nmea", "4800,n,8,1", 1, encodeNmea},
        {DisplayFormat::Standard, "standard", "9600,n,8,1", 1, encodeStandard},
        {DisplayFormat::Nena, "nena", "9600,n,8,1", 1, encodeNena},
        {DisplayFormat::Template, "template", "9600,n,8,1", 1, encodeTemplate},
}};

constexpr qint64 kAnnouncedDaylightChangeSeconds = 24 * 3600;

} // namespace

const std::array<FormatInfo, 5> &displayFormats()
{
    return kFormats;
}

const FormatInfo &formatInfo(DisplayFormat format)
{
    for (const FormatInfo &info : kFormats) {
        if (info.format == format)
            return info;
    }
    return kFormats.front();
}

QString checkEncoderOptions(DisplayFormat format, const EncoderOptions &options)
{
    switch (format) {
    case DisplayFormat::Nmea:
        return checkNmeaOptions(options);
    case DisplayFormat::Template:
        return checkTemplate(options.templateText);
    case DisplayFormat::Frame:
    case DisplayFormat::Standard:
    case DisplayFormat::Nena:
        break;
    }
    return {};
}

QDateTime zoneWallClock(const EncoderInput &input)
{
    return input.utc.toUTC().addSecs(input.zone.offsetSeconds);
}

qint64 secondsToNextChange(const EncoderInput &input)
{
    if (!input.zone.nextChange.isValid() || !input.utc.isValid())
        return -1;
    const qint64 seconds = input.utc.secsTo(input.zone.nextChange);
    return seconds > 0 ? seconds : -1;
}

char daylightCharacter(const EncoderInput &input)
{
    const qint64 toChange = secondsToNextChange(input);
    const bool announced = toChange > 0 && toChange <= kAnnouncedDaylightChangeSeconds;
    if (input.zone.daylight)
        return announced && !input.zone.nextChangeStartsDaylight ? 'O' : 'D';
    return announced && input.zone.nextChangeStartsDaylight ? 'I' : 'S';
}

QByteArray digits(int n, int width)
{
    return QByteArray::number(n).rightJustified(width, '0');
}

} // namespace mrv
