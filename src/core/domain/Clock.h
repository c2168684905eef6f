// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDateTime>

namespace mrv {

// Where "now" comes from. The application reads the system clock; tests inject a fixed or
// stepping clock. Nothing else in the program asks Qt for the current time.
class Clock
{
public:
    virtual ~Clock() = default;
    // The computer's local date and time now, millisecond precision, as Qt::LocalTime.
    virtual QDateTime localNow() const = 0;
};

class SystemClock final : public Clock
{
public:
    QDateTime localNow() const override;
};

} // namespace mrv
