// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/IniEncoding.h"

#include <algorithm>

namespace mrv::ini {

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF");
const QByteArray Utf16LeBom("\xFF\xFE");

QString fromUtf16Le(QByteArrayView bytes)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(char16_t(uchar(bytes[2 * i]) | uchar(bytes[2 * i + 1]) << 8));
    return text;
}

QByteArray toUtf16Le(QStringView text)
{
    QByteArray bytes(2 * text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        bytes[2 * i] = char(text[i].unicode() & 0xFF);
        bytes[2 * i + 1] = char(text[i].unicode() >> 8);
    }
    return bytes;
}

// Windows-1252 is Latin-1 but for 0x80 to 0x9F. Windows reads the five bytes it leaves
// undefined as the control characters of the same number, so every byte is a character.
constexpr char16_t Windows1252High[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar byte = bytes[i];
        text[i] = QChar(byte >= 0x80 && byte < 0xA0 ? Windows1252High[byte - 0x80] : byte);
    }
    return text;
}

// The byte for the character, or -1 when Windows-1252 has none.
int windows1252Byte(QChar character)
{
    const char16_t c = character.unicode();
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (Windows1252High[i] == c)
            return 0x80 + i;
    }
    return -1;
}

QByteArray toWindows1252(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int byte = windows1252Byte(text[i]);
        bytes[i] = byte < 0 ? '?' : char(byte); // refused before it gets here
    }
    return bytes;
}

} // namespace

FileText decodeFile(const QByteArray &bytes)
{
    FileText file;
    if (bytes.startsWith(Utf16LeBom)) {
        file.encoding = Encoding::Utf16Le;
        file.bom = Utf16LeBom;
        const QByteArrayView body = QByteArrayView(bytes).sliced(Utf16LeBom.size());
        const QString text = fromUtf16Le(body);
        // An odd last byte or half a surrogate pair would not survive a save.
        file.exact = body.size() % 2 == 0 && text.isValidUtf16();
        file.utf8 = text.toUtf8();
        return file;
    }
    if (bytes.startsWith(Utf8Bom))
        file.bom = Utf8Bom;
    file.utf8 = bytes.sliced(file.bom.size());
    if (!file.utf8.isValidUtf8()) {
        file.encoding = Encoding::Windows1252;
        file.utf8 = fromWindows1252(file.utf8).toUtf8();
    }
    return file;
}

QByteArray encodeFile(const FileText &text)
{
    switch (text.encoding) {
    case Encoding::Utf16Le:
        return text.bom + toUtf16Le(QString::fromUtf8(text.utf8));
    case Encoding::Windows1252:
        return text.bom + toWindows1252(QString::fromUtf8(text.utf8));
    case Encoding::Utf8:
        break;
    }
    return text.bom + text.utf8;
}

bool canHold(Encoding encoding, QStringView text)
{
    if (encoding == Encoding::Windows1252)
        return std::all_of(text.begin(), text.end(),
                           [](QChar c) { return windows1252Byte(c) >= 0; });
    return text.isValidUtf16(); // half a surrogate pair is no character
}

QString nameOf(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf16Le:
        return QStringLiteral("UTF-16LE");
    case Encoding::Windows1252:
        return QStringLiteral("Windows-1252");
    case Encoding::Utf8:
        break;
    }
    return QStringLiteral("UTF-8");
}

} // namespace mrv::ini
