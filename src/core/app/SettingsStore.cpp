// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/SettingsStore.h"

#include "app/DisplayFile.h"
#include "app/SettingsTable.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>

namespace mrv {

namespace {

// Whether the file holds anything this program reads: an empty file, junk or a stream of zeros
// holds nothing, and is no reason to drop the settings in use.
bool holdsAnySetting(const IniFile &file)
{
    const auto has = [&file](const char *section, const char *key) {
        return !file.read(QLatin1String(section), QLatin1String(key)).trimmed().isEmpty();
    };
    for (const TextSetting *text : {&settings::CommPort, &settings::Setting})
        if (has(text->section, text->key))
            return true;
    if (has(settings::SyncInt.section, settings::SyncInt.key))
        return true;
    for (int k = 0; k < kZonePanels; ++k)
        if (has(settings::Zone[k].section, settings::Zone[k].key)
            || has(settings::DST[k].section, settings::DST[k].key))
            return true;
    for (int n = 2; n <= kMaxDisplays; ++n)
        if (!file.read(displaySection(n), QLatin1String(settings::display::Port))
                     .trimmed()
                     .isEmpty())
            return true;
    return false;
}

} // namespace

SettingsStore::SettingsStore(const QString &iniPath, Defaults defaults, QObject *parent)
    : QObject(parent)
    , m_ini(iniPath)
    , m_defaults(defaults)
{
    m_first.port = m_settings.program.commPort;
    m_first.lineSettings = m_settings.program.lineSettings;
}

void SettingsStore::load(const QLocale &locale)
{
    m_settings = loadSettings(m_ini, locale);
    readDisplays();
    Q_EMIT zonesChanged();
    Q_EMIT displayChanged(0);
}

void SettingsStore::readDisplays()
{
    m_namesPort = !m_ini.read(QLatin1String(settings::CommPort.section),
                              QLatin1String(settings::CommPort.key))
                           .trimmed()
                           .isEmpty();
    ProgramSettings &program = m_settings.program;
    m_first = readFirstDisplay(m_ini, program, m_defaults == Defaults::Desktop || m_namesPort);
    // Display 1's line settings and interval may be its format's own; the keys of [Settings]
    // then carry those, so that the next start reads what runs now.
    program.lineSettings = m_first.lineSettings;
    program.syncIntervalRow = SyncSchedule::rowForInterval(m_first.intervalSeconds).value_or(0);
    m_others.clear();
    for (int n = 2; n <= kMaxDisplays; ++n)
        if (const std::optional<DisplaySettings> display = readDisplay(m_ini, n))
            m_others.append(*display);
}

bool SettingsStore::reload(const QLocale &locale, QString *reason)
{
    QFile file(m_ini.path());
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return false;
    }
    file.close();
    if (!holdsAnySetting(m_ini)) {
        *reason = QCoreApplication::translate("mrv::SettingsStore",
                                              "the file holds no setting this program reads");
        return false;
    }
    load(locale);
    return true;
}

bool SettingsStore::save(const QDateTime &at)
{
    return saveSettings(m_ini, m_settings, at);
}

const ZonePanelSettings &SettingsStore::zone(int panel) const
{
    return m_settings.zones[std::size_t(std::clamp(panel, 1, kZonePanels) - 1)];
}

QList<DisplaySettings> SettingsStore::displays() const
{
    QList<DisplaySettings> all;
    if (m_first.isOn())
        all.append(m_first);
    all.append(m_others);
    return all;
}

std::optional<DisplaySettings> SettingsStore::display(int number) const
{
    if (number == 1)
        return m_first;
    for (const DisplaySettings &display : m_others)
        if (display.number == number)
            return display;
    return std::nullopt;
}

int SettingsStore::freeDisplayNumber() const
{
    for (int n = 2; n <= kMaxDisplays; ++n)
        if (!display(n))
            return n;
    return 0;
}

PortDevice SettingsStore::deviceFor(const DisplaySettings &display) const
{
    return deviceForPortName(display.port, m_ini);
}

bool SettingsStore::namesAnyPort() const
{
    return m_namesPort || !m_others.isEmpty();
}

void SettingsStore::chooseRow(int panel, int row, const QDateTime &at)
{
    mrv::chooseRow(m_settings.zones[std::size_t(panel - 1)], row, at);
    Q_EMIT zonesChanged();
}

void SettingsStore::chooseObserveDst(int panel, DstBox box, const QDateTime &at)
{
    ZonePanelSettings &zone = m_settings.zones[std::size_t(panel - 1)];
    // Ticking the box brings back the dates of the settings file.
    if (box == DstBox::Ticked) {
        zone.start.picked.reset();
        zone.end.picked.reset();
    }
    mrv::chooseObserveDst(zone, box, at);
    Q_EMIT zonesChanged();
}

void SettingsStore::chooseDstRule(int panel, const QByteArray &zoneId, const QDateTime &at)
{
    mrv::chooseDstRule(m_settings.zones[std::size_t(panel - 1)], zoneId, at);
    Q_EMIT zonesChanged();
}

void SettingsStore::pickDstDate(int panel, bool start, const QDate &date)
{
    ZonePanelSettings &zone = m_settings.zones[std::size_t(panel - 1)];
    (start ? zone.start : zone.end).picked = date;
    Q_EMIT zonesChanged();
}

void SettingsStore::choosePort(int number)
{
    m_settings.program.commPort = QString::number(number);
    m_settings.program.keepStoredCommPort = false;
    m_first.port = m_settings.program.commPort;
    m_namesPort = true;
    Q_EMIT displayChanged(1);
}

void SettingsStore::chooseInterval(int row)
{
    m_settings.program.syncIntervalRow = row;
    m_first.intervalSeconds = SyncSchedule::intervalForRow(row);
    Q_EMIT displayChanged(1);
}

bool SettingsStore::setDisplay(const DisplaySettings &display, QString *why)
{
    if (const QString problem = checkDisplay(display); !problem.isEmpty()) {
        *why = problem;
        return false;
    }
    if (!m_ini.writeAll(displayEntries(display))) {
        *why = QCoreApplication::translate("mrv::SettingsStore", "Cannot save %1.")
                       .arg(m_ini.path());
        return false;
    }
    if (display.number == 1) {
        ProgramSettings &program = m_settings.program;
        program.commPort = portNumberText(display.port);
        program.keepStoredCommPort = false;
        program.lineSettings = display.lineSettings;
        program.syncIntervalRow = SyncSchedule::rowForInterval(display.intervalSeconds).value_or(0);
        m_first = display;
        m_first.port = program.commPort;
        m_namesPort = true;
    } else {
        const auto at = std::find_if(m_others.begin(), m_others.end(), [&](const auto &other) {
            return other.number >= display.number;
        });
        if (at != m_others.end() && at->number == display.number)
            *at = display;
        else
            m_others.insert(at, display);
    }
    Q_EMIT displayChanged(display.number);
    return true;
}

bool SettingsStore::removeDisplay(int number, QString *why)
{
    if (number < 2 || number > kMaxDisplays) {
        *why = QCoreApplication::translate("mrv::SettingsStore",
                                           "Display 1 stays; pick another port for it instead.");
        return false;
    }
    if (!m_ini.writeAll({displayOffEntry(number)})) {
        *why = QCoreApplication::translate("mrv::SettingsStore", "Cannot save %1.")
                       .arg(m_ini.path());
        return false;
    }
    m_others.removeIf([number](const DisplaySettings &d) { return d.number == number; });
    Q_EMIT displayChanged(number);
    return true;
}

} // namespace mrv
