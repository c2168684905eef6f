// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PtySource.h"

#include "PseudoTerminal.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace mrv {

PtySource::PtySource(QObject *parent)
    : ByteSource(parent)
    , m_reader([this](const QByteArray &bytes,
                      const ReadStamp &stamp) { deliverFromReader(bytes, stamp); },
               [this](int error) {
                   // While no one holds the slave end open (not yet, or no more), the master
                   // reads as hung up: the sender comes back, so keep listening.
                   if (error == 0 || error == EIO)
                       return true;
                   const QString reason =
                           tr("reading %1 failed: %2").arg(m_slavePath, systemError(error));
                   failFromReader(reason);
                   return false;
               })
{ }

PtySource::~PtySource()
{
    m_reader.stop();
    if (!m_link.isEmpty() && QFileInfo(m_link).symLinkTarget() == m_slavePath)
        QFile::remove(m_link);
    if (m_master >= 0)
        ::close(m_master);
}

bool PtySource::open(QString *error)
{
    const PseudoTerminal pty = openPseudoTerminal();
    if (pty.masterFd < 0) {
        *error = tr("cannot create a pseudo-terminal: %1").arg(systemError(pty.error));
        return false;
    }
    m_master = pty.masterFd;
    m_slavePath = pty.slavePath;
    int problem = 0;
    if (!m_reader.start(m_master, &problem)) {
        *error = tr("cannot listen on %1: %2").arg(m_slavePath, systemError(problem));
        return false;
    }
    return true;
}

bool PtySource::linkTo(const QString &path, QString *error)
{
    const QFileInfo existing(path);
    if (existing.isSymLink()) {
        QFile::remove(path);
    } else if (existing.exists()) {
        *error = tr("cannot link %1: it exists and is not a symlink").arg(path);
        return false;
    }
    if (::symlink(QFile::encodeName(m_slavePath).constData(), QFile::encodeName(path).constData())
        != 0) {
        *error = tr("cannot link %1: %2").arg(path, systemError(errno));
        return false;
    }
    m_link = path;
    return true;
}

} // namespace mrv
