// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/DeviceFile.h"

#include <QObject>
#include <QPointer>
#include <QSerialPort>
#include <QString>

class QSocketNotifier;

namespace mrv {

// The one serial line to the display. Write-only, no flow control. Writes the bytes as they
// are. Opening failures leave the port closed with a reason for the user in errorString().
class SerialPort : public QObject
{
    Q_OBJECT
public:
    explicit SerialPort(QObject *parent = nullptr);
    // Works through the given port (taken over), so tests can put a faulty one in its place.
    explicit SerialPort(QSerialPort *port, QObject *parent = nullptr);
    ~SerialPort() override;

    // Opens the device with the line settings text. On failure the port is closed and
    // errorString() names the reason (no such device, busy or locked, permission denied with a
    // hint about the dialout group, unusable line settings). Any earlier loss is forgotten.
    bool open(const QString &device, const QString &lineSettings);
    // Harmless when closed. Also forgets an earlier loss.
    void close();
    bool isOpen() const;

    // Sends the bytes in one piece, without waiting for them to go out. Unsent bytes of an
    // earlier write are dropped first, so the display never receives a stale time. False when
    // the port is closed, there is nothing to send, or the write fails (the port is then lost).
    bool write(const QByteArray &bytes);

    QString errorString() const;

    // True after the open port failed under us and closed itself: the adapter was pulled, the
    // other end hung up, or a write failed. A hang-up is noticed when it happens, while the
    // event loop runs, not only at the next write.
    bool wasLost() const;
    // When lost: one silent attempt to open the same device with the same settings again. True
    // when the port is open again; that is logged once. Only the device that was lost is
    // opened, never another that has taken its name since: the same USB adapter where the
    // system knows it, else the very device file (a new pseudo-terminal that got the freed
    // number is another device).
    bool reopenIfLost();

Q_SIGNALS:
    // The open port failed and was closed; emitted once per loss, with one warning logged.
    void lost(const QString &reason);

private:
    void onError(QSerialPort::SerialPortError error);
    void onHangUp();
    bool openDevice();
    QString openFailure() const;
    void loseLine(const QString &reason);
    void closePort();
    bool isLostDevice(const DeviceFile &file);

    QSerialPort *m_port = nullptr;
    // Watches the open line for a hang-up, which QSerialPort reports only when it next writes.
    QSocketNotifier *m_hangUpWatch = nullptr;
    QString m_device;
    QString m_settings;
    QString m_error;
    // What was opened, remembered at once: a pulled adapter can no longer be asked about.
    DeviceFile m_file;
    std::optional<UsbAdapter> m_adapter;
    std::optional<DeviceFile> m_otherDevice; // found at the name since, and not the lost one
    bool m_lost = false;
    bool m_closing = false;
};

} // namespace mrv
