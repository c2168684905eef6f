// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/IniText.h"

#include <QStringDecoder>

#include <algorithm>

namespace mrv::ini {

namespace {

// What a file without a line end yet gets.
const QByteArray NewFileLineEnd("\n");

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v';
}

constexpr char kEndOfFile = 0x1A;

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

} // namespace

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

QByteArrayView withoutEndOfFileMark(QByteArrayView data)
{
    return !data.isEmpty() && data.back() == kEndOfFile ? data.chopped(1) : data;
}

QString decode(QByteArrayView bytes)
{
    // A byte-order mark inside a value is text; only the one at the start of the file is skipped.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return utf8(bytes);
}

bool isAscii(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

LineReader::LineReader(QByteArrayView data)
    : m_data(withoutEndOfFileMark(data))
    , m_nextCr(m_data.indexOf('\r'))
    , m_nextLf(m_data.indexOf('\n'))
{ }

bool LineReader::next(Line &line)
{
    if (m_pos >= m_data.size())
        return false;
    const qsizetype start = m_pos;
    // The next CR and the next LF are each looked for again only once they are passed, so a
    // file of either kind is read in one pass.
    if (m_nextCr >= 0 && m_nextCr < start)
        m_nextCr = m_data.indexOf('\r', start);
    if (m_nextLf >= 0 && m_nextLf < start)
        m_nextLf = m_data.indexOf('\n', start);
    const qsizetype end = std::min(m_nextCr < 0 ? m_data.size() : m_nextCr,
                                   m_nextLf < 0 ? m_data.size() : m_nextLf);
    line = Line();
    line.hasEnd = end < m_data.size();
    line.next = end;
    if (line.hasEnd)
        line.next += end == m_nextCr && end + 1 == m_nextLf ? 2 : 1; // CR LF is one line end
    m_pos = line.next;

    qsizetype first = start;
    while (first < end && isBlank(m_data[first]))
        ++first;
    if (first == end || m_data[first] == ';')
        return true; // blank line or comment

    const QByteArrayView content = m_data.sliced(first, end - first);
    if (content[0] == '[') {
        // Without its ']' the header still opens a section, named by the rest of the line.
        const qsizetype close = content.indexOf(']');
        line.kind = Line::Section;
        line.name = trimmed(content.sliced(1, (close < 0 ? content.size() : close) - 1));
        return true;
    }

    const qsizetype equals = content.indexOf('=');
    if (equals < 0)
        return true;
    line.name = trimmed(content.first(equals)); // "=V" is the key with the empty name
    line.kind = Line::Key;
    qsizetype valueBegin = first + equals + 1;
    qsizetype valueEnd = end;
    while (valueEnd > valueBegin && isBlank(m_data[valueEnd - 1]))
        --valueEnd;
    while (valueBegin < valueEnd && isBlank(m_data[valueBegin]))
        ++valueBegin;
    line.valueBegin = valueBegin;
    line.valueEnd = valueEnd;
    return true;
}

QByteArray lineEndOf(QByteArrayView data)
{
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (data[i] == '\n')
            return "\n";
        if (data[i] == '\r')
            return data.sliced(i).startsWith("\r\n") ? "\r\n" : "\r";
    }
    return NewFileLineEnd;
}

bool endsInLineEnd(QByteArrayView data)
{
    return !data.isEmpty() && isLineEnd(data.back());
}

} // namespace mrv::ini
