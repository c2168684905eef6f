// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "app/SettingsModel.h"
#include "domain/DisplaySettings.h"
#include "platform/IniFile.h"
#include "platform/PortMap.h"

#include <QList>
#include <QObject>

#include <optional>

namespace mrv {

// The one owner of the settings and the only code that reads and writes mrvl.ini. Everything
// is validated once, on the way in; the rest of the program reads the typed settings and
// changes them only through the intent methods below, which announce what changed.
class SettingsStore : public QObject
{
    Q_OBJECT
public:
    // The window program drives display 1 on COM 1 when the file names no port, as it always
    // has; the service sends only to the ports its settings name.
    enum class Defaults { Desktop, Service };

    explicit SettingsStore(const QString &iniPath, Defaults defaults = Defaults::Desktop,
                           QObject *parent = nullptr);

    const QString &path() const { return m_ini.path(); }

    // Reads the file; anything missing or unusable runs as its default. Announces the zones
    // and the displays.
    void load(const QLocale &locale);
    // Reads the file again, as load() does. A file that cannot be read, or that
    // holds no usable setting at all (empty, junk), keeps the settings: false, with the reason.
    bool reload(const QLocale &locale, QString *reason);
    // Writes the zones and display 1's interval and port as one atomic save (at shut-down).
    bool save(const QDateTime &at);

    const Settings &settings() const { return m_settings; }
    const ZonePanelSettings &zone(int panel) const;
    // The displays that are on, display 1 first.
    QList<DisplaySettings> displays() const;
    std::optional<DisplaySettings> display(int number) const;
    // The lowest number a new display can take; 0 when all are in use.
    int freeDisplayNumber() const;
    // The device a display's port stands for.
    PortDevice deviceFor(const DisplaySettings &display) const;
    // Whether the file names any display's port at all.
    bool namesAnyPort() const;

    // What the user changes on the zone panels at the instant `at`.
    void chooseRow(int panel, int row, const QDateTime &at);
    void chooseObserveDst(int panel, DstBox box, const QDateTime &at);
    void chooseDstRule(int panel, const QByteArray &zoneId, const QDateTime &at);
    void pickDstDate(int panel, bool start, const QDate &date);
    // Display 1's port (COM n) and its row of the interval list; kept even when the port
    // cannot be opened.
    void choosePort(int number);
    void chooseInterval(int row);
    // Adds or changes one display and saves it at once. False, with a reason naming the
    // setting, when it cannot be used or saved.
    bool setDisplay(const DisplaySettings &display, QString *why);
    // Switches display 2..8 off and saves that at once.
    bool removeDisplay(int number, QString *why);

Q_SIGNALS:
    void zonesChanged();
    // A display was added, changed or removed (0: any of them may have, after a reload).
    void displayChanged(int number);

private:
    void readDisplays();

    IniFile m_ini;
    Defaults m_defaults;
    Settings m_settings;
    DisplaySettings m_first;
    QList<DisplaySettings> m_others; // displays 2..8 that are on, by number
    bool m_namesPort = false; // [Settings] CommPort is in the file
};

} // namespace mrv
