// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Any text as a line-settings value: parsing never crashes, and what it accepts is usable.

#include "domain/LineSettings.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto [settings, error] =
            mrv::parseLineSettings(QString::fromUtf8(reinterpret_cast<const char *>(data), size));
    fuzz::check(settings.has_value() == error.isEmpty(), "refusal and reason disagree");
    if (settings) {
        fuzz::check(settings->baudRate > 0, "speed not positive");
        fuzz::check(QList {5, 6, 7, 8}.contains(settings->dataBits), "data bits out of range");
    }
    return 0;
}
