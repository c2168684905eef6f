// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "domain/DisplayFormat.h"
#include "domain/TimeEngine.h"

namespace mrv {

// The facts of a display's zone at the snapshot's instant: UTC; the system zone; a zone panel
// with its daylight-saving mode (a database rule, or manual dates from local midnight to local
// midnight); or a zone of the database.
ZoneFacts zoneFactsAt(const DisplayZone &zone, const TimeSnapshot &snapshot,
                      const std::array<ZonePanelSettings, kZonePanels> &panels);

} // namespace mrv
