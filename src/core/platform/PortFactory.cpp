// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/PortFactory.h"

#include "platform/NetworkPort.h"
#include "platform/SerialPort.h"

namespace mrv {

PortKind portKindOf(const QString &device)
{
    return device.contains(QLatin1String("://")) ? PortKind::Network : PortKind::Serial;
}

Port *makePort(const QString &device, QObject *parent)
{
    if (portKindOf(device) == PortKind::Network)
        return new NetworkPort(parent);
    return new SerialPort(parent);
}

} // namespace mrv
