// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "SettingsModel.h"

#include "IniFile.h"
#include "SettingsTable.h"
#include "sync/LineSettings.h"
#include "sync/PortMap.h"

namespace mrv {

namespace {

DstDate storedDate(const IniFile &file, const TextSetting &setting, const QLocale &locale)
{
    return {parseStoredDayMonth(readSetting(file, setting), locale), std::nullopt};
}

std::optional<DayMonth> dayMonthOf(const DstDate &date)
{
    if (date.picked && date.picked->isValid())
        return DayMonth {date.picked->day(), date.picked->month()};
    return date.stored;
}

// A text the program cannot use runs as the default; the file keeps the user's text.
QString usableOrDefault(const IniFile &file, const TextSetting &setting, const QString &text,
                        const QString &reason)
{
    if (reason.isEmpty())
        return text;
    qCWarning(lcSettings).noquote()
            << QStringLiteral("[%1] %2 in %3 is \"%4\": %5; using %6")
                       .arg(QLatin1String(setting.section), QLatin1String(setting.key), file.path(),
                            text, reason, QLatin1String(setting.defaultValue));
    return QString::fromLatin1(setting.defaultValue);
}

} // namespace

Settings loadSettings(const IniFile &file, const QLocale &locale)
{
    Settings loaded;
    for (int k = 0; k < kZonePanels; ++k) {
        ZonePanelSettings &zone = loaded.zones[std::size_t(k)];
        zone.row = readSetting(file, settings::Zone[k]);
        zone.observeDst = DstBox(readSetting(file, settings::DST[k]));
        zone.start = storedDate(file, settings::DSS[k], locale);
        zone.end = storedDate(file, settings::DSE[k], locale);
    }
    loaded.program.syncIntervalRow = readSetting(file, settings::SyncInt);
    const QString port = readSetting(file, settings::CommPort);
    loaded.program.keepStoredCommPort = !parsePortNumber(port);
    loaded.program.commPort = usableOrDefault(
            file, settings::CommPort, port,
            loaded.program.keepStoredCommPort ? QStringLiteral("not a port number") : QString());
    const QString line = readSetting(file, settings::Setting);
    loaded.program.lineSettings =
            usableOrDefault(file, settings::Setting, line, parseLineSettings(line).error);
    return loaded;
}

bool saveSettings(IniFile &file, const Settings &settings)
{
    QList<IniFile::Entry> writes;
    auto put = [&writes](const auto &setting, const QString &value) {
        writes.append(
                {QString::fromLatin1(setting.section), QString::fromLatin1(setting.key), value});
    };
    if (!settings.program.keepStoredCommPort)
        put(settings::CommPort, settings.program.commPort);
    put(settings::SyncInt, QString::number(settings.program.syncIntervalRow));
    // The line settings are never rewritten; a first start leaves a complete file behind.
    if (file.read(QString::fromLatin1(settings::Setting.section),
                  QString::fromLatin1(settings::Setting.key))
                .isEmpty())
        put(settings::Setting, settings.program.lineSettings);
    for (int k = 0; k < kZonePanels; ++k)
        put(settings::Zone[k], QString::number(settings.zones[std::size_t(k)].row));
    for (int k = 0; k < kZonePanels; ++k)
        put(settings::DST[k], QString::number(int(settings.zones[std::size_t(k)].observeDst)));
    for (int k = 0; k < kZonePanels; ++k) {
        const ZonePanelSettings &zone = settings.zones[std::size_t(k)];
        if (!zone.observesDst())
            continue;
        if (const auto start = dayMonthOf(zone.start))
            put(settings::DSS[k], formatStoredDayMonth(*start));
        if (const auto end = dayMonthOf(zone.end))
            put(settings::DSE[k], formatStoredDayMonth(*end));
    }
    return file.writeAll(writes);
}

} // namespace mrv
