// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "FrameDecoder.h"

#include "domain/ZoneTable.h"

#include <cstdlib>

namespace mrv {

namespace {

constexpr quint8 kStart = quint8(kFrameStart);
constexpr quint8 kEnd = quint8(kFrameEnd);
constexpr int kSecondsPerDay = 24 * 3600;

// Whether `byte` can stand at `position` (1..8) of a frame.
bool fits(int position, quint8 byte)
{
    switch (position) {
    case 1: // second
    case 2: // minute
        return byte <= 59;
    case 3: // hour
        return byte <= 23;
    case 8:
        return byte == kEnd;
    default: // zone codes
        return zoneCodeRow(byte) < kZoneCount;
    }
}

} // namespace

QTime DecodedFrame::shows(int index) const
{
    const int seconds =
            QTime(0, 0).secsTo(gmt()) + zoneOffset(row(index)) + (daylight(index) ? 3600 : 0);
    // QTime::addSecs wraps around midnight in both directions.
    return QTime(0, 0).addSecs(seconds % kSecondsPerDay);
}

QList<DecodedFrame> FrameDecoder::feed(QByteArrayView bytes)
{
    QList<DecodedFrame> found;
    for (char c : bytes) {
        const auto byte = quint8(c);
        if (m_filled == 0) {
            if (byte == kStart)
                m_candidate[m_filled++] = byte;
            else
                ++m_discarded;
            continue;
        }
        if (byte == kStart) {
            // A frame cut short: the new marker starts the next one.
            dropCandidate();
            m_candidate[m_filled++] = byte;
            continue;
        }
        if (!fits(m_filled, byte)) {
            dropCandidate();
            ++m_discarded;
            continue;
        }
        m_candidate[m_filled++] = byte;
        if (m_filled == kFrameSize) {
            DecodedFrame frame;
            frame.second = m_candidate[1];
            frame.minute = m_candidate[2];
            frame.hour = m_candidate[3];
            for (int i = 0; i < 4; ++i)
                frame.zoneCodes[i] = m_candidate[4 + i];
            found.append(frame);
            ++m_frames;
            m_filled = 0;
        }
    }
    return found;
}

void FrameDecoder::dropCandidate()
{
    ++m_errors;
    m_discarded += m_filled;
    m_filled = 0;
}

} // namespace mrv
