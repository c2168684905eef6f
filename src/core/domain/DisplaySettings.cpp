// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "domain/DisplaySettings.h"

#include "domain/DisplayFormat.h"
#include "domain/ZonePanelSettings.h"

#include <QCoreApplication>
#include <QTimeZone>

#include <algorithm>

namespace mrv {

namespace {

struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(mrv::DisplaySettings)
};

constexpr QLatin1String kUtcKeyword("UTC");
constexpr QLatin1String kLocalKeyword("Local");
constexpr QLatin1String kPanelKeyword("Panel");

struct UnsyncedName
{
    UnsyncedPolicy policy;
    const char *name;
};

constexpr std::array<UnsyncedName, 3> kUnsyncedNames {{
        {UnsyncedPolicy::Mark, "mark"},
        {UnsyncedPolicy::Silent, "silent"},
        {UnsyncedPolicy::Ignore, "ignore"},
}};

void say(QString *why, const QString &text)
{
    if (why)
        *why = text;
}

} // namespace

QString formatName(DisplayFormat format)
{
    return QLatin1String(formatInfo(format).name);
}

std::optional<DisplayFormat> parseFormatName(const QString &text)
{
    const QString name = text.trimmed();
    for (const FormatInfo &info : displayFormats()) {
        if (name.compare(QLatin1String(info.name), Qt::CaseInsensitive) == 0)
            return info.format;
    }
    return std::nullopt;
}

QString zoneText(const DisplayZone &zone)
{
    switch (zone.kind) {
    case DisplayZone::Kind::Utc:
        return kUtcKeyword;
    case DisplayZone::Kind::Local:
        return kLocalKeyword;
    case DisplayZone::Kind::Panel:
        return kPanelKeyword + QString::number(zone.panel);
    case DisplayZone::Kind::Database:
        return QString::fromLatin1(zone.id);
    }
    return kLocalKeyword;
}

std::optional<DisplayZone> parseDisplayZone(const QString &text, QString *why)
{
    const QString value = text.trimmed();
    DisplayZone zone;
    if (value.compare(kUtcKeyword, Qt::CaseInsensitive) == 0) {
        zone.kind = DisplayZone::Kind::Utc;
        return zone;
    }
    if (value.compare(kLocalKeyword, Qt::CaseInsensitive) == 0) {
        zone.kind = DisplayZone::Kind::Local;
        return zone;
    }
    if (value.startsWith(kPanelKeyword, Qt::CaseInsensitive)) {
        const QString digits = value.mid(kPanelKeyword.size());
        bool ok = false;
        const int panel = digits.toInt(&ok);
        if (digits.size() == 1 && ok && panel >= 1 && panel <= kZonePanels) {
            zone.kind = DisplayZone::Kind::Panel;
            zone.panel = panel;
            return zone;
        }
        say(why, Texts::tr("“%1” is not a zone panel: the panels are Panel1 to Panel%2")
                         .arg(value)
                         .arg(kZonePanels));
        return std::nullopt;
    }
    // Database ids are ASCII; anything else would not survive the trip through toLatin1().
    const QByteArray id = value.toLatin1();
    const bool ascii = !value.isEmpty() && std::all_of(value.cbegin(), value.cend(), [](QChar c) {
        return c.unicode() > 32 && c.unicode() < 127;
    });
    if (ascii && QTimeZone::isTimeZoneIdAvailable(id)) {
        zone.kind = DisplayZone::Kind::Database;
        zone.id = id;
        return zone;
    }
    say(why, Texts::tr("“%1” is not a display zone: use UTC, Local, Panel1 to Panel%2 or a "
                       "time-zone id such as Europe/Berlin")
                     .arg(value)
                     .arg(kZonePanels));
    return std::nullopt;
}

QString unsyncedText(UnsyncedPolicy policy)
{
    for (const UnsyncedName &entry : kUnsyncedNames) {
        if (entry.policy == policy)
            return QLatin1String(entry.name);
    }
    return QLatin1String(kUnsyncedNames.front().name);
}

std::optional<UnsyncedPolicy> parseUnsynced(const QString &text)
{
    const QString name = text.trimmed();
    for (const UnsyncedName &entry : kUnsyncedNames) {
        if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return entry.policy;
    }
    return std::nullopt;
}

} // namespace mrv
