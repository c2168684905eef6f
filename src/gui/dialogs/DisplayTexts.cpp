// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DisplayTexts.h"

namespace mrv {

namespace {

// The ASCII names of the control characters 0x00..0x1F.
constexpr std::array<const char *, 32> kControlNames {
        "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
        "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
        "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};

} // namespace

QList<DisplayZone> DisplayTexts::offeredZones()
{
    QList<DisplayZone> zones {{DisplayZone::Kind::Utc, 0, {}}, {DisplayZone::Kind::Local, 0, {}}};
    for (int panel = 1; panel <= 4; ++panel)
        zones.append({DisplayZone::Kind::Panel, panel, {}});
    return zones;
}

QString DisplayTexts::port(const QString &port)
{
    bool number = false;
    port.toInt(&number);
    return number ? QStringLiteral("COM") + port.trimmed() : port;
}

QString DisplayTexts::format(DisplayFormat format)
{
    switch (format) {
    case DisplayFormat::Frame:
        return tr("Frame (four zones)");
    case DisplayFormat::Nmea:
        return tr("NMEA 0183");
    case DisplayFormat::Standard:
        return tr("Standard");
    case DisplayFormat::Nena:
        return tr("NENA");
    case DisplayFormat::Template:
        return tr("Template");
    }
    return {};
}

QString DisplayTexts::zone(const DisplayZone &zone)
{
    switch (zone.kind) {
    case DisplayZone::Kind::Utc:
        return tr("UTC");
    case DisplayZone::Kind::Local:
        return tr("Local");
    case DisplayZone::Kind::Panel:
        return tr("Panel %1").arg(zone.panel);
    case DisplayZone::Kind::Database:
        return QString::fromUtf8(zone.id);
    }
    return {};
}

QString DisplayTexts::unsynced(UnsyncedPolicy policy)
{
    switch (policy) {
    case UnsyncedPolicy::Mark:
        return tr("Send it marked as not synchronised");
    case UnsyncedPolicy::Silent:
        return tr("Send nothing");
    case UnsyncedPolicy::Ignore:
        return tr("Send it as if synchronised");
    }
    return {};
}

QString DisplayTexts::interval(int seconds)
{
    if (seconds % 3600 == 0)
        return tr("%n h", nullptr, seconds / 3600);
    if (seconds % 60 == 0)
        return tr("%n min", nullptr, seconds / 60);
    return tr("%n s", nullptr, seconds);
}

QString DisplayTexts::visibleBytes(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < kControlNames.size())
            text += QLatin1Char('<') + QLatin1String(kControlNames[byte]) + QLatin1Char('>');
        else if (byte == 0x7f)
            text += QStringLiteral("<DEL>");
        else if (byte > 0x7f)
            text += QStringLiteral("<%1>").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
        else
            text += QLatin1Char(c);
    }
    return text;
}

QString DisplayTexts::hexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace mrv
