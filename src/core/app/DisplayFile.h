// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "app/SettingsModel.h"
#include "domain/DisplaySettings.h"
#include "platform/IniFile.h"

#include <QList>

#include <optional>

namespace mrv {

// Display 1 as the file describes it: the port, line settings and interval of [Settings] that
// the program has always had, and the optional Format, Zone, LeadMs and Unsynced beside them.
// Without those it is exactly the 9-byte frame at the stored interval. `portNamed`: whether the
// file names a port at all (the service drives only ports it is told of).
DisplaySettings readFirstDisplay(const IniFile &file, const ProgramSettings &program,
                                 bool portNamed);

// Display 2..8 from its section; none when it names no usable port. A value that cannot be used
// logs one warning naming section, key and value, and runs as the default.
std::optional<DisplaySettings> readDisplay(const IniFile &file, int number);

// The writes that store one display: every key of its section for displays 2..8; for display 1
// its keys of [Settings] (the interval as a row of the list, the port as its number).
QList<IniFile::Entry> displayEntries(const DisplaySettings &display);
// The write that switches display 2..8 off; its other keys stay for nobody.
IniFile::Entry displayOffEntry(int number);

// Whether the display can be stored as it is; else one line saying what and why.
QString checkDisplay(const DisplaySettings &display);

// The section of display 2..8: "Display2".
QString displaySection(int number);
// How the journal and the error boxes name a display: "Display 2 [Display2]", and display 1 by
// its "[Settings]".
QString displayLabel(int number);

} // namespace mrv
