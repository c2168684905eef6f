// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "PtySource.h"

#include "sync/PseudoTerminal.h"
#include "zones/Clock.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace mrv {

namespace {

// While no one holds the slave end open, the master reports a hang-up on every poll. Looking
// again this often finds a returning sender quickly without keeping a core busy.
constexpr int kRetryMs = 100;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

PtySource::PtySource(const Clock &clock, QObject *parent)
    : ByteSource(parent)
    , m_clock(clock)
{
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        if (m_notifier)
            m_notifier->setEnabled(true);
    });
}

PtySource::~PtySource()
{
    if (!m_link.isEmpty() && QFileInfo(m_link).symLinkTarget() == m_slavePath)
        QFile::remove(m_link);
    delete m_notifier;
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

    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtySource::readAvailable);
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

void PtySource::readAvailable()
{
    QByteArray bytes;
    char buffer[4096];
    bool hungUp = false;
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            break;
        if (n == 0 || errno == EIO) {
            hungUp = true; // no one holds the slave end (yet, or any more)
            break;
        }
        const QString reason = tr("reading %1 failed: %2").arg(m_slavePath, systemError(errno));
        m_notifier->setEnabled(false);
        if (!bytes.isEmpty())
            Q_EMIT bytesArrived(bytes, m_clock.localNow());
        Q_EMIT failed(reason);
        return;
    }
    if (!bytes.isEmpty())
        Q_EMIT bytesArrived(bytes, m_clock.localNow());
    if (hungUp)
        waitForWriter();
}

void PtySource::waitForWriter()
{
    // The hang-up would be reported again at once; look again a little later instead.
    m_notifier->setEnabled(false);
    m_retry.start();
}

} // namespace mrv
