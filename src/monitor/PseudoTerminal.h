// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

namespace mrv {

// A new pseudo-terminal: a display without hardware. Whoever holds the master side reads what
// a serial port opened on `slavePath` writes. The master is raw (no byte translated, nothing
// echoed: 0x0A, 0x0D and 0x11 are valid frame fields) and non-blocking.
struct PseudoTerminal
{
    int masterFd = -1; // -1 when it could not be made
    QString slavePath;
    int error = 0; // errno of the step that failed
};

PseudoTerminal openPseudoTerminal();

} // namespace mrv
