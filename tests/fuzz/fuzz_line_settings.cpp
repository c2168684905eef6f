// Any text as a line-settings value: parsing never crashes, and what it accepts is usable.

#include "sync/LineSettings.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text =
            QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const mrv::LineSettingsResult result = mrv::parseLineSettings(text);
    if (!result.settings) {
        fuzz::check(!result.error.isEmpty(), "refused without a reason");
        return 0;
    }
    const mrv::LineSettings &settings = *result.settings;
    fuzz::check(result.error.isEmpty(), "accepted with an error");
    fuzz::check(settings.baudRate > 0, "speed not positive");
    fuzz::check(settings.dataBits >= QSerialPort::Data5 && settings.dataBits <= QSerialPort::Data8,
                "data bits out of range");
    return 0;
}
