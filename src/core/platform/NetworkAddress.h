// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <optional>

namespace mrv {

// Where a serial device server listens, as a display's port names it: tcp://HOST:PORT (the bytes
// go to the line as they are) or rfc2217://HOST:PORT (telnet, with the line settings sent to the
// server). HOST is a name, an IPv4 address or an IPv6 address in brackets.
struct NetworkAddress
{
    enum class Protocol { Raw, Rfc2217 };
    Protocol protocol = Protocol::Raw;
    QString host; // without brackets
    quint16 port = 0;
    QString text; // as the user wrote it, for messages
};

struct NetworkAddressResult
{
    std::optional<NetworkAddress> address;
    QString error; // why the name is no such address, for the user; empty on success
};

NetworkAddressResult parseNetworkAddress(const QString &name);

} // namespace mrv
