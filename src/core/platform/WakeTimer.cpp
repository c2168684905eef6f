// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/WakeTimer.h"

#include "domain/Logging.h"

#include "domain/Clock.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <utility>

#ifdef Q_OS_LINUX
#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace mrv {

namespace {

// The portable timer: a single-shot precise Qt timer for the milliseconds left, read from the
// clock the program uses. Qt timers run on the monotonic clock, so a slewed wall clock can make
// it a little early, and a suspend makes it late. Nobody tells it that the clock was set; it
// finds out when the clock reads well before the second it last woke for.
class PreciseWakeTimer final : public WakeTimer
{
public:
    explicit PreciseWakeTimer(const Clock &clock)
        : m_clock(clock)
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (std::exchange(m_stepped, false)) {
                Q_EMIT clockStepped();
                return;
            }
            m_wokeFor = m_armedFor;
            Q_EMIT woke();
        });
    }

    void wakeAt(qint64 second, qint64 earlyUs) override
    {
        const qint64 nowMs = m_clock.localNow().toMSecsSinceEpoch();
        // A second earlier than that is an early wake-up being waited out; more is a clock set
        // back. Reported from the event loop, never from inside the caller's arming.
        if (m_wokeFor != kNone && nowMs < (m_wokeFor - 1) * 1000) {
            m_wokeFor = kNone;
            m_stepped = true;
            m_timer.start(0);
            return;
        }
        m_armedFor = second;
        m_stepped = false;
        // A clock read as far off as that would overflow the timer; waking early is harmless.
        constexpr qint64 kLongest = std::numeric_limits<int>::max() / 2;
        const qint64 atMs = second * 1000 - earlyUs / 1000;
        m_timer.start(int(std::clamp<qint64>(atMs - nowMs, 0, kLongest)));
    }
    // Another clock than the system's cannot be waited for; the writes follow one another.
    void waitUntil(qint64, qint64) override { }
    void cancel() override
    {
        m_timer.stop();
        m_stepped = false;
    }

private:
    static constexpr qint64 kNone = std::numeric_limits<qint64>::min();

    const Clock &m_clock;
    QTimer m_timer;
    qint64 m_armedFor = kNone;
    qint64 m_wokeFor = kNone; // the second of the latest wake-up
    bool m_stepped = false; // the next timeout reports a clock set back
};

#ifdef Q_OS_LINUX

// The wake-up lands on the wall clock's own second, to the nanosecond: an absolute CLOCK_REALTIME
// expiry, so neither a slewed clock nor a suspend moves it, and TFD_TIMER_CANCEL_ON_SET, so that
// a clock that is set reports at once instead of leaving the program a second (or an hour) off.
class TimerFdWakeTimer final : public WakeTimer
{
public:
    explicit TimerFdWakeTimer(int fd)
        : m_fd(fd)
        , m_notifier(fd, QSocketNotifier::Read)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, &TimerFdWakeTimer::onReadable);
    }
    ~TimerFdWakeTimer() override
    {
        m_notifier.setEnabled(false);
        ::close(m_fd);
        setSlack(false);
    }

    void wakeAt(qint64 second, qint64 earlyUs) override
    {
        timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        setSlack(second - now.tv_sec <= kNearSeconds);
        itimerspec when {};
        when.it_value = instant(second, earlyUs);
        if (::timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when, nullptr)
            == 0)
            return;
        if (errno == ECANCELED) {
            // The clock was set since the last arming and nobody read that yet; this arming
            // stands, but the step still has to be told, from the event loop.
            QTimer::singleShot(0, this, &WakeTimer::clockStepped);
            return;
        }
        // Only an impossible expiry gets here; a wake-up at once lets the owner try again.
        qCWarning(lcClock) << "cannot arm the wake-up timer:" << std::strerror(errno);
        QTimer::singleShot(0, this, &WakeTimer::woke);
    }

    void waitUntil(qint64 second, qint64 earlyUs) override
    {
        const timespec until = instant(second, earlyUs);
        timespec now {};
        ::clock_gettime(CLOCK_REALTIME, &now);
        if (until.tv_sec > now.tv_sec + 1)
            return; // not within this wake-up: the clock was set meanwhile
        while (::clock_nanosleep(CLOCK_REALTIME, TIMER_ABSTIME, &until, nullptr) == EINTR) { }
    }

    void cancel() override
    {
        const itimerspec off {};
        ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &off, nullptr);
        setSlack(false);
    }

private:
    // The wall-clock instant `earlyUs` before the start of `second`.
    static timespec instant(qint64 second, qint64 earlyUs)
    {
        const qint64 ns = -earlyUs * 1000;
        const qint64 carry = ns >= 0 ? ns / 1'000'000'000 : -((-ns + 999'999'999) / 1'000'000'000);
        timespec at {};
        at.tv_sec = time_t(second + carry);
        at.tv_nsec = long(ns - carry * 1'000'000'000);
        return at;
    }

    // While a wake-up is this close, the process's timer slack is kept small.
    static constexpr qint64 kNearSeconds = 2;
    static constexpr unsigned long kNearSlackNs = 2'000;

    void onReadable()
    {
        std::uint64_t expirations = 0;
        const ssize_t n = ::read(m_fd, &expirations, sizeof expirations);
        if (n == ssize_t(sizeof expirations) && expirations > 0)
            Q_EMIT woke();
        else if (n < 0 && errno == ECANCELED)
            Q_EMIT clockStepped();
        // EAGAIN: a re-arming got in between; nothing is due.
    }

    // The slack widens the kernel's other timeouts (the event loop's own), never the timerfd's;
    // small while a boundary is near, the system's default while the program sleeps long.
    void setSlack(bool near)
    {
        if (near == m_nearSlack)
            return;
        m_nearSlack = near;
        ::prctl(PR_SET_TIMERSLACK, near ? kNearSlackNs : 0UL, 0UL, 0UL, 0UL);
    }

    int m_fd = -1;
    QSocketNotifier m_notifier;
    bool m_nearSlack = false;
};

#endif

} // namespace

std::unique_ptr<WakeTimer> makeWakeTimer(const Clock &clock)
{
#ifdef Q_OS_LINUX
    if (dynamic_cast<const SystemClock *>(&clock)) {
        const int fd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
        if (fd >= 0)
            return std::make_unique<TimerFdWakeTimer>(fd);
        qCWarning(lcClock) << "no timerfd (" << std::strerror(errno)
                           << "); ticks use a millisecond timer";
    }
#endif
    return std::make_unique<PreciseWakeTimer>(clock);
}

} // namespace mrv
