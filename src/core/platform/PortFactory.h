// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/Port.h"

namespace mrv {

// What kind of port a device name stands for.
enum class PortKind { Serial, Network };
PortKind portKindOf(const QString &device);

// A new, closed port of the kind the name stands for.
Port *makePort(const QString &device, QObject *parent);

} // namespace mrv
