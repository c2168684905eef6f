// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

namespace mrv {

// The text time strings a display may be sent besides the 9-byte frame.
enum class StringFormat { Nmea, Standard, Nena };
constexpr int kStringFormatCount = 3;

// "nmea", "standard", "nena".
QString stringFormatName(StringFormat format);

// What a string says about daylight saving time in the display's zone.
enum class DaylightState { NotCarried, Standard, Daylight, Utc };

// What a string announces about the zone's next daylight-saving change.
enum class ComingChange { None, WithinHour, IntoDaylightWithinDay, OutOfDaylightWithinDay };

// One time string as a display reads it. Fields the format does not carry stay at their
// "not carried" value (invalid date, 0, nullopt).
struct TimeString
{
    StringFormat format = StringFormat::Nmea;
    QByteArray raw; // as received, start character to end character
    QString error; // what is wrong with it; empty when it decoded

    QByteArray sentence; // NMEA address: talker and sentence, "GPRMC"
    QTime time;
    bool utc = false; // the time is UTC; otherwise the display zone's local time
    QDate date;
    int weekday = 0; // 1 Monday .. 7 Sunday
    int dayOfYear = 0; // 1..366
    std::optional<int> zoneMinutes; // the zone's offset from UTC at that time (east positive)
    std::optional<int> standardZoneMinutes; // the zone's standard offset from UTC
    DaylightState daylight = DaylightState::NotCarried;
    ComingChange change = ComingChange::None;
    std::optional<bool> synchronised;

    bool ok() const { return error.isEmpty(); }
};

// The longest string of each format, start and end characters included.
constexpr int kNmeaMaxLength = 82;
constexpr int kStandardLength = 32;
constexpr int kNenaMaxLength = 27; // with three characters of hours west

// The fixed part of the standard and NENA strings, character by character: '9' a digit, '?' any
// printable ASCII character, anything else itself. NENA's hours west and CR LF follow its part.
inline constexpr char kStandardShape[] = "\x02"
                                         "D:99.99.99;T:9;U:99.99.99;????"
                                         "\x03";
inline constexpr char kNenaShape[] = "\r\n?  999 99:99:99 ?TZ=";

constexpr bool fitsShapeCharacter(char shape, char byte)
{
    if (shape == '9')
        return byte >= '0' && byte <= '9';
    if (shape == '?')
        return byte >= 0x20 && byte <= 0x7E;
    return byte == shape;
}

// An NMEA 0183 sentence, '$' to CR LF: RMC, ZDA or GGA from any talker. The checksum (XOR of the
// bytes between '$' and '*', two upper-case hex digits) must match.
TimeString parseNmeaSentence(QByteArrayView bytes);

// The 32-byte time-server string: STX "D:dd.mm.yy;T:w;U:hh.mm.ss;uvxy" ETX.
TimeString parseStandardString(QByteArrayView bytes);

// CR LF, I, two blanks, day of year, blank, HH:MM:SS, blank, D, "TZ=", hours west, CR LF.
TimeString parseNenaString(QByteArrayView bytes);

} // namespace mrv
