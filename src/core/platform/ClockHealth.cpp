// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/ClockHealth.h"

#include <QCoreApplication>
#include <QLocale>

#ifdef Q_OS_LINUX
#include <sys/timex.h>
#endif

namespace mrv {

QString ClockHealth::summary() const
{
    switch (state) {
    case State::Synchronised:
        if (maxErrorUs < 0)
            return QCoreApplication::translate("mrv::ClockHealth", "System clock synchronised");
        // Rounded up: the bound is a promise, and "±0 ms" would claim too much.
        return QCoreApplication::translate("mrv::ClockHealth", "System clock synchronised (±%1 ms)")
                .arg(QLocale().toString(qMax<qint64>(1, (maxErrorUs + 999) / 1000)));
    case State::NotSynchronised:
        return QCoreApplication::translate("mrv::ClockHealth", "System clock not synchronised");
    case State::Unknown:
        break;
    }
    return QCoreApplication::translate("mrv::ClockHealth", "System clock state unknown");
}

ClockHealth KernelClockHealth::read() const
{
    ClockHealth health;
#ifdef Q_OS_LINUX
    timex tx {}; // modes 0: only reads
    const int result = ::adjtimex(&tx);
    if (result < 0)
        return health;
    health.state = result == TIME_ERROR || (tx.status & STA_UNSYNC)
                           ? ClockHealth::State::NotSynchronised
                           : ClockHealth::State::Synchronised;
    health.maxErrorUs = tx.maxerror;
    health.estErrorUs = tx.esterror;
#endif
    return health;
}

} // namespace mrv
