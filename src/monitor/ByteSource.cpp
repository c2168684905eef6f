// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ByteSource.h"

#include <cstring>

namespace mrv {

QString ByteSource::systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

void ByteSource::deliverFromReader(const QByteArray &bytes, const ReadStamp &stamp)
{
    QMetaObject::invokeMethod(
            this, [this, bytes, stamp] { Q_EMIT bytesArrived(bytes, stamp); },
            Qt::QueuedConnection);
}

void ByteSource::failFromReader(const QString &reason)
{
    QMetaObject::invokeMethod(
            this, [this, reason] { Q_EMIT failed(reason); }, Qt::QueuedConnection);
}

} // namespace mrv
