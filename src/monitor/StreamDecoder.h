// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "FrameDecoder.h"
#include "ReadThread.h"
#include "TimeString.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <array>

namespace mrv {

// What the monitor listens for: one format, or any of them as each string comes.
enum class InputFormat { Auto, Frame, Nmea, Standard, Nena };

// One thing found in the stream: a frame, or a time string that decoded or was broken.
struct StreamItem
{
    bool isFrame = false;
    DecodedFrame frame; // with isFrame
    TimeString string; // without
    // A frame's: the read that completed it. A string's: the read that brought its on-time
    // character (NMEA '$', standard STX, NENA's first CR), which is what a display locks onto.
    ReadStamp stamp;
    // False for an NMEA sentence that follows the first one of its second: its '$' marks nothing.
    bool onTime = true;
};

// Finds frames and time strings in a byte stream that arrives in arbitrary pieces.
//
// Each string is recognised by its first byte (FE, '$', STX, CR) and then followed byte by byte
// against its shape, so that a string cut short by the next one, or garbled, is noticed where it
// goes wrong and the byte that broke it may start the next string. A candidate that goes wrong
// before its shape is clear ('$' not followed by an NMEA address, CR not followed by LF and a
// NENA status) is line noise; after that, it is a broken string, reported as an item with an
// error. Bad checksums and impossible dates or times are broken strings too.
//
// Frames follow FrameDecoder's rules and keep its counts. No more than one string (82 bytes) or
// one frame is ever held; a line longer than its format allows is reported and skipped.
class StreamDecoder
{
public:
    // `sevenBit`: the line carries 7 data bits, so the high bit (a parity bit a receiver set to
    // 8 bits would see) is dropped from every byte.
    explicit StreamDecoder(InputFormat format = InputFormat::Auto, bool sevenBit = false);

    // Takes the next piece of the stream, read at `stamp`; returns what it completed, in order.
    QList<StreamItem> feed(QByteArrayView bytes, const ReadStamp &stamp = {});

    qint64 frames() const { return m_frames.frames(); }
    qint64 strings(StringFormat format) const { return m_strings.at(std::size_t(format)); }
    // Broken frames and broken strings.
    qint64 errors() const { return m_frames.errors() + m_brokenStrings; }
    // Every byte that was not part of a good frame or string, broken ones included.
    qint64 discardedBytes() const { return m_total - m_goodBytes - pendingBytes(); }
    // Bytes of a frame or string begun but not yet complete.
    int pendingBytes() const { return m_frames.pendingBytes() + int(m_text.size()); }

private:
    void take(char byte);
    void start(char byte);
    void takeFrameByte(char byte);
    void takeTextByte(char byte);
    void finishText();
    void reportBroken(const QString &reason);
    bool allows(InputFormat format) const;

    InputFormat m_format;
    bool m_sevenBit;
    FrameDecoder m_frames;
    QByteArray m_frameBytes; // the frame begun, as fed to m_frames
    QByteArray m_text; // the string begun
    StringFormat m_textFormat = StringFormat::Nmea;
    ReadStamp m_textStamp;
    std::array<qint64, kStringFormatCount> m_strings {};
    qint64 m_brokenStrings = 0;
    qint64 m_total = 0;
    qint64 m_goodBytes = 0;
    // The second the last good NMEA sentence named, and when its group's first '$' came.
    QTime m_groupTime;
    qint64 m_groupStartUs = 0;
    // The piece being fed.
    ReadStamp m_stamp;
    QList<StreamItem> m_found;
};

} // namespace mrv
