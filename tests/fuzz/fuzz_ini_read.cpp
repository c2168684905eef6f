// Any file and any names: reading never crashes or hangs, and never returns more characters
// than a value may hold.

#include "settings/IniFile.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const QString section = fuzz::text(input), key = fuzz::text(input);
    const mrv::IniFile ini(
            fuzz::scratchFile(QByteArray::fromStdString(input.ConsumeRemainingBytesAsString())));
    fuzz::check(ini.read(section, key).toUcs4().size() <= ini.MaximumValueLength, "value too long");
    return 0;
}
