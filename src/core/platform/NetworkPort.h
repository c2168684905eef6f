// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "domain/LineSettings.h"
#include "platform/NetworkAddress.h"
#include "platform/Port.h"
#include "platform/TelnetComPort.h"

#include <QAbstractSocket>
#include <QElapsedTimer>
#include <QSet>
#include <QTimer>

#include <deque>
#include <memory>

class QSocketNotifier;
class QTcpSocket;

namespace mrv {

// The line to a display behind a serial device server: a TCP connection, raw (tcp://HOST:PORT)
// or telnet with the line settings sent to the server (rfc2217://HOST:PORT).
//
// Nothing here waits: looking up the name and connecting go on in the background, so neither
// another display nor the window is held up. From open() on the port keeps itself connected:
// while it is not, it counts as lost and tries again about once a second, saying why once per
// outage; reopenIfLost() then tells, once, that it is back. A server that takes the connection
// and drops it at once, or will not set the line, is tried less and less often (up to every 30
// seconds), not hammered. A server that stops answering is noticed within about ten seconds.
class NetworkPort : public Port
{
    Q_OBJECT
public:
    explicit NetworkPort(QObject *parent = nullptr);
    ~NetworkPort() override;

    // Reads the address and starts connecting; true unless the address or, for rfc2217, the
    // line settings cannot be used.
    bool open(const QString &device, const QString &lineSettings) override;
    void close() override;
    // Connected (and for rfc2217, the server has agreed or is talking), and said so by
    // reopenIfLost().
    bool isOpen() const override;
    // One write of the whole string, sent at once; bytes of an earlier string still waiting for
    // room are dropped first.
    bool write(const QByteArray &bytes) override;
    QString errorString() const override;
    // Opened and not connected yet, or connected but not yet told by reopenIfLost().
    bool wasLost() const override;
    // True, once, when the connection is up again; the attempts themselves run on their own.
    bool reopenIfLost() override;

private:
    void connectNow();
    void onConnected();
    void onReadyRead();
    void onSocketError(QAbstractSocket::SocketError error);
    void onTimeout();
    // About the server's line settings: one warning each per open().
    void sayProblem(const QString &problem);
    // The attempt failed or the connection broke: warn once per outage, try again later (after
    // a longer wait each time for a server that dropped us at once or would not set the line).
    void fail(const QString &reason, bool refusedLine = false);
    void dropSocket();
    void queue(const QByteArray &bytes, bool droppable);
    bool sendQueued(QString *why);
    bool ready() const;

    NetworkAddress m_address;
    LineSettings m_line;
    QTcpSocket *m_socket = nullptr;
    QSocketNotifier *m_writable = nullptr;
    std::unique_ptr<TelnetComPort> m_telnet;
    // Waiting to go out, each piece whole: a string not begun yet may be dropped for a newer
    // one; telnet's answers never are, nor a string begun (the display would get half of it).
    struct Piece
    {
        QByteArray bytes;
        bool droppable = false;
    };
    std::deque<Piece> m_queue;
    qsizetype m_controlBytes = 0; // of the pieces that are never dropped
    qsizetype m_sentOfFirst = 0;
    QTimer m_retry; // the next attempt
    QTimer m_deadline; // an attempt (or the telnet greeting) that takes too long
    QElapsedTimer m_connectedFor;
    int m_backoffMs = 0;
    QString m_error;
    QSet<QString> m_saidProblems; // about the line settings, said once per open()
    bool m_opened = false;
    bool m_lost = false;
    bool m_warned = false; // the current outage was reported
};

} // namespace mrv
