// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace mrv {

// The time strings a display can read.
enum class DisplayFormat { Frame, Nmea, Standard, Nena, Template };

// Whose time a display's string carries.
struct DisplayZone
{
    enum class Kind { Utc, Local, Panel, Database };
    Kind kind = Kind::Local;
    int panel = 0; // 1..4 for Kind::Panel
    QByteArray id; // the time-zone database id for Kind::Database
    friend bool operator==(const DisplayZone &, const DisplayZone &) = default;
};

// What a display gets while the system clock is not synchronised.
enum class UnsyncedPolicy {
    Mark, // the string's own not-synchronised status
    Silent, // nothing at all
    Ignore, // the string as if synchronised, for displays that refuse every marked one
};

// Options only some formats read.
struct EncoderOptions
{
    QStringList sentences {QStringLiteral("RMC"), QStringLiteral("ZDA")}; // nmea, in order
    QString talker = QStringLiteral("GP"); // nmea: two upper-case letters
    bool zoneSignEast = true; // nmea ZDA: zone fields are local minus UTC (else UTC minus local)
    QString templateText; // template
    friend bool operator==(const EncoderOptions &, const EncoderOptions &) = default;
};

inline constexpr int kMaxDisplays = 8;
inline constexpr int kMinIntervalSeconds = 1;
inline constexpr int kMaxIntervalSeconds = 86400;
inline constexpr int kMaxLeadMs = 1000; // the trim in either direction

// One display: where it hangs and what it reads. Display 1 is the one the [Settings] section
// has always described; 2..8 have sections of their own.
struct DisplaySettings
{
    int number = 1; // 1..kMaxDisplays
    QString port; // "COMn", a port number (display 1) or a device path; empty: the display is off
    DisplayFormat format = DisplayFormat::Frame;
    QString lineSettings; // "baud,parity,data,stop"; never empty once loaded
    int intervalSeconds = 60; // 1..86400
    DisplayZone zone;
    int leadMs = 0; // -kMaxLeadMs..kMaxLeadMs
    UnsyncedPolicy unsynced = UnsyncedPolicy::Mark;
    EncoderOptions options;

    bool isOn() const { return !port.isEmpty(); }
    friend bool operator==(const DisplaySettings &, const DisplaySettings &) = default;
};

// The texts the settings file uses, and back. Parsing gives nothing for a text that cannot be
// used, and says why in `why` when asked.
QString formatName(DisplayFormat format);
std::optional<DisplayFormat> parseFormatName(const QString &text);
QString zoneText(const DisplayZone &zone);
std::optional<DisplayZone> parseDisplayZone(const QString &text, QString *why = nullptr);
QString unsyncedText(UnsyncedPolicy policy);
std::optional<UnsyncedPolicy> parseUnsynced(const QString &text);

} // namespace mrv
