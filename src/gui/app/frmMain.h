#pragma once

#include "settings/IniFile.h"
#include "sync/SyncSchedule.h"
#include "zones/ProgramState.h"
#include "zones/DstDates.h"
#include "dialogs/frmDate.h"

#include <QLabel>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QMenu;
class QPushButton;

namespace mrv {

class Clock;
class MessageBoxes;
class SecondTicker;
class SerialPort;
class TimeZoneSource;
class TrayIcon;
class ZoneClock;

// A date label: answers a click, and Space or Enter when it has the keyboard focus.
class DateLabel : public QLabel
{
    Q_OBJECT
public:
    explicit DateLabel(QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

// The main window: GMT and four zone panels, the sync controls, the port menu. Its handlers
// keep the names users of the design know. The controls are the live settings.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    struct Dependencies
    {
        const Clock *clock = nullptr;
        const TimeZoneSource *zones = nullptr;
        MessageBoxes *boxes = nullptr;
        QString iniPath;
        bool tick = true; // tests drive the ticks themselves
        // Benchmarks only: the old free-running 500 ms clock and 1000 ms sync timers, as a
        // baseline to measure the second-aligned tick against.
        bool freeRunningTimers = false;
    };

    explicit frmMain(const Dependencies &deps, QWidget *parent = nullptr);
    ~frmMain() override;

    // The start-up sequence: applies the saved settings and opens the port. True when the
    // port opened and the window went to the tray (or was minimised, with no tray).
    bool Form_Load();
    // Writes the settings, closes the port, removes the icon and closes a date dialog. Runs its
    // work once per run, however often it is called.
    void Form_Unload();
    bool isUnloaded() const { return m_unloaded; }

    // Tray actions.
    void restoreFromTray();
    void exitProgram();

    // The handlers, public so tests can run them as the timer or a user would.
    void UpdateClocks();
    void Timer2_Timer();
    void cboSync_Click();
    void cmdSyncNow_Click();
    void mnuCOM_Click(int index);
    void CheckN_Click(int slot);
    void lblDSS1_Click(int index);

    ProgramState &state() { return m_state; }
    const ProgramState &state() const { return m_state; }
    const SyncSchedule &schedule() const { return m_schedule; }
    SerialPort &port() { return *m_port; }
    IniFile &settingsFile() { return m_ini; }
    TrayIcon *trayIcon() const { return m_tray; }
    frmDate *dateDialog() const { return m_dateDialog; }

Q_SIGNALS:
    // The program should end (Exit, or the shown window was closed).
    void quitRequested();

protected:
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    struct Slot
    {
        QGroupBox *frame = nullptr;
        QLabel *clock = nullptr;
        QComboBox *zoneList = nullptr;
        QCheckBox *check = nullptr;
        QLabel *startCaption = nullptr;
        QLabel *endCaption = nullptr;
    };
    // Where a date label's text came from: the file (day and month, completed with a year
    // that follows the calendar) or the dialog (a full date the user picked).
    struct LabelSource
    {
        bool fromFile = false;
        std::optional<DayMonth> stored;
    };

    void buildUi();
    void buildMenus();
    void setupZoneList(QComboBox *box);
    void UpdateCommMenu();
    void showCommMenuMarks();
    bool openConfiguredPort(QString *reason);
    void sendToTray();
    void fillDatesFromFile(int slot);
    void completeStoredYears(int slot);
    void onDateChosen(const QDate &date);
    QLocale locale() const;

    Dependencies m_deps;
    IniFile m_ini;
    ProgramState m_state;
    SyncSchedule m_schedule;
    std::unique_ptr<ZoneClock> m_zoneClock;
    SecondTicker *m_ticker = nullptr;
    SerialPort *m_port = nullptr;
    TrayIcon *m_tray = nullptr;
    QPointer<frmDate> m_dateDialog;

    std::array<Slot, 4> m_slots;
    std::array<DateLabel *, 8> m_dateLabels {};
    std::array<LabelSource, 8> m_labelSources {};
    int m_labelYear = 0;
    int m_menuPort = 0; // the port the menu's check mark is on, 0 for none

    QLabel *m_lblGMT = nullptr;
    QComboBox *m_cboSync = nullptr;
    QLabel *m_lblLastSync = nullptr;
    QPushButton *m_cmdSyncNow = nullptr;
    QMenu *m_mnuSP = nullptr;
    std::array<QAction *, 6> m_mnuCOM {};
    QMenu *m_mPopupSys = nullptr;
    QAction *m_mnuRestore = nullptr;
    QAction *m_mnuExit = nullptr;

    bool m_loaded = false;
    bool m_unloaded = false;
    bool m_centred = false;
};

} // namespace mrv
