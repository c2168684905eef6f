// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "MainWindow.h"

#include "CoreDisplayControl.h"
#include "Desktop.h"
#include "DisplayControl.h"
#include "DisplaysWindow.h"
#include "ScreenCentre.h"
#include "Twips.h"
#include "ZonePanel.h"
#include "dialogs/MessageBox.h"
#include "platform/IniFile.h"
#include "platform/PortMap.h"
#include "platform/SerialPort.h"
#include "domain/SyncSchedule.h"
#include "app/SettingsStore.h"
#include "app/Timekeeper.h"
#include "tray/TrayIcon.h"

#include <QAction>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHideEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

// The icons live in the GUI library's resources; a static library must register them itself.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace mrv {

namespace {

// The general date format of the locale: short date, a blank, long time (without a zone name).
QString generalDateTime(const QDateTime &local, const QLocale &locale)
{
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*\\bt+\\b\\s*")));
    return locale.toString(local.date(), QLocale::ShortFormat) + QLatin1Char(' ')
           + locale.toString(local.time(), timeFormat.trimmed());
}

QGroupBox *frame(const QString &title, const QString &objectName, QSize size, QWidget *content)
{
    auto *box = new QGroupBox(title);
    box->setObjectName(objectName);
    box->setFixedSize(size);
    auto *layout = new QVBoxLayout(box);
    layout->setContentsMargins(twips(240), twips(120), twips(240), twips(120));
    layout->addWidget(content, 0, Qt::AlignHCenter | Qt::AlignVCenter);
    return box;
}

// Where the interval list shows "Every second", after the four intervals.
constexpr int kEverySecondIndex = 4;

} // namespace

MainWindow::MainWindow(const Dependencies &deps, QWidget *parent)
    : QMainWindow(parent)
    , m_deps(deps)
{
    Q_ASSERT(deps.clock && deps.zones && deps.boxes);
    initResources();
    m_store = new SettingsStore(deps.iniPath, SettingsStore::Defaults::Desktop, this);
    m_keeper = new Timekeeper(*deps.clock, *deps.zones, *m_store, this);

    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Mirovalent"));
    setWindowIcon(programIcon());
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    // The layout was drawn for a small dialog face of Arial's metrics; with the wider desktop
    // default the interval list and the zone names would be cut off. The clocks set their own.
    QFont face(QStringLiteral("Arial"));
    face.setStyleHint(QFont::SansSerif);
    face.setPointSizeF(8.0);
    setFont(face);

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twipsSize(9165, 6015));
    setCentralWidget(client);
    auto *columns = new QHBoxLayout(client);
    columns->setContentsMargins(twips(360), twips(240), twips(270), twips(240));
    columns->setSpacing(twips(225));
    columns->addWidget(buildLeftColumn(), 0, Qt::AlignTop);
    auto *zones = new QVBoxLayout;
    zones->setSpacing(twips(105));
    for (int n = 1; n <= 4; ++n) {
        m_panels[std::size_t(n - 1)] = new ZonePanel(n, client);
        zones->addWidget(m_panels[std::size_t(n - 1)]);
        connectPanel(m_panels[std::size_t(n - 1)]);
    }
    zones->addStretch();
    columns->addLayout(zones);
    buildMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    m_tray = new TrayIcon(windowIcon(), m_trayMenu, this);
    connect(m_tray, &TrayIcon::restoreRequested, this, &MainWindow::restoreFromTray);
    connect(m_tray, &TrayIcon::checkHost, this, &MainWindow::checkTray);
    connect(m_keeper, &Timekeeper::ticked, this, &MainWindow::showTime);
    connect(m_keeper, &Timekeeper::clockHealthChanged, this, &MainWindow::showClockHealth);
    m_displays = deps.displays ? deps.displays : new CoreDisplayControl(*m_store, *m_keeper, this);
    connect(m_displays, &DisplayControl::displaysUpdated, this, &MainWindow::showDisplaysInStep);
    connect(m_displays, &DisplayControl::displaysChanged, this, &MainWindow::showDisplaysInStep);
    showDisplaysInStep();
    refreshTime(); // never show "00:00:00" to a user
    if (deps.tick)
        m_keeper->startTicking();
}

MainWindow::~MainWindow()
{
    if (m_dateDialog)
        delete m_dateDialog.data();
}

QWidget *MainWindow::buildLeftColumn()
{
    auto *column = new QWidget;
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(twips(225));

    m_gmtClock = createClockLabel(nullptr, QStringLiteral("lblGMT"));
    layout->addWidget(
            frame(tr("GMT TIME"), QStringLiteral("Frame1"), twipsSize(2055, 975), m_gmtClock));

    m_syncInterval = new QComboBox;
    m_syncInterval->setObjectName(QStringLiteral("cboSync"));
    m_syncInterval->setAccessibleName(tr("Sync interval"));
    // Wider than drawn (1095 twips), which cuts "15 minutes" off in the faces found here.
    m_syncInterval->setFixedSize(twipsSize(1395, 315));
    m_syncInterval->addItems(SyncSchedule::intervalTexts());
    connect(m_syncInterval, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_started)
            m_keeper->chooseInterval(index == kEverySecondIndex ? kEverySecondRow : index);
    });
    layout->addWidget(frame(tr("Sync Interval"), QStringLiteral("Frame6"), twipsSize(2055, 855),
                            m_syncInterval));

    m_lastSync = new QLabel;
    m_lastSync->setObjectName(QStringLiteral("lblLastSync"));
    m_lastSync->setFixedSize(twipsSize(2055, 495));
    m_lastSync->setWordWrap(true);
    m_lastSync->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(m_lastSync);

    m_syncNowButton = new QPushButton(tr("Sync Now"));
    m_syncNowButton->setObjectName(QStringLiteral("cmdSyncNow"));
    m_syncNowButton->setFixedSize(twipsSize(1935, 495));
    connect(m_syncNowButton, &QPushButton::clicked, m_keeper, &Timekeeper::syncNow);
    layout->addWidget(m_syncNowButton);

    // One quiet line on the system clock: the display is only as right as this clock.
    m_clockHealth = new QLabel;
    m_clockHealth->setObjectName(QStringLiteral("lblClockHealth"));
    m_clockHealth->setFixedWidth(twips(2055));
    m_clockHealth->setWordWrap(true);
    m_clockHealth->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(m_clockHealth);

    // Says why the window stays on screen where the desktop has no tray.
    m_noTrayNote = new QLabel(tr("No system tray was found: this window stays open."));
    m_noTrayNote->setObjectName(QStringLiteral("lblNoTray"));
    m_noTrayNote->setFixedWidth(twips(2055));
    m_noTrayNote->setWordWrap(true);
    m_noTrayNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_noTrayNote->hide();
    layout->addWidget(m_noTrayNote);
    return column;
}

bool MainWindow::start()
{
    m_store->load(QLocale());
    const Settings &settings = m_store->settings();
    for (std::size_t k = 0; k < m_panels.size(); ++k) {
        m_panels[k]->showSettings(settings.zones[k]);
        showDstRule(int(k) + 1);
    }
    showFirstDisplay();
    m_started = true;
    refreshTime(); // the restored zones show at once, not a second later

    QStringList reasons;
    if (!m_keeper->openDisplays(&reasons)) {
        const QString advice =
                m_keeper->displaysOn() > 1
                        ? tr("Check the displays' ports in \"Serial Port\" → \"Displays…\".")
                        : tr("Choose the display's port in the \"Serial Port\" menu.");
        m_deps.boxes->exclamation(this, tr("COM Port Error"),
                                  reasons.join(QLatin1Char('\n')) + QStringLiteral("\n\n")
                                          + advice);
        return false;
    }
    sendToTray();
    m_keeper->syncNow();
    return true;
}

void MainWindow::showFirstDisplay()
{
    const ProgramSettings &program = m_store->settings().program;
    {
        // Every second is no choice of the list; settings that ask for it show it as one.
        const QSignalBlocker blocker(m_syncInterval);
        int index = program.syncIntervalRow;
        if (index == kEverySecondRow) {
            if (m_syncInterval->count() <= kEverySecondIndex)
                m_syncInterval->addItem(tr("Every second"));
            index = kEverySecondIndex;
        }
        m_syncInterval->setCurrentIndex(index);
    }
    m_markedPort = parsePortNumber(program.commPort).value_or(0);
    showPortMark();
}

bool MainWindow::shutDown()
{
    if (m_shutDown)
        return m_saved;
    m_shutDown = true;
    m_keeper->stopTicking();
    if (m_dateDialog)
        m_dateDialog->close();
    if (m_displaysWindow)
        m_displaysWindow->close();
    m_saved = m_store->save(m_keeper->now().gmt);
    m_keeper->closeDisplays();
    m_tray->hide();
    return m_saved;
}

void MainWindow::showTime(const TimeSnapshot &snapshot, bool frameSent)
{
    const QLocale locale;
    m_gmtClock->setText(formatClock(snapshot.gmt.time(), locale));
    for (std::size_t k = 0; k < m_panels.size(); ++k)
        m_panels[k]->showTime(snapshot.zones[k], locale);
    if (frameSent)
        m_lastSync->setText(tr("Last Sync On %1").arg(generalDateTime(snapshot.local, locale)));
}

void MainWindow::showClockHealth(const ClockHealth &health)
{
    const QString line = health.summary();
    const bool warn = health.state == ClockHealth::State::NotSynchronised;
    m_clockHealth->setText(line);
    m_clockHealth->setToolTip(
            warn ? tr("Nothing keeps this computer's clock right, and the display gets its time "
                      "from it. Turn on network time, for example with \"timedatectl set-ntp "
                      "true\" or by installing chrony.")
                 : QString());
    // Qt's palette has no warning role: a dark orange on light windows, a light one on dark.
    QPalette colours = palette();
    if (warn)
        colours.setColor(QPalette::WindowText, colours.color(QPalette::Window).lightness() < 128
                                                       ? QColor(0xff, 0xa0, 0x60)
                                                       : QColor(0xb0, 0x40, 0x00));
    m_clockHealth->setPalette(colours);
    m_tray->setStatusLine(line);
}

void MainWindow::refreshTime()
{
    showTime(m_keeper->now(), false);
}

bool MainWindow::trayAvailable() const
{
    return m_deps.trayAvailable ? m_deps.trayAvailable() : TrayIcon::available();
}

void MainWindow::sendToTray()
{
    if (trayAvailable()) {
        hide();
        m_noTrayNote->hide();
        m_tray->show();
    } else {
        showWithoutTray();
    }
}

void MainWindow::showWithoutTray()
{
    // Never hidden without an icon to come back from, and never minimised either: on desktops
    // without a taskbar a minimised window is lost to most users.
    qCInfo(lcTray) << "no system tray: the window stays open";
    m_noTrayNote->show();
    m_tray->hide();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    showNormal();
}

void MainWindow::checkTray()
{
    if (!m_shutDown && m_tray->isVisible() && !isVisible() && !trayAvailable())
        showWithoutTray();
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized() || !isVisible())
        return;
    if (!trayAvailable())
        return;
    // Hide once the state change is finished; the window manager is still busy with it.
    QTimer::singleShot(0, this, [this] {
        if (isMinimized() && isVisible() && !m_shutDown) {
            hide();
            m_noTrayNote->hide();
            m_tray->show();
        }
    });
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // On screen: a tick every second, and no clock left as the last frame's tick showed it.
    m_keeper->setShown(true);
    refreshTime();
    if (m_centred)
        return;
    m_centred = true;
    centreOnScreen(this);
}

void MainWindow::hideEvent(QHideEvent *event)
{
    QMainWindow::hideEvent(event);
    // Nobody watches the clocks: the program sleeps until a frame or a check is due.
    m_keeper->setShown(false);
}

void MainWindow::restoreFromTray()
{
    if (m_shutDown)
        return;
    m_tray->hide();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::exitProgram()
{
    m_tray->hide();
    shutDown();
    Q_EMIT quitRequested();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    shutDown();
    event->accept();
    Q_EMIT quitRequested();
}

} // namespace mrv
