// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "StreamDecoder.h"

#include "domain/SyncFrame.h"

#include <utility>

namespace mrv {

namespace {

constexpr qint64 kMicrosPerSecond = 1'000'000;

enum class Shape { Partial, Complete, Broken, TooLong };

bool isPrintable(char c)
{
    return c >= 0x20 && c <= 0x7E;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

Shape nmeaShape(QByteArrayView soFar, char c)
{
    const qsizetype at = soFar.size() - 1;
    if (at <= 5)
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? Shape::Partial : Shape::Broken;
    if (at == 6)
        return c == ',' ? Shape::Partial : Shape::Broken;
    const qsizetype star = soFar.first(at).indexOf('*');
    if (star < 0)
        return c != '$' && isPrintable(c) ? Shape::Partial : Shape::Broken;
    switch (at - star) {
    case 1:
    case 2:
        // Lower-case digits fit here so that the sentence can be told what is wrong with them.
        return isHexDigit(c) ? Shape::Partial : Shape::Broken;
    case 3:
        return c == '\r' ? Shape::Partial : Shape::Broken;
    default:
        return c == '\n' ? Shape::Complete : Shape::Broken;
    }
}

Shape nenaShape(QByteArrayView soFar, char c)
{
    const QByteArrayView shape(kNenaShape);
    const qsizetype at = soFar.size() - 1;
    if (at < shape.size())
        return fitsShapeCharacter(shape[at], c) ? Shape::Partial : Shape::Broken;
    const qsizetype west = at - shape.size(); // hours-west characters before this one
    if (soFar[at - 1] == '\r')
        return c == '\n' ? Shape::Complete : Shape::Broken;
    if (c == '\r')
        return west > 0 ? Shape::Partial : Shape::Broken;
    const bool sign = west == 0 && (c == '-' || c == '+');
    return (sign || (c >= '0' && c <= '9')) && west < 3 ? Shape::Partial : Shape::Broken;
}

// Whether the string so far still has its format's shape, judged at its last byte (the
// earlier ones having been judged as they came).
Shape shapeAfter(StringFormat format, QByteArrayView soFar)
{
    const char c = soFar.back();
    Shape shape = Shape::Broken;
    int longest = kNmeaMaxLength;
    switch (format) {
    case StringFormat::Nmea:
        shape = nmeaShape(soFar, c);
        break;
    case StringFormat::Standard:
        longest = kStandardLength;
        shape = fitsShapeCharacter(kStandardShape[soFar.size() - 1], c) ? Shape::Partial
                                                                        : Shape::Broken;
        if (shape == Shape::Partial && soFar.size() == kStandardLength)
            shape = Shape::Complete;
        break;
    case StringFormat::Nena:
        longest = kNenaMaxLength;
        shape = nenaShape(soFar, c);
        break;
    }
    return shape == Shape::Partial && soFar.size() >= longest ? Shape::TooLong : shape;
}

// How many bytes of a string make it one of its format rather than line noise: an NMEA address
// and its comma, STX "D:", or CR LF with a NENA status and its two blanks.
qsizetype recognisedLength(StringFormat format)
{
    switch (format) {
    case StringFormat::Nmea:
        return 7;
    case StringFormat::Standard:
        return 3;
    case StringFormat::Nena:
        return 5;
    }
    return 0;
}

TimeString parse(StringFormat format, QByteArrayView bytes)
{
    switch (format) {
    case StringFormat::Nmea:
        return parseNmeaSentence(bytes);
    case StringFormat::Standard:
        return parseStandardString(bytes);
    case StringFormat::Nena:
        return parseNenaString(bytes);
    }
    return {};
}

} // namespace

StreamDecoder::StreamDecoder(InputFormat format, bool sevenBit)
    : m_format(format)
    , m_sevenBit(sevenBit)
{
    m_frameBytes.reserve(kFrameSize);
    m_text.reserve(kNmeaMaxLength);
}

QList<StreamItem> StreamDecoder::feed(QByteArrayView bytes, const ReadStamp &stamp)
{
    m_stamp = stamp;
    for (char c : bytes) {
        ++m_total;
        take(m_sevenBit ? char(c & 0x7F) : c);
    }
    return std::exchange(m_found, {});
}

bool StreamDecoder::allows(InputFormat format) const
{
    return m_format == InputFormat::Auto || m_format == format;
}

void StreamDecoder::take(char byte)
{
    if (!m_frameBytes.isEmpty())
        takeFrameByte(byte);
    else if (!m_text.isEmpty())
        takeTextByte(byte);
    else
        start(byte);
}

void StreamDecoder::start(char byte)
{
    const auto begin = [&](StringFormat format) {
        m_textFormat = format;
        m_text.append(byte);
        m_textStamp = m_stamp;
    };
    if (byte == kFrameStart && allows(InputFormat::Frame))
        takeFrameByte(byte);
    else if (byte == '$' && allows(InputFormat::Nmea))
        begin(StringFormat::Nmea);
    else if (byte == '\x02' && allows(InputFormat::Standard))
        begin(StringFormat::Standard);
    else if (byte == '\r' && allows(InputFormat::Nena))
        begin(StringFormat::Nena);
    // Anything else is line noise: counted among the discarded bytes, nothing more.
}

void StreamDecoder::takeFrameByte(char byte)
{
    const QList<DecodedFrame> frames = m_frames.feed(QByteArrayView(&byte, 1));
    if (!frames.isEmpty()) {
        m_frameBytes.clear();
        m_goodBytes += kFrameSize;
        StreamItem item;
        item.isFrame = true;
        item.frame = frames.first();
        item.stamp = m_stamp;
        m_found.append(item);
        return;
    }
    if (m_frames.pendingBytes() == 0) {
        // A byte that cannot stand where it came ended the frame. What followed the start
        // marker may be the beginning of a string an FE in the noise swallowed: look again.
        const QByteArray again = m_frameBytes.sliced(1) + byte;
        m_frameBytes.clear();
        for (char c : again)
            take(c);
        return;
    }
    // A new start marker cuts the frame short; the decoder has begun the next one with it.
    if (byte == kFrameStart)
        m_frameBytes.clear();
    m_frameBytes.append(byte);
}

void StreamDecoder::takeTextByte(char byte)
{
    m_text.append(byte);
    switch (shapeAfter(m_textFormat, m_text)) {
    case Shape::Partial:
        return;
    case Shape::Complete:
        finishText();
        return;
    case Shape::TooLong:
        reportBroken(QStringLiteral("longer than %1 bytes").arg(m_text.size()));
        return;
    case Shape::Broken:
        break;
    }
    m_text.chop(1);
    if (m_text.size() >= recognisedLength(m_textFormat)) {
        const bool starts = byte == '$' || byte == '\x02' || byte == '\r' || byte == kFrameStart;
        reportBroken(starts ? QStringLiteral("cut short after %1 bytes").arg(m_text.size())
                            : QStringLiteral("unexpected byte 0x%1 after %2 bytes")
                                      .arg(quint8(byte), 2, 16, QLatin1Char('0'))
                                      .arg(m_text.size()));
    }
    m_text.clear();
    // The byte that broke the string may begin the next one.
    start(byte);
}

void StreamDecoder::reportBroken(const QString &reason)
{
    StreamItem item;
    item.string.format = m_textFormat;
    item.string.raw = m_text;
    item.string.error = reason;
    item.stamp = m_textStamp;
    m_found.append(item);
    ++m_brokenStrings;
    m_text.clear();
}

void StreamDecoder::finishText()
{
    StreamItem item;
    item.string = parse(m_textFormat, m_text);
    item.stamp = m_textStamp;
    if (!item.string.ok()) {
        ++m_brokenStrings;
    } else {
        ++m_strings.at(std::size_t(m_textFormat));
        m_goodBytes += m_text.size();
        if (m_textFormat == StringFormat::Nmea) {
            // Sentences naming the same second and coming within it form that second's group;
            // only the first one's '$' is on time.
            const bool follows = item.string.time == m_groupTime
                                 && item.stamp.arrivalUs - m_groupStartUs < kMicrosPerSecond;
            item.onTime = !follows;
            if (!follows) {
                m_groupTime = item.string.time;
                m_groupStartUs = item.stamp.arrivalUs;
            }
        }
    }
    m_found.append(item);
    m_text.clear();
}

} // namespace mrv
