// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

namespace mrv {

// The kernel's verdict on the system clock: whether something (an NTP client such as chrony or
// systemd-timesyncd) keeps it synchronised, and how far off it may be.
struct ClockHealth
{
    enum class State { Unknown, Synchronised, NotSynchronised };

    State state = State::Unknown;
    qint64 maxErrorUs = -1; // the kernel's maximum error, microseconds; -1 when not known
    qint64 estErrorUs = -1; // its estimated error, microseconds; -1 when not known

    bool operator==(const ClockHealth &) const = default;

    // The one line the window and the tray show: "System clock synchronised (±2 ms)",
    // "System clock not synchronised", or that the state is not known.
    QString summary() const;
};

// Where the verdict comes from; tests put their own in its place.
class ClockHealthSource
{
public:
    virtual ~ClockHealthSource() = default;
    virtual ClockHealth read() const = 0;
};

// Asks the kernel (adjtimex, read only): not synchronised when it reports TIME_ERROR or
// STA_UNSYNC; unknown where it cannot be asked.
class KernelClockHealth final : public ClockHealthSource
{
public:
    ClockHealth read() const override;
};

} // namespace mrv
