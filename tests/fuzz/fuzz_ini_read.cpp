// Any file and any names: reading never crashes or hangs, and never returns more characters
// than a value may hold.

#include "settings/IniFile.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const QString section = fuzz::takeText(input);
    const QString key = fuzz::takeText(input);
    const QString path =
            fuzz::scratchFile(QByteArray::fromStdString(input.ConsumeRemainingBytesAsString()));

    const QString value = mrv::IniFile(path).read(section, key);
    fuzz::check(value.toUcs4().size() <= mrv::IniFile::MaximumValueLength, "value too long");
    return 0;
}
