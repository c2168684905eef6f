// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "sync/FrameDecoder.h"

#include <QDateTime>
#include <QString>

namespace mrv {

// A frame as it arrived: what was decoded, when, and how late.
struct FrameArrival
{
    DecodedFrame frame;
    QDateTime arrival;
    qint64 offsetMs = 0;
};

// The frame for people: arrival (local time), raw bytes, GMT and offset on one line, then one
// line per zone slot with what its display shows. Ends with a newline.
QString frameText(const FrameArrival &arrival);

// The frame for programs: one line of JSON, no newline. Arrival in UTC, ISO 8601.
QString frameJson(const FrameArrival &arrival);

} // namespace mrv
