#include "IniText.h"

#include <QStringDecoder>

namespace mrv::ini {

namespace {

// What a file without a line end yet gets.
const QByteArray NewFileLineEnd("\n");

bool isBlank(char c)
{
    // '\r' counts as a blank so that CRLF files read like LF files.
    return c == ' ' || c == '\t' || c == '\r';
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

QString decode(QByteArrayView bytes)
{
    // A byte-order mark inside a value is text; only the one at the start of the file is skipped.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
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
    : m_data(data)
{
    if (m_data.startsWith(QByteArrayView(Bom)))
        m_pos = Bom.size();
}

bool LineReader::next(Line &line)
{
    if (m_pos >= m_data.size())
        return false;
    const qsizetype start = m_pos;
    const qsizetype newline = m_data.indexOf('\n', start);
    const qsizetype end = newline < 0 ? m_data.size() : newline;
    line = Line();
    line.hasEnd = newline >= 0;
    line.next = line.hasEnd ? newline + 1 : end;
    m_pos = line.next;

    qsizetype first = start;
    while (first < end && isBlank(m_data[first]))
        ++first;
    if (first == end || m_data[first] == ';')
        return true; // blank line or comment

    const QByteArrayView content = m_data.sliced(first, end - first);
    if (content[0] == '[') {
        const qsizetype close = content.indexOf(']');
        if (close > 0) {
            line.kind = Line::Section;
            line.name = trimmed(content.sliced(1, close - 1));
        }
        return true;
    }

    const qsizetype equals = content.indexOf('=');
    if (equals < 0)
        return true;
    line.name = trimmed(content.first(equals));
    if (line.name.isEmpty())
        return true;
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

QByteArray lineEndOf(const QByteArray &data)
{
    const qsizetype newline = data.indexOf('\n');
    if (newline < 0)
        return NewFileLineEnd;
    return (newline > 0 && data[newline - 1] == '\r') ? QByteArray("\r\n") : QByteArray("\n");
}

} // namespace mrv::ini
