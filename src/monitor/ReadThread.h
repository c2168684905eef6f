// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>

#include <functional>
#include <thread>

namespace mrv {

// When bytes were read, and what the reading itself cost.
struct ReadStamp
{
    // CLOCK_REALTIME right after read() returned, in microseconds since the epoch.
    qint64 arrivalUs = 0;
    // From poll() returning (the thread woken by the kernel) to that stamp, in microseconds: the
    // monitor's own share of the lateness it reports. Measured on CLOCK_MONOTONIC, so a step of
    // the wall clock in between does not show up as a delay.
    qint64 delayUs = 0;
};

// A thread of its own that waits on one descriptor and reads whatever comes, stamping each read
// as soon as it returns. The event loop is not in the way: it may be busy printing the previous
// frame, and its wake-ups go through timers and notifiers that round and batch.
//
// The handlers run on the reading thread.
class ReadThread
{
public:
    using ReadHandler = std::function<void(const QByteArray &bytes, const ReadStamp &stamp)>;
    // The descriptor hung up or a read failed: `error` is errno, 0 at end of file. True waits a
    // little (kPauseMs) and listens again; false ends the thread.
    using EndHandler = std::function<bool(int error)>;

    static constexpr int kPauseMs = 100;

    ReadThread(ReadHandler onRead, EndHandler onEnd);
    ~ReadThread();
    ReadThread(const ReadThread &) = delete;
    ReadThread &operator=(const ReadThread &) = delete;

    // Reads `fd` (non-blocking; it stays the caller's and must stay open until stop()). False,
    // with errno, when the thread cannot be set up.
    bool start(int fd, int *error);
    // Ends the thread and waits for it. Safe to call more than once.
    void stop();

private:
    void run();
    bool pause();

    ReadHandler m_onRead;
    EndHandler m_onEnd;
    int m_fd = -1;
    int m_wake = -1; // an eventfd that tells the thread to end
    std::thread m_thread;
};

} // namespace mrv
