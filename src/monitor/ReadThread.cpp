// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ReadThread.h"

#include "domain/FloorDivision.h"

#include <cerrno>
#include <ctime>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace mrv {

namespace {

qint64 nanoseconds(const timespec &t)
{
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

qint64 now(clockid_t clock)
{
    timespec t {};
    ::clock_gettime(clock, &t);
    return nanoseconds(t);
}

// Whole microseconds, rounded down also before the epoch.
qint64 floorMicros(qint64 ns)
{
    return floorDiv(ns, 1000);
}

} // namespace

ReadThread::ReadThread(ReadHandler onRead, EndHandler onEnd)
    : m_onRead(std::move(onRead))
    , m_onEnd(std::move(onEnd))
{ }

ReadThread::~ReadThread()
{
    stop();
}

bool ReadThread::start(int fd, int *error)
{
    stop();
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wake < 0) {
        *error = errno;
        return false;
    }
    m_fd = fd;
    m_thread = std::thread([this] { run(); });
    return true;
}

void ReadThread::stop()
{
    if (m_thread.joinable()) {
        const quint64 one = 1;
        while (::write(m_wake, &one, sizeof one) < 0 && errno == EINTR) { }
        m_thread.join();
    }
    if (m_wake >= 0)
        ::close(m_wake);
    m_wake = -1;
    m_fd = -1;
}

void ReadThread::run()
{
    char buffer[4096];
    for (;;) {
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wake, POLLIN, 0}};
        const int ready = ::poll(fds, 2, -1);
        const int pollError = errno;
        const qint64 woke = now(CLOCK_MONOTONIC);
        if (ready < 0) {
            if (pollError == EINTR)
                continue;
            if (!m_onEnd(pollError) || !pause())
                return;
            continue;
        }
        if (fds[1].revents != 0)
            return;
        if (fds[0].revents & POLLNVAL) {
            m_onEnd(EBADF);
            return;
        }
        // Read until the descriptor is empty; a hang-up or an error shows as the read's result.
        int ended = -1;
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            const int readError = errno;
            const qint64 arrival = now(CLOCK_REALTIME);
            const qint64 stamped = now(CLOCK_MONOTONIC);
            if (n > 0) {
                const ReadStamp stamp {floorMicros(arrival), (stamped - woke + 500) / 1000};
                m_onRead(QByteArray(buffer, n), stamp);
                continue;
            }
            if (n < 0 && readError == EINTR)
                continue;
            if (n < 0 && (readError == EAGAIN || readError == EWOULDBLOCK))
                break;
            ended = n == 0 ? 0 : readError;
            break;
        }
        // Hung up, yet nothing to read that says so: without a pause the next poll would return
        // at once, and again, keeping a core busy.
        if (ended < 0 && (fds[0].revents & (POLLHUP | POLLERR)))
            ended = EIO;
        if (ended >= 0 && (!m_onEnd(ended) || !pause()))
            return;
    }
}

bool ReadThread::pause()
{
    // A hung-up descriptor is ready at once, for ever: look again a little later instead.
    pollfd wake {m_wake, POLLIN, 0};
    while (::poll(&wake, 1, kPauseMs) < 0 && errno == EINTR) { }
    return wake.revents == 0;
}

} // namespace mrv
