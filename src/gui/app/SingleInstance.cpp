// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SingleInstance.h"

#include "domain/Logging.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <sys/stat.h>
#include <unistd.h>

namespace mrv {

namespace {

// A folder only this user can write to: owned by the user, a real folder (no link), no access
// for anyone else.
bool isPrivateFolder(const QString &path)
{
    struct stat info
    {
    };
    return !path.isEmpty() && QDir::isAbsolutePath(path)
           && ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode)
           && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

// Where the lock and the socket live: $XDG_RUNTIME_DIR, or else a folder of the user's own in
// the temporary folder, made private if it is new. Another user who could write there could
// take the lock first, or answer in our place.
QString privateFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (isPrivateFolder(runtime))
        return runtime;
    const QString own = QDir::tempPath() + QStringLiteral("/mirovalent-%1").arg(::getuid());
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    if (isPrivateFolder(own))
        return own;
    qCWarning(lcSettings).noquote()
            << QStringLiteral("No private folder for the one-copy lock (%1 is not the user's "
                              "alone): a second copy is not held back")
                       .arg(own);
    return {};
}

// The same name for the same file however it is reached (another spelling, a link, a hard
// link): the file's device and inode, or, before the file exists, its folder's and its name.
QString instanceName(const QString &iniPath)
{
    const QFileInfo info(iniPath);
    struct stat identity
    {
    };
    QByteArray key;
    if (::stat(QFile::encodeName(info.absoluteFilePath()).constData(), &identity) == 0) {
        key = QByteArray::number(quint64(identity.st_dev)) + ':'
              + QByteArray::number(quint64(identity.st_ino));
    } else if (::stat(QFile::encodeName(info.absolutePath()).constData(), &identity) == 0) {
        key = QByteArray::number(quint64(identity.st_dev)) + ':'
              + QByteArray::number(quint64(identity.st_ino)) + '/'
              + QFile::encodeName(info.fileName());
    } else {
        key = QFile::encodeName(info.absoluteFilePath());
    }
    const QByteArray hash =
            QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("mirovalent-%1").arg(QString::fromLatin1(hash));
}

constexpr int kAnswerMs = 2000;

} // namespace

SingleInstance::SingleInstance(const QString &iniPath, QObject *parent)
    : QObject(parent)
    , m_folder(privateFolder())
    , m_name(m_folder + u'/' + instanceName(iniPath) + QStringLiteral(".socket"))
    , m_lockPath(m_folder + u'/' + instanceName(iniPath) + QStringLiteral(".lock"))
    , m_lock(m_lockPath)
{ }

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    if (m_folder.isEmpty())
        return true; // nowhere safe to tell: run, as every copy did before there was a lock
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
    if (m_folder.isEmpty())
        return false;
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
