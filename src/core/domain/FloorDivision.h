// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QtGlobal>

namespace mrv {

// a / b rounded towards minus infinity (b > 0): the second an instant before 1970 falls in is
// the one that began before it, not after.
constexpr qint64 floorDiv(qint64 a, qint64 b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace mrv
