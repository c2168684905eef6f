// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLoggingCategory>

namespace mrv {

// One category per subsystem, for warnings and the few lines a journal should show.
Q_DECLARE_LOGGING_CATEGORY(lcSettings) // "mirovalent.settings"
Q_DECLARE_LOGGING_CATEGORY(lcSync) // "mirovalent.sync": ports and displays
Q_DECLARE_LOGGING_CATEGORY(lcClock) // "mirovalent.clock": wake-ups and the clock's health
Q_DECLARE_LOGGING_CATEGORY(lcService) // "mirovalent.service"

} // namespace mrv
