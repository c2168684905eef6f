// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/SettingsTable.h"

#include "domain/Logging.h"

#include "platform/IniFile.h"

#include <optional>

namespace mrv {

namespace settings {

const IntSetting Zone[4] = {
        {"Zone", "Zone1", -1, -1, 31},
        {"Zone", "Zone2", -1, -1, 31},
        {"Zone", "Zone3", -1, -1, 31},
        {"Zone", "Zone4", -1, -1, 31},
};
const IntSetting DST[4] = {
        {"Zone", "DST1", 0, 0, 2},
        {"Zone", "DST2", 0, 0, 2},
        {"Zone", "DST3", 0, 0, 2},
        {"Zone", "DST4", 0, 0, 2},
};
const IntSetting SyncInt = {"Settings", "SyncInt", 0, -1, 3};
const TextSetting CommPort = {"Settings", "CommPort", "1"};
const TextSetting Setting = {"Settings", "Setting", "9600,n,8,1"};
const TextSetting DSS[4] = {
        {"Zone", "DSS1", ""},
        {"Zone", "DSS2", ""},
        {"Zone", "DSS3", ""},
        {"Zone", "DSS4", ""},
};
const TextSetting DSE[4] = {
        {"Zone", "DSE1", ""},
        {"Zone", "DSE2", ""},
        {"Zone", "DSE3", ""},
        {"Zone", "DSE4", ""},
};
const TextSetting DSTRule[4] = {
        {"Zone", "DSTRule1", ""},
        {"Zone", "DSTRule2", ""},
        {"Zone", "DSTRule3", ""},
        {"Zone", "DSTRule4", ""},
};

namespace display {
const char *const SectionPrefix = "Display";
const char *const Port = "Port";
const char *const Format = "Format";
const char *const Setting = "Setting";
const char *const Interval = "Interval";
const char *const Zone = "Zone";
const char *const LeadMs = "LeadMs";
const char *const Unsynced = "Unsynced";
const char *const Sentences = "Sentences";
const char *const Talker = "Talker";
const char *const ZoneSign = "ZoneSign";
const char *const Template = "Template";
} // namespace display

} // namespace settings

std::optional<qint64> parseWholeNumber(const QString &stored)
{
    const QStringView text = trimmedBlanks(stored);
    qsizetype i = 0;
    const qsizetype end = text.size();
    bool negative = false;
    if (i < end && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    if (i == end)
        return std::nullopt;
    qint64 value = 0;
    for (; i < end; ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return std::nullopt;
        // Anything this large is out of every range; stop before it could overflow.
        if (value < 1'000'000'000)
            value = value * 10 + (text[i].unicode() - u'0');
    }
    return negative ? -value : value;
}

int readSetting(const IniFile &file, const IntSetting &setting)
{
    const QString text = file.read(QLatin1String(setting.section), QLatin1String(setting.key));
    if (text.isEmpty())
        return setting.defaultValue;
    const std::optional<qint64> value = parseWholeNumber(text);
    if (value && *value >= setting.minimum && *value <= setting.maximum)
        return int(*value);
    qCWarning(lcSettings).noquote()
            << QStringLiteral("[%1] %2 in %3 is \"%4\", not a whole number from %5 to %6; using %7")
                       .arg(QLatin1String(setting.section), QLatin1String(setting.key), file.path(),
                            text)
                       .arg(setting.minimum)
                       .arg(setting.maximum)
                       .arg(setting.defaultValue);
    return setting.defaultValue;
}

QString readSetting(const IniFile &file, const TextSetting &setting)
{
    const QString text = file.read(QLatin1String(setting.section), QLatin1String(setting.key));
    return text.isEmpty() ? QString::fromLatin1(setting.defaultValue) : text;
}

} // namespace mrv
