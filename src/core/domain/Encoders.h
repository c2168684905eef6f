// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The encoders behind the format table, and the few pieces they share. Callers outside the
// domain reach them through formatInfo(format).encode.

#include "domain/DisplayFormat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

namespace mrv {

Encoded encodeFrame(const EncoderInput &input, const EncoderOptions &options);
Encoded encodeNmea(const EncoderInput &input, const EncoderOptions &options);
Encoded encodeStandard(const EncoderInput &input, const EncoderOptions &options);
Encoded encodeNena(const EncoderInput &input, const EncoderOptions &options);
Encoded encodeTemplate(const EncoderInput &input, const EncoderOptions &options);

// Why the options cannot be used, or an empty text.
QString checkNmeaOptions(const EncoderOptions &options);
QString checkTemplate(const QString &templateText);

// The XOR of the bytes as two upper-case hexadecimal digits, as NMEA sentences end.
QByteArray nmeaChecksum(QByteArrayView bytes);

// The display zone's wall clock at the input's instant, as a date and time whose fields are
// read as they are (the zone's offset already added; the time spec says nothing).
QDateTime zoneWallClock(const EncoderInput &input);

// Seconds from the instant to the zone's next daylight-saving change; -1 when none is known.
qint64 secondsToNextChange(const EncoderInput &input);

// S standard time, I within a day before daylight time starts, D daylight time, O within a day
// before it ends.
char daylightCharacter(const EncoderInput &input);

// n as decimal digits, zero-padded to `width`.
QByteArray digits(int n, int width);

} // namespace mrv
