// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <optional>

namespace mrv {

class IniFile;

// Every key the program reads or writes is declared here once: section, key, conversion,
// default and valid range. Start-up and shut-down walk these in their order; no key string
// is spelled anywhere else.
struct IntSetting
{
    const char *section;
    const char *key;
    int defaultValue;
    int minimum;
    int maximum;
};

struct TextSetting
{
    const char *section;
    const char *key;
    const char *defaultValue;
};

namespace settings {

extern const IntSetting Zone[4]; // Zone1..Zone4: row -1..31, default -1
extern const IntSetting DST[4]; // DST1..DST4: check state 0..2, default 0
extern const IntSetting SyncInt; // row -1..3, default 0
extern const TextSetting CommPort; // default "1"
extern const TextSetting Setting; // default "9600,n,8,1"
extern const TextSetting DSS[4]; // DSS1..DSS4: stored day and month, no default
extern const TextSetting DSE[4]; // DSE1..DSE4
extern const TextSetting DSTRule[4]; // DSTRule1..DSTRule4: a time-zone database id, no default

// Display 1 keeps the keys of [Settings] above and may add these there; displays 2..8 read all
// of them from sections of their own, [Display2] .. [Display8].
namespace display {
extern const char *const SectionPrefix; // "Display": [Display2] .. [Display8]
extern const char *const Port; // COMn or a device path; none: the display is off
extern const char *const Format; // frame, nmea, standard, nena, template
extern const char *const Setting; // line settings; none: the format's own
extern const char *const Interval; // seconds between strings, 1..86400
extern const char *const Zone; // UTC, Local, Panel1..Panel4 or a time-zone database id
extern const char *const LeadMs; // signed trim in milliseconds
extern const char *const Unsynced; // mark, silent, ignore
extern const char *const Sentences; // nmea: RMC,ZDA,GGA in any order
extern const char *const Talker; // nmea: GP
extern const char *const ZoneSign; // nmea: east or west
extern const char *const Template; // template
} // namespace display

} // namespace settings

// A decimal whole number: optional sign, ASCII digits, blanks around it; nothing else.
std::optional<qint64> parseWholeNumber(const QString &stored);

// Reads a whole number; missing, empty, non-numeric or out-of-range text gives the default.
int readSetting(const IniFile &file, const IntSetting &setting);
// Reads a text; missing or empty gives the default.
QString readSetting(const IniFile &file, const TextSetting &setting);

} // namespace mrv
