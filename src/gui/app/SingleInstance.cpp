// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace mrv {

namespace {

// The same name for the same file however it is spelled, different for each user.
QString instanceName(const QString &iniPath)
{
    const QFileInfo info(iniPath);
    const QString canonical = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    const QByteArray hash =
            QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("mirovalent-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

constexpr int kAnswerMs = 2000;

} // namespace

SingleInstance::SingleInstance(const QString &iniPath, QObject *parent)
    : QObject(parent)
    , m_name(instanceName(iniPath))
    , m_lockPath(QDir(QDir::tempPath()).filePath(m_name + QStringLiteral(".lock")))
    , m_lock(m_lockPath)
{ }

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    // A lock whose process is gone is stale and taken over at once.
    if (!m_lock.tryLock(0))
        return false;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket file left by a copy that crashed would make listen() fail.
    QLocalServer::removeServer(m_name);
    m_server->listen(m_name);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains("show"))
                    Q_EMIT activationRequested();
            });
        }
    });
    return true;
}

bool SingleInstance::activateRunning()
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kAnswerMs))
        return false;
    socket.write("show\n");
    const bool written = socket.waitForBytesWritten(kAnswerMs);
    socket.disconnectFromServer();
    return written;
}

} // namespace mrv
