// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <optional>

namespace mrv {

class IniFile;

// The number of COM n as the settings hold it, as text: a whole number in 1..32767 (the
// settings use it as a 16-bit number), blanks around it allowed.
std::optional<int> parsePortNumber(const QString &text);

// Which device COM n stands for: the [Ports] section of the settings file (COMn=device), read
// and never written; otherwise /dev/ttyS<n-1>.
struct PortDevice
{
    QString path; // empty when the number is no number
    QString error; // why there is no device, for the user
};

PortDevice deviceForPort(const QString &commPortNumber, const IniFile &file);

// A display's port as the settings name it: "COMn" (or the bare number n), mapped as above, the
// path of a device, or a device server's address (tcp://HOST:PORT, rfc2217://HOST:PORT).
PortDevice deviceForPortName(const QString &port, const IniFile &file);
// Why such a name cannot be used, for the user; empty when it can.
QString checkPortName(const QString &port);
// The number of "COMn" or of a bare number, as text; other names as they are.
QString portNumberText(const QString &port);

} // namespace mrv
