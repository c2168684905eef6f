// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/Logging.h"

namespace mrv {

Q_LOGGING_CATEGORY(lcSettings, "mirovalent.settings")
Q_LOGGING_CATEGORY(lcSync, "mirovalent.sync")
Q_LOGGING_CATEGORY(lcClock, "mirovalent.clock")
Q_LOGGING_CATEGORY(lcService, "mirovalent.service")

} // namespace mrv
