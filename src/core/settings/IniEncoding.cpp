#include "IniEncoding.h"

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
    return file;
}

QByteArray encodeFile(const FileText &text)
{
    if (text.encoding == Encoding::Utf16Le)
        return text.bom + toUtf16Le(QString::fromUtf8(text.utf8));
    return text.bom + text.utf8;
}

bool canHold(Encoding, QStringView text)
{
    return text.isValidUtf16(); // half a surrogate pair is no character
}

QString nameOf(Encoding encoding)
{
    return encoding == Encoding::Utf16Le ? QStringLiteral("UTF-16LE") : QStringLiteral("UTF-8");
}

} // namespace mrv::ini
