// Any text as a stored daylight-saving date or a date label, in English, French or German
// (chosen by the first byte): parsing never crashes, and what it accepts is a real date that
// reads back the same once formatted again.

#include "zones/DstDates.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QLocale locales[] = {QLocale("en_GB"), QLocale("fr_FR"), QLocale("de_DE")};
    if (size == 0)
        return 0;
    const QLocale &locale = locales[data[0] % 3];
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), size - 1);
    if (const auto stored = mrv::parseStoredDayMonth(text, locale)) {
        const QDate date(2000, stored->month, stored->day); // a leap year, for 29 Feb
        fuzz::check(date.isValid(), "stored day and month invalid");
        fuzz::check(mrv::parseStoredDayMonth(mrv::formatStoredDayMonth(date), locale) == stored,
                    "stored form does not read back");
    }
    if (const auto date = mrv::parseDateLabel(text, locale)) {
        fuzz::check(date->isValid(), "label date invalid");
        fuzz::check(mrv::parseDateLabel(mrv::formatDateLabel(*date, locale), locale) == date,
                    "label does not read back");
    }
    return 0;
}
