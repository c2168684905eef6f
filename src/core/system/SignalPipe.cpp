#include "system/SignalPipe.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace mrv {

namespace {

// A signal handler can reach nothing but file-scope state; this is the write end of the pipe.
int g_writeFd = -1;
int g_readFd = -1;

void onSignal(int signalNumber)
{
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(g_writeFd, &byte, 1);
    errno = saved;
}

} // namespace

SignalPipe::SignalPipe(QObject *parent)
    : QObject(parent)
{ }

SignalPipe::~SignalPipe()
{
    delete m_notifier;
}

bool SignalPipe::watch(std::initializer_list<int> signalNumbers)
{
    if (g_readFd < 0) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
            return false;
        g_readFd = fds[0];
        g_writeFd = fds[1];
        m_notifier = new QSocketNotifier(g_readFd, QSocketNotifier::Read);
        connect(m_notifier, &QSocketNotifier::activated, this, &SignalPipe::drain);
    }
    for (int signalNumber : signalNumbers) {
        struct sigaction action
        {
        };
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        if (::sigaction(signalNumber, &action, nullptr) != 0)
            return false;
    }
    return true;
}

void SignalPipe::drain()
{
    unsigned char byte = 0;
    while (::read(g_readFd, &byte, 1) == 1)
        Q_EMIT caught(byte);
}

} // namespace mrv
