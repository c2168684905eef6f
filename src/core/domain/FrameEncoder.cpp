// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/Encoders.h"

#include "domain/SyncFrame.h"

namespace mrv {

Encoded encodeFrame(const EncoderInput &input, const EncoderOptions &)
{
    // The frame always carries GMT; the display adds each slot's zone itself.
    return {buildSyncFrame(input.utc.toUTC(), input.zoneCodes), 0};
}

} // namespace mrv
