// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/Encoders.h"

#include <QCoreApplication>

#include <cstdlib>

namespace mrv {

namespace {

struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(mrv::TemplateEncoder)
};

QByteArray zoneOffsetField(qint32 offsetSeconds)
{
    const qint32 magnitude = std::abs(offsetSeconds);
    return (offsetSeconds < 0 ? "-" : "+") + digits(magnitude / 3600, 2)
           + digits(magnitude % 3600 / 60, 2);
}

// The bytes of one %-code, or nothing for a code that is not known.
std::optional<QByteArray> codeBytes(char16_t code, const EncoderInput &input)
{
    const QDateTime wall = zoneWallClock(input);
    const QDate date = wall.date();
    const QTime time = wall.time();
    switch (code) {
    case u'Y':
        return digits(date.year(), 4);
    case u'y':
        return digits(date.year() % 100, 2);
    case u'm':
        return digits(date.month(), 2);
    case u'd':
        return digits(date.day(), 2);
    case u'j':
        return digits(date.dayOfYear(), 3);
    case u'w':
        return QByteArray::number(date.dayOfWeek());
    case u'H':
        return digits(time.hour(), 2);
    case u'M':
        return digits(time.minute(), 2);
    case u'S':
        return digits(time.second(), 2);
    case u'L':
        return digits(time.msec(), 3);
    case u'D':
        return QByteArray(1, daylightCharacter(input));
    case u's':
        return QByteArray(input.synchronised ? " " : "?");
    case u'z':
        return zoneOffsetField(input.zone.offsetSeconds);
    case u'%':
        return QByteArray("%");
    default:
        return std::nullopt;
    }
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Walks the template once: fills `out` for the input's instant, or says what is wrong and where
// (1-based character positions).
QString expandTemplate(const QString &text, const EncoderInput &input, Encoded &out)
{
    out = {};
    if (text.isEmpty())
        return Texts::tr("the template is empty");
    bool marked = false;
    bool markNext = false;
    bool summed = false;
    int markPosition = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int position = int(i) + 1;
        const QChar c = text.at(i);
        const qsizetype before = out.bytes.size();
        if (c == u'%') {
            if (i + 1 == text.size())
                return Texts::tr("a lone “%” at character %1 ends the template").arg(position);
            const QChar code = text.at(++i);
            if (code == u'^') {
                if (marked)
                    return Texts::tr("a second “%^” at character %1").arg(position);
                marked = markNext = true;
                markPosition = position;
                continue;
            }
            if (code == u'*') {
                if (summed)
                    return Texts::tr("a second “%*” at character %1").arg(position);
                summed = true;
                // Like an NMEA sentence: everything after the first character up to the '*'.
                const QByteArray checksum = nmeaChecksum(
                        QByteArrayView(out.bytes).sliced(std::min<qsizetype>(1, out.bytes.size())));
                out.bytes += '*' + checksum;
            } else if (const auto bytes = codeBytes(code.unicode(), input)) {
                out.bytes += *bytes;
            } else {
                return Texts::tr("unknown code “%%1” at character %2").arg(code).arg(position);
            }
        } else if (c == u'\\') {
            if (i + 1 == text.size())
                return Texts::tr("a lone “\\” at character %1 ends the template").arg(position);
            const QChar escape = text.at(++i);
            if (escape == u'r') {
                out.bytes += '\r';
            } else if (escape == u'n') {
                out.bytes += '\n';
            } else if (escape == u'\\') {
                out.bytes += '\\';
            } else if (escape == u'x') {
                const int high = i + 1 < text.size() ? hexValue(text.at(i + 1)) : -1;
                const int low = i + 2 < text.size() ? hexValue(text.at(i + 2)) : -1;
                if (high < 0 || low < 0) {
                    return Texts::tr("“\\x” at character %1 needs two hexadecimal digits")
                            .arg(position);
                }
                out.bytes += char(high * 16 + low);
                i += 2;
            } else {
                return Texts::tr("unknown escape “\\%1” at character %2").arg(escape).arg(position);
            }
        } else if (c.unicode() < 128) {
            out.bytes += char(c.unicode());
        } else {
            // Which bytes a display wants for such a character is anyone's guess; \xHH says it.
            return Texts::tr("“%1” at character %2 is not ASCII: write its byte as \\xHH")
                    .arg(c)
                    .arg(position);
        }
        if (markNext && out.bytes.size() > before) {
            out.onTimeIndex = int(before);
            markNext = false;
        }
    }
    if (markNext)
        return Texts::tr("“%^” at character %1 marks no character").arg(markPosition);
    return {};
}

// Any valid instant shows whether a template can be used: no code depends on the time for that.
EncoderInput sampleInput()
{
    EncoderInput input;
    input.utc = QDateTime(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC);
    return input;
}

} // namespace

QString checkTemplate(const QString &templateText)
{
    Encoded unused;
    return expandTemplate(templateText, sampleInput(), unused);
}

Encoded encodeTemplate(const EncoderInput &input, const EncoderOptions &options)
{
    Encoded encoded;
    if (!input.utc.isValid() || !expandTemplate(options.templateText, input, encoded).isEmpty())
        return {};
    return encoded;
}

} // namespace mrv
