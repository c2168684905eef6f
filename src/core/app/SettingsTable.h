// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

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

} // namespace settings

// Reads a whole number; missing, empty, non-numeric or out-of-range text gives the default.
int readSetting(const IniFile &file, const IntSetting &setting);
// Reads a text; missing or empty gives the default.
QString readSetting(const IniFile &file, const TextSetting &setting);

} // namespace mrv
