// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "domain/DisplaySettings.h"

#include <QCoreApplication>

#include <array>

namespace mrv {

// How the Displays window and its dialog name a display's settings to the user.
struct DisplayTexts
{
    Q_DECLARE_TR_FUNCTIONS(mrv::DisplayTexts)
public:
    // The formats in the order the format list offers them.
    static constexpr std::array<DisplayFormat, 5> kFormats {
            DisplayFormat::Frame, DisplayFormat::Nmea, DisplayFormat::Standard, DisplayFormat::Nena,
            DisplayFormat::Template};
    // The zones the zone list offers; a database zone is typed.
    static QList<DisplayZone> offeredZones();
    static constexpr std::array<UnsyncedPolicy, 3> kUnsyncedPolicies {
            UnsyncedPolicy::Mark, UnsyncedPolicy::Silent, UnsyncedPolicy::Ignore};

    // Display 1's port is a bare number in the settings; it reads as the COM name.
    static QString port(const QString &port);
    static QString format(DisplayFormat format);
    static QString zone(const DisplayZone &zone);
    static QString unsynced(UnsyncedPolicy policy);
    static QString interval(int seconds);
    // The bytes as text: printable ASCII as it is, control characters by their names in angle
    // brackets ("<STX>", "<CR>"), anything else as its hex value ("<A7>").
    static QString visibleBytes(const QByteArray &bytes);
    // "02 31 0D": the bytes in hex, upper case, one blank between.
    static QString hexBytes(const QByteArray &bytes);
};

} // namespace mrv
