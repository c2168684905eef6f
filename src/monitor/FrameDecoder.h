// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "domain/SyncFrame.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QTime>

#include <array>

namespace mrv {

// One sync frame as a display receives it: the GMT time of day and four zone codes.
struct DecodedFrame
{
    quint8 second = 0;
    quint8 minute = 0;
    quint8 hour = 0;
    std::array<quint8, 4> zoneCodes {};

    QTime gmt() const { return QTime(hour, minute, second); }
    // The nine bytes as they travel on the line.
    QByteArray bytes() const { return frameBytes(second, minute, hour, zoneCodes); }
    // Zone-table row and daylight flag of the slot at `index` (0..3).
    int row(int index) const { return zoneCodeRow(zoneCodes.at(index)); }
    bool daylight(int index) const { return zoneCodeDaylight(zoneCodes.at(index)); }
    // The time of day the slot's display shows: GMT plus the zone's offset, plus one hour while
    // daylight saving applies.
    QTime shows(int index) const;

    friend bool operator==(const DecodedFrame &, const DecodedFrame &) = default;
};

// Finds sync frames in a byte stream that arrives in arbitrary pieces.
//
// A frame is FE, second (0..59), minute (0..59), hour (0..23), four zone codes (row 0..31, with or
// without the daylight bit) and FF. No field can hold FE or FF, so those two bytes only ever
// appear as markers; an FE in the middle of a frame therefore means the frame was cut short and
// a new one starts there.
//
// Counting:
// - frames(): frames found.
// - errors(): broken frames, i.e. an FE that did not lead to a good frame: a field out of range,
//   a missing end marker, or a new FE before the end.
// - discardedBytes(): every byte that was not part of a good frame, the bytes of broken frames
//   included; line noise between frames adds here without adding errors.
//
// A partial frame at the end of a piece waits for the next piece; at most one frame's worth of
// bytes is ever held.
class FrameDecoder
{
public:
    // Takes the next piece of the stream; returns the frames it completed, in order.
    QList<DecodedFrame> feed(QByteArrayView bytes);

    qint64 frames() const { return m_frames; }
    qint64 errors() const { return m_errors; }
    qint64 discardedBytes() const { return m_discarded; }
    // Bytes of a frame begun but not yet complete.
    int pendingBytes() const { return m_filled; }

private:
    void dropCandidate();

    std::array<quint8, kFrameSize> m_candidate {};
    int m_filled = 0; // 0 while looking for a start marker
    qint64 m_frames = 0;
    qint64 m_errors = 0;
    qint64 m_discarded = 0;
};

} // namespace mrv
