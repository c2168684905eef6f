// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Runs two clock drivers side by side in one event loop for N seconds (default 20) and
// reports how late after each whole second of the system clock the shown second changes.
//
//   bench_clockflip [seconds]

#include "domain/Clock.h"
#include "platform/SecondTicker.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Follows the second a clock label would show and records, each time it changes, how long
// after the boundary it should have changed at.
class FlipRecorder
{
public:
    explicit FlipRecorder(const mrv::Clock &clock)
        : m_clock(clock)
    { }

    void refresh()
    {
        const qint64 nowMs = m_clock.localNow().toMSecsSinceEpoch();
        const qint64 second = nowMs / 1000;
        if (m_shown >= 0 && second != m_shown)
            m_lagsMs.push_back(double(nowMs - (m_shown + 1) * 1000));
        m_shown = second;
    }

    std::vector<double> sorted() const
    {
        std::vector<double> lags = m_lagsMs;
        std::sort(lags.begin(), lags.end());
        return lags;
    }

private:
    const mrv::Clock &m_clock;
    qint64 m_shown = -1;
    std::vector<double> m_lagsMs;
};

double percentile(const std::vector<double> &sorted, double p)
{
    if (sorted.empty())
        return 0;
    const auto index = static_cast<std::size_t>(p * double(sorted.size() - 1) + 0.5);
    return sorted[std::min(index, sorted.size() - 1)];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int seconds = 20;
    if (argc > 1)
        seconds = std::max(2, QByteArray(argv[1]).toInt());

    const mrv::SystemClock clock;
    FlipRecorder ours(clock);
    FlipRecorder old(clock);

    mrv::SecondTicker ticker(clock);
    QObject::connect(&ticker, &mrv::SecondTicker::tick, [&] { ours.refresh(); });
    QTimer halfSecond;
    halfSecond.setInterval(500);
    QObject::connect(&halfSecond, &QTimer::timeout, [&] { old.refresh(); });

    ours.refresh();
    old.refresh();
    ticker.start();
    halfSecond.start();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    std::printf("clockflip: %d s, lag from the second boundary to the shown second changing\n",
                seconds);
    std::fflush(stdout);
    app.exec();

    const std::vector<double> a = ours.sorted();
    const std::vector<double> b = old.sorted();
    std::printf("%-22s %8s %8s %8s %8s\n", "driver", "flips", "p50 ms", "p99 ms", "max ms");
    std::printf("%-22s %8zu %8.0f %8.0f %8.0f\n", "SecondTicker", a.size(), percentile(a, 0.5),
                percentile(a, 0.99), a.empty() ? 0.0 : a.back());
    std::printf("%-22s %8zu %8.0f %8.0f %8.0f\n", "QTimer 500 ms", b.size(), percentile(b, 0.5),
                percentile(b, 0.99), b.empty() ? 0.0 : b.back());
    return 0;
}
