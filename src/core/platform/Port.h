// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace mrv {

// The line to one display: a serial device, or a connection to a serial device server. Write
// only. A port that fails under us closes itself, says so once (lost()) and remembers what it
// had, so that it comes back to the same device and never to another.
class Port : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Opens the named device with the line settings text ("9600,n,8,1"). False, with a reason
    // for the user in errorString() that names the device; any earlier loss is forgotten.
    virtual bool open(const QString &device, const QString &lineSettings) = 0;
    // Harmless when closed. Also forgets an earlier loss.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Sends the bytes in one piece without waiting for them to go out; stale bytes of an
    // earlier write are dropped first. False when closed, empty, or failed (the port is then
    // lost).
    virtual bool write(const QByteArray &bytes) = 0;
    virtual QString errorString() const = 0;
    // The open port failed under us and closed itself.
    virtual bool wasLost() const = 0;
    // When lost: one quiet attempt to have the same device back. True when it is open again.
    virtual bool reopenIfLost() = 0;

Q_SIGNALS:
    // The open port failed and was closed; emitted once per loss, with one warning logged.
    void lost(const QString &reason);
};

} // namespace mrv
