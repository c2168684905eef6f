// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "dialogs/DateDialog.h"
#include "domain/TimeEngine.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;

namespace mrv {

class Clock;
struct ClockHealth;
class DisplayControl;
class DisplaysWindow;
class MessageBoxes;
class SettingsStore;
class Timekeeper;
class TimeZoneSource;
class TrayIcon;
class ZonePanel;

// The main window: GMT and four zone panels, the sync controls, the port menu, and the tray
// icon. It shows what the timekeeper computes and writes every user change into its settings.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    struct Dependencies
    {
        const Clock *clock = nullptr;
        const TimeZoneSource *zones = nullptr;
        MessageBoxes *boxes = nullptr;
        QString iniPath;
        bool tick = true; // false: whoever made the window drives the ticks
        // Whether a tray host runs now; tests put their own answer here.
        std::function<bool()> trayAvailable;
        // The displays' settings and state for the Displays window; none: the window's own
        // settings store and timekeeper.
        DisplayControl *displays = nullptr;
    };

    explicit MainWindow(const Dependencies &deps, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Start-up: shows the saved settings and opens the port. True when the port opened and the
    // window went to the tray (or, with no tray, was shown and says why it stays open).
    bool start();
    // Saves the settings, closes the port, removes the icon and closes a date dialog. Does its
    // work once per run, however often it is called. False when the settings could not be
    // saved.
    bool shutDown();

    void restoreFromTray();
    void exitProgram();
    // Asks whether the tray host is still there; without one, a window hidden in the tray is
    // shown again.
    void checkTray();
    // The user picked "COM n" in the port menu.
    void choosePort(int number);
    // The user ticked or cleared "Start at login" (the window's and the tray's menu).
    void chooseStartAtLogin(bool on);
    // The user clicked a date of zone panel `panel` (1..4): opens the date dialog on it.
    void editDate(int panel, DstSide side);
    // "Displays…" in the port menu or the tray's: shows the Displays window.
    void openDisplays();

    Timekeeper &timekeeper() { return *m_keeper; }
    SettingsStore &settingsStore() { return *m_store; }
    TrayIcon *trayIcon() const { return m_tray; }
    DateDialog *dateDialog() const { return m_dateDialog; }
    DisplaysWindow *displaysWindow() const { return m_displaysWindow; }

Q_SIGNALS:
    // The program should end (Exit, or the shown window was closed).
    void quitRequested();

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *buildLeftColumn();
    void buildMenus();
    void connectPanel(ZonePanel *panel);
    void showTime(const TimeSnapshot &snapshot, bool frameSent);
    void showClockHealth(const ClockHealth &health);
    void refreshTime();
    void showPortMark();
    void showStartAtLogin();
    void showDisplaysInStep();
    // The port menu's mark and the interval list show display 1's settings.
    void showFirstDisplay();
    void sendToTray();
    bool trayAvailable() const;
    void showWithoutTray();
    void onDateChosen(const QDate &date);
    // Panel n (1..4) shows its rule and the choices for its row; uses a rule, or manual dates.
    void showDstRule(int panel);
    void useDstRule(int panel, const QByteArray &zoneId);

    Dependencies m_deps;
    SettingsStore *m_store = nullptr;
    Timekeeper *m_keeper = nullptr;
    TrayIcon *m_tray = nullptr;
    QPointer<DateDialog> m_dateDialog;
    int m_datePanel = 0; // the panel (1..4) and side the date dialog edits
    DstSide m_dateSide = DstSide::Start;
    int m_markedPort = 0; // the port item the menu's mark is on, 0 for none

    std::array<ZonePanel *, 4> m_panels {};
    QLabel *m_gmtClock = nullptr;
    QComboBox *m_syncInterval = nullptr;
    QLabel *m_lastSync = nullptr;
    QPushButton *m_syncNowButton = nullptr;
    QLabel *m_clockHealth = nullptr;
    std::array<QAction *, 6> m_portItems {};
    QMenu *m_trayMenu = nullptr;
    QAction *m_startAtLogin = nullptr;
    QAction *m_openDisplays = nullptr;
    DisplayControl *m_displays = nullptr;
    DisplaysWindow *m_displaysWindow = nullptr;
    QLabel *m_noTrayNote = nullptr;

    bool m_started = false;
    bool m_shutDown = false;
    bool m_saved = false;
    bool m_centred = false;
};

} // namespace mrv
