// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// A pseudo-terminal pair for tests: the program under test opens the slave path as its serial
// device; the test reads what arrives on the master side.

#include "PseudoTerminal.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <cerrno>
#include <poll.h>
#include <unistd.h>

class PtyPair
{
public:
    PtyPair()
    {
        const mrv::PseudoTerminal pty = mrv::openPseudoTerminal();
        m_master = pty.masterFd;
        m_slavePath = pty.slavePath;
    }
    ~PtyPair() { closeMaster(); }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    QString slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }

    // Reads what arrived on the master side until at least `atLeast` bytes came or the time
    // ran out. Returns what was read (possibly less, possibly more).
    QByteArray read(int timeoutMs, int atLeast = 1)
    {
        QByteArray out;
        QElapsedTimer timer;
        timer.start();
        while (m_master >= 0 && out.size() < atLeast) {
            const int left = timeoutMs - int(timer.elapsed());
            if (left <= 0)
                break;
            pollfd p {m_master, POLLIN, 0};
            if (::poll(&p, 1, left) <= 0)
                continue;
            char buf[256];
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n > 0)
                out.append(buf, int(n));
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                break; // EIO: no one holds the slave end
        }
        return out;
    }

    // Everything already waiting, without blocking.
    QByteArray drain() { return read(20, 1 << 20); }

    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

private:
    int m_master = -1;
    QString m_slavePath;
};
