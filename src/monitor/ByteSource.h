// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ReadThread.h"

#include <QByteArray>
#include <QObject>
#include <QString>

namespace mrv {

// Where the monitor's bytes come from: a serial device or a pseudo-terminal of its own. Both
// read on a thread of their own (ReadThread) and hand the bytes to the event loop's thread.
class ByteSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // The text of an errno value, for the user.
    static QString systemError(int error);

Q_SIGNALS:
    // Bytes as read, stamped with the moment the read returned.
    void bytesArrived(const QByteArray &bytes, const mrv::ReadStamp &stamp);
    // The source can deliver no more: the device went away or cannot be read. `reason` is for
    // the user.
    void failed(const QString &reason);

protected:
    // Called on the reading thread: the signals above, delivered on this object's thread.
    void deliverFromReader(const QByteArray &bytes, const ReadStamp &stamp);
    void failFromReader(const QString &reason);
};

} // namespace mrv
