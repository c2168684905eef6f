// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

namespace mrv {

// Where the monitor's bytes come from: a serial device or a pseudo-terminal of its own.
class ByteSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

Q_SIGNALS:
    // Bytes as read, stamped with the moment they were read.
    void bytesArrived(const QByteArray &bytes, const QDateTime &arrival);
    // The source can deliver no more: the device went away or cannot be read. `reason` is for
    // the user.
    void failed(const QString &reason);
};

} // namespace mrv
