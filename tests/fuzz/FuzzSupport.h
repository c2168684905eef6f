#pragma once

// Shared by the fuzz targets: how they take text from the input, the scratch file they hand to
// the settings code, and the check that turns a broken promise into a crash libFuzzer keeps.

#include <QByteArray>
#include <QFile>
#include <QLoggingCategory>
#include <QString>
#include <QTemporaryDir>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

namespace fuzz {

inline void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

// Text up to the next backslash-and-another-byte (so a seed can be written as lines ending in
// '\'), read as UTF-8 the way names and values reach the program.
inline QString takeText(FuzzedDataProvider &input)
{
    return QString::fromStdString(input.ConsumeRandomLengthString(400));
}

// A file holding exactly these bytes; the same path every time.
inline QString scratchFile(const QByteArray &bytes)
{
    static QTemporaryDir dir;
    // Refused writes are expected here; their warnings would only drown libFuzzer's output.
    static const bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("mirovalent.settings.warning=false"));
        return true;
    }();
    Q_UNUSED(quiet);
    check(dir.isValid(), "no scratch folder");
    const QString path = dir.filePath(QStringLiteral("mrvl.ini"));
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate)
                  && file.write(bytes) == bytes.size(),
          "cannot write the scratch file");
    return path;
}

inline QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace fuzz
