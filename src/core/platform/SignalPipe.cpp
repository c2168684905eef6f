// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/SignalPipe.h"

#include <QPointer>
#include <QScopedValueRollback>
#include <QSocketNotifier>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace mrv {

namespace {

// A signal handler can reach nothing but file-scope state, and only lock-free atomics of it.
static_assert(std::atomic<bool>::is_always_lock_free);

// Made once and never closed, so a handler running on another thread can never write into a
// descriptor that was closed or handed out again.
int g_readFd = -1;
int g_writeFd = -1;
std::array<std::atomic<bool>, NSIG> g_pending {};

// Everything below is touched by the event loop only, never by a handler.
QSocketNotifier *g_notifier = nullptr;
bool g_draining = false; // the notifier is emitting: it must not be deleted under its feet
QList<SignalPipe *> g_pipes;
std::array<int, NSIG> g_watchers {};
std::array<struct sigaction, NSIG> g_before {};

void onSignal(int signalNumber)
{
    const int saved = errno;
    // One byte per pending signal: a signal raised again and again cannot fill the pipe. The
    // write end is non-blocking all the same, so the handler never waits for the reader.
    if (!g_pending[std::size_t(signalNumber)].exchange(true)) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t written = ::write(g_writeFd, &byte, 1);
    }
    errno = saved;
}

bool makePipe()
{
    if (g_readFd >= 0)
        return true;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    g_readFd = fds[0];
    g_writeFd = fds[1];
    return true;
}

bool install(int signalNumber)
{
    if (g_watchers[std::size_t(signalNumber)] > 0)
        return true;
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    g_pending[std::size_t(signalNumber)] = false;
    return ::sigaction(signalNumber, &action, &g_before[std::size_t(signalNumber)]) == 0;
}

} // namespace

SignalPipe::SignalPipe(QObject *parent)
    : QObject(parent)
{ }

SignalPipe::~SignalPipe()
{
    g_pipes.removeOne(this);
    for (int signalNumber : std::as_const(m_watched)) {
        const auto n = std::size_t(signalNumber);
        if (--g_watchers[n] == 0) {
            ::sigaction(signalNumber, &g_before[n], nullptr);
            g_pending[n] = false;
        }
    }
    if (g_pipes.isEmpty() && g_notifier) {
        if (g_draining)
            g_notifier->deleteLater();
        else
            delete g_notifier;
        g_notifier = nullptr;
    }
}

bool SignalPipe::watch(std::initializer_list<int> signalNumbers)
{
    if (!makePipe())
        return false;
    if (!g_notifier) {
        g_notifier = new QSocketNotifier(g_readFd, QSocketNotifier::Read);
        QObject::connect(g_notifier, &QSocketNotifier::activated, &SignalPipe::drain);
    }
    if (!g_pipes.contains(this))
        g_pipes.append(this);
    for (int signalNumber : signalNumbers) {
        if (signalNumber <= 0 || signalNumber >= NSIG) {
            errno = EINVAL;
            return false;
        }
        if (m_watched.contains(signalNumber))
            continue;
        if (!install(signalNumber))
            return false;
        ++g_watchers[std::size_t(signalNumber)];
        m_watched.append(signalNumber);
    }
    return true;
}

void SignalPipe::drain()
{
    // Empty the pipe first: a signal that comes after this wakes the next pass.
    char bytes[64];
    while (::read(g_readFd, bytes, sizeof bytes) > 0) { }

    // A receiver may destroy any SignalPipe, itself included.
    const QScopedValueRollback guard(g_draining, true);
    QList<QPointer<SignalPipe>> pipes;
    for (SignalPipe *pipe : std::as_const(g_pipes))
        pipes.append(pipe);
    for (int signalNumber = 1; signalNumber < NSIG; ++signalNumber) {
        if (!g_pending[std::size_t(signalNumber)].exchange(false))
            continue;
        for (const QPointer<SignalPipe> &pipe : std::as_const(pipes)) {
            if (pipe && pipe->m_watched.contains(signalNumber))
                Q_EMIT pipe->caught(signalNumber);
        }
    }
}

bool SignalPipe::watchEndSignals()
{
    for (int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        std::signal(signalNumber, SIG_IGN);
    return watch({SIGTERM, SIGINT, SIGHUP});
}

} // namespace mrv
