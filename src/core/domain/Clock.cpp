// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/Clock.h"

namespace mrv {

QDateTime SystemClock::localNow() const
{
    return QDateTime::currentDateTime();
}

} // namespace mrv
