// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/NetworkPort.h"

#include "domain/Logging.h"

#include <QNetworkProxy>
#include <QSocketNotifier>
#include <QTcpSocket>

#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace mrv {

namespace {

// Attempts come about once a second, as a serial port is looked for; a server that drops us at
// once, or will not set the line, waits twice as long each time, up to half a minute.
constexpr int kRetryMs = 1000;
constexpr int kMaxBackoffMs = 30'000;
// A connection that ends sooner than this was dropped at once.
constexpr qint64 kSteadyMs = 2000;
// Long enough for a slow name server or a far network; a host that never answers would take
// the system two minutes to give up on.
constexpr int kConnectTimeoutMs = 5000;
// A telnet server answers the greeting at once; one that says nothing is no RFC 2217 server.
constexpr int kGreetingTimeoutMs = 5000;
// What the server sends is read in pieces this large and dropped, so a flood costs no memory.
constexpr qint64 kReadBufferBytes = 16 * 1024;
// Telnet answers a server does not read pile up to this much before the connection is given up.
constexpr qsizetype kMaxControlBytes = 64 * 1024;

// A server that vanishes (switched off, cable pulled) sends nothing more; its connection would
// stay open for many minutes. Idle connections are probed after 4 s, then every 2 s, and given
// up after 3 probes; while bytes wait for an acknowledgement, 10 s without one ends it.
void detectSilence(int fd)
{
    const int on = 1, idle = 4, interval = 2, count = 3;
    const unsigned int unacknowledgedMs = 10'000;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &unacknowledgedMs, sizeof unacknowledgedMs);
}

} // namespace

NetworkPort::NetworkPort(QObject *parent)
    : Port(parent)
{
    m_retry.setSingleShot(true);
    m_deadline.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &NetworkPort::connectNow);
    connect(&m_deadline, &QTimer::timeout, this, &NetworkPort::onTimeout);
}

NetworkPort::~NetworkPort()
{
    close();
}

bool NetworkPort::open(const QString &device, const QString &lineSettings)
{
    close();
    const NetworkAddressResult parsed = parseNetworkAddress(device);
    if (!parsed.address) {
        m_error = tr("Cannot open %1: %2.").arg(device.trimmed(), parsed.error);
        return false;
    }
    m_address = *parsed.address;
    // Over a raw connection the line is the server's business.
    if (m_address.protocol == NetworkAddress::Protocol::Rfc2217) {
        const LineSettingsResult line = parseLineSettings(lineSettings);
        if (!line.settings) {
            m_error = tr("Cannot open %1: the line settings “%2” cannot be used: %3.")
                              .arg(m_address.text, lineSettings, line.error);
            return false;
        }
        m_line = *line.settings;
    }
    m_opened = true;
    m_lost = true;
    m_backoffMs = kRetryMs;
    m_error = tr("Connecting to %1…").arg(m_address.text);
    connectNow();
    return true;
}

void NetworkPort::close()
{
    m_retry.stop();
    dropSocket();
    m_opened = false;
    m_lost = false;
    m_warned = false;
    m_saidProblems.clear();
    m_error.clear();
}

bool NetworkPort::isOpen() const
{
    return m_opened && !m_lost && ready();
}

bool NetworkPort::ready() const
{
    if (!m_socket || !m_connectedFor.isValid())
        return false;
    return !m_telnet || m_telnet->agreed() || (m_telnet->heard() && !m_telnet->refused());
}

bool NetworkPort::write(const QByteArray &bytes)
{
    if (!isOpen() || bytes.isEmpty())
        return false;
    // A string still waiting carries a time that has passed; the display wants only the newest.
    for (auto piece = m_queue.begin(); piece != m_queue.end();) {
        const bool begun = piece == m_queue.begin() && m_sentOfFirst > 0;
        if (piece->droppable && !begun) {
            piece = m_queue.erase(piece);
        } else {
            ++piece;
        }
    }
    queue(m_telnet ? m_telnet->frame(bytes) : bytes, true);
    QString why;
    if (!sendQueued(&why)) {
        fail(why);
        return false;
    }
    return true;
}

QString NetworkPort::errorString() const
{
    return m_error;
}

bool NetworkPort::wasLost() const
{
    return m_opened && m_lost;
}

bool NetworkPort::reopenIfLost()
{
    if (!m_opened || !m_lost || !ready())
        return false;
    m_lost = false;
    m_error.clear();
    if (m_warned)
        qCInfo(lcSync, "The connection to %s works again.", qUtf8Printable(m_address.text));
    m_warned = false;
    return true;
}

void NetworkPort::connectNow()
{
    dropSocket();
    m_socket = new QTcpSocket(this);
    m_socket->setReadBufferSize(kReadBufferBytes);
    // A device server sits on the local network; a proxy set for the web has no business here.
    m_socket->setProxy(QNetworkProxy::NoProxy);
    connect(m_socket, &QTcpSocket::connected, this, &NetworkPort::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &NetworkPort::onReadyRead);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &NetworkPort::onSocketError);
    connect(m_socket, &QTcpSocket::disconnected, this,
            [this] { fail(tr("the server closed the connection")); });
    m_deadline.start(kConnectTimeoutMs);
    // Looks the name up in another thread and connects without waiting.
    m_socket->connectToHost(m_address.host, m_address.port);
}

void NetworkPort::onConnected()
{
    m_deadline.stop();
    m_connectedFor.start();
    // The string leaves at once rather than waiting to be joined by more.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    const int fd = int(m_socket->socketDescriptor());
    detectSilence(fd);
    // Bytes the system could not take at once go out as soon as it can.
    m_writable = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    m_writable->setEnabled(false);
    connect(m_writable, &QSocketNotifier::activated, this, [this] {
        QString why;
        if (!sendQueued(&why))
            fail(why);
    });
    if (m_address.protocol != NetworkAddress::Protocol::Rfc2217)
        return;
    m_telnet = std::make_unique<TelnetComPort>(m_line);
    queue(m_telnet->greeting(), false);
    QString why;
    if (!sendQueued(&why)) {
        fail(why);
        return;
    }
    m_deadline.start(kGreetingTimeoutMs);
}

void NetworkPort::onReadyRead()
{
    const QByteArray bytes = m_socket->readAll();
    // What the serial line sends back over a raw connection is of no use to a display.
    if (!m_telnet)
        return;
    const TelnetComPort::Reading reading = m_telnet->read(bytes);
    for (const QString &problem : reading.problems)
        sayProblem(problem);
    if (m_telnet->refused()) {
        fail(tr("the server refuses to set the serial line (the RFC 2217 com port option)"), true);
        return;
    }
    if (!reading.reply.isEmpty()) {
        queue(reading.reply, false);
        QString why;
        if (!sendQueued(&why)) {
            fail(why);
            return;
        }
    }
    if (m_telnet->agreed())
        m_deadline.stop();
}

void NetworkPort::sayProblem(const QString &problem)
{
    if (m_saidProblems.contains(problem))
        return;
    m_saidProblems.insert(problem);
    qCWarning(lcSync, "%s: %s.", qUtf8Printable(m_address.text), qUtf8Printable(problem));
}

void NetworkPort::onSocketError(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::RemoteHostClosedError:
        fail(tr("the server closed the connection"));
        break;
    case QAbstractSocket::HostNotFoundError:
        fail(tr("the name %1 is not known (%2)").arg(m_address.host, m_socket->errorString()));
        break;
    default:
        fail(m_socket->errorString());
        break;
    }
}

void NetworkPort::onTimeout()
{
    if (!m_connectedFor.isValid())
        fail(tr("no answer within %1 seconds").arg(kConnectTimeoutMs / 1000));
    else if (!m_telnet->heard())
        fail(tr("the server did not answer the telnet greeting; is it an RFC 2217 server?"), true);
    else // it talks, so the strings go through; only the line is not ours to set
        sayProblem(tr("the server neither takes up nor refuses the com port option; its line "
                      "settings stay as they are"));
}

void NetworkPort::fail(const QString &reason, bool refusedLine)
{
    const bool wasOpen = isOpen();
    const qint64 lasted = m_connectedFor.isValid() ? m_connectedFor.elapsed() : -1;
    dropSocket();
    m_lost = true;
    m_error = wasOpen ? tr("The connection to %1 was lost: %2.").arg(m_address.text, reason)
                      : tr("Cannot connect to %1: %2.").arg(m_address.text, reason);
    if (!m_warned) {
        m_warned = true;
        qCWarning(lcSync, "%s", qUtf8Printable(m_error));
        Q_EMIT lost(m_error);
    }
    // A refused or unanswered attempt says nothing about the server once it is up; one that it
    // took and dropped at once, or would not set the line for, would be the same again soon.
    int delayMs = m_backoffMs;
    if (refusedLine || (lasted >= 0 && lasted < kSteadyMs))
        m_backoffMs = qMin(m_backoffMs * 2, kMaxBackoffMs);
    else if (lasted >= kSteadyMs)
        delayMs = m_backoffMs = kRetryMs;
    m_retry.start(delayMs);
}

void NetworkPort::dropSocket()
{
    m_deadline.stop();
    m_connectedFor.invalidate();
    m_telnet.reset();
    m_queue.clear();
    m_controlBytes = 0;
    m_sentOfFirst = 0;
    // The notifier goes before its descriptor closes, as the number may be reused at once; it
    // may be the sender of the notice being handled, so both are deleted later.
    if (m_writable) {
        m_writable->setEnabled(false);
        m_writable->deleteLater();
        m_writable = nullptr;
    }
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
}

void NetworkPort::queue(const QByteArray &bytes, bool droppable)
{
    m_queue.push_back({bytes, droppable});
    if (!droppable)
        m_controlBytes += bytes.size();
}

bool NetworkPort::sendQueued(QString *why)
{
    // Written straight to the socket, never into Qt's buffer: what waits stays in whole pieces
    // of our own, so that a stale string can be dropped before a new one.
    const int fd = int(m_socket->socketDescriptor());
    while (!m_queue.empty()) {
        const Piece &first = m_queue.front();
        const ssize_t sent =
                ::send(fd, first.bytes.constData() + m_sentOfFirst,
                       size_t(first.bytes.size() - m_sentOfFirst), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            *why = qt_error_string(errno);
            return false;
        }
        m_sentOfFirst += sent;
        if (m_sentOfFirst == first.bytes.size()) {
            if (!first.droppable)
                m_controlBytes -= first.bytes.size();
            m_queue.pop_front();
            m_sentOfFirst = 0;
        }
    }
    if (m_controlBytes > kMaxControlBytes) {
        *why = tr("the server takes no more bytes");
        return false;
    }
    m_writable->setEnabled(!m_queue.empty());
    return true;
}

} // namespace mrv
