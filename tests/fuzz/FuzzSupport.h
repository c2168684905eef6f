// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Shared by the fuzz targets: a check that turns a broken promise into a crash libFuzzer keeps,
// text taken from the input, and the scratch file handed to the settings code.

#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

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

// A file holding exactly these bytes; the same path every time.
inline QString scratchFile(const QByteArray &bytes)
{
    static QTemporaryDir dir;
    QFile file(dir.filePath("mrvl.ini"));
    check(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(), "no scratch file");
    return file.fileName();
}

} // namespace fuzz
