// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Shared by the fuzz targets: a check that turns a broken promise into a crash libFuzzer keeps,
// and text taken from the input. The settings targets keep their files in memory (IniMemory),
// so a run costs no system call and reaches millions of inputs.

#include <QLoggingCategory>

#include <fuzzer/FuzzedDataProvider.h>

namespace fuzz {

inline void check(bool ok, const char *what)
{
    ok ? void() : qFatal("broken promise: %s", what);
}

// Up to a backslash and another byte (so a seed can be written as lines ending in '\'), as UTF-8.
inline QString text(FuzzedDataProvider &input)
{
    return QString::fromStdString(input.ConsumeRandomLengthString(400));
}

// Refused writes are expected here; their warnings would only drown libFuzzer's output.
inline const bool quiet =
        (QLoggingCategory::setFilterRules("mirovalent.settings.warning=false"), true);

} // namespace fuzz
