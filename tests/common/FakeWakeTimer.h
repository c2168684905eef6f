// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The wake-up timer tests put in the system's place: it records what it is armed for and every
// wait within a wake-up; the test says when it fires and when the clock is set.

#include "platform/WakeTimer.h"

#include <QList>

#include <utility>

struct FakeWakeTimer final : mrv::WakeTimer
{
    void wakeAt(qint64 second, qint64 earlyUs) override
    {
        armed = second;
        armedEarlyUs = earlyUs;
        ++armings;
    }
    void cancel() override { armed = -1; }
    void waitUntil(qint64 second, qint64 earlyUs) override { waits.append({second, earlyUs}); }

    qint64 armed = -1;
    qint64 armedEarlyUs = 0;
    int armings = 0;
    QList<std::pair<qint64, qint64>> waits; // second, and how long before it
};
