// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "domain/SyncSchedule.h"
#include "domain/ZonePanelSettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>

#include <array>

namespace mrv {

class IniFile;

// What the program holds besides the zones.
struct ProgramSettings
{
    QString commPort = QStringLiteral("1"); // the display's port number, as the file has it
    QString lineSettings = QStringLiteral("9600,n,8,1"); // "baud,parity,data,stop"
    int syncIntervalRow = 0; // row of the interval list; kEverySecondRow: a frame every second
    // The file's CommPort could not be used: the default runs, and the user's text stays in the
    // file until a port is picked.
    bool keepStoredCommPort = false;
    friend bool operator==(const ProgramSettings &, const ProgramSettings &) = default;
};

struct Settings
{
    ProgramSettings program;
    std::array<ZonePanelSettings, kZonePanels> zones;
    friend bool operator==(const Settings &, const Settings &) = default;
};

// Reads every setting in the order start-up uses; anything missing or unusable is its default.
// A CommPort that is no port number and line settings that cannot be used log one warning each.
// Stored months are read in English or in the locale's abbreviations.
Settings loadSettings(const IniFile &file, const QLocale &locale);

// Writes the settings as one atomic save, in the order shut-down uses. The line settings are
// written only when the file lacks them, an unusable CommPort only once the user picked a port;
// daylight-saving dates only for panels that observe daylight saving, and only the sides that hold
// a date (a picked date keeps its day and month); a panel that follows a rule gets the dates of
// the rule's period in force at `at`, or the next one, so that readers without rules still see
// this year's dates. False when the save failed.
bool saveSettings(IniFile &file, const Settings &settings, const QDateTime &at);

} // namespace mrv
