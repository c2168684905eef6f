// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window's menus: the serial port, start at login, and the tray's menu.

#include "MainWindow.h"

#include "Autostart.h"
#include "DisplayControl.h"
#include "DisplaysWindow.h"
#include "dialogs/MessageBox.h"
#include "platform/IniFile.h"
#include "app/Timekeeper.h"
#include "tray/TrayIcon.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

namespace mrv {

void MainWindow::buildMenus()
{
    QMenu *ports = menuBar()->addMenu(tr("&Serial Port"));
    ports->setObjectName(QStringLiteral("mnuSP"));
    for (int n = 1; n <= 6; ++n) {
        QAction *item = ports->addAction(tr("COM %1").arg(n));
        item->setObjectName(QStringLiteral("mnuCOM_%1").arg(n));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, n] { choosePort(n); });
        m_portItems[std::size_t(n - 1)] = item;
    }
    // One item in the port menu and the tray's: the displays are reached from either.
    m_openDisplays = new QAction(tr("&Displays…"), this);
    m_openDisplays->setObjectName(QStringLiteral("mnuDisplays"));
    connect(m_openDisplays, &QAction::triggered, this, &MainWindow::openDisplays);
    ports->addSeparator();
    ports->addAction(m_openDisplays);

    // The tray's menu: a menu of the window that the menu bar does not show.
    m_trayMenu = new QMenu(tr("SysTray"), this);
    m_trayMenu->setObjectName(QStringLiteral("mPopupSys"));
    QAction *restore = m_trayMenu->addAction(tr("Restore"));
    restore->setObjectName(QStringLiteral("mnuRestore"));
    QAction *exit = m_trayMenu->addAction(tr("Exit"));
    exit->setObjectName(QStringLiteral("mnuExit"));
    connect(restore, &QAction::triggered, this, &MainWindow::restoreFromTray);
    connect(exit, &QAction::triggered, this, &MainWindow::exitProgram);

    // One item in both menus, so its tick is the same in both.
    m_startAtLogin = new QAction(tr("Start at &login"), this);
    m_startAtLogin->setObjectName(QStringLiteral("mnuStartAtLogin"));
    m_startAtLogin->setCheckable(true);
    connect(m_startAtLogin, &QAction::triggered, this, &MainWindow::chooseStartAtLogin);
    QMenu *options = menuBar()->addMenu(tr("&Options"));
    options->setObjectName(QStringLiteral("mnuOptions"));
    options->addAction(m_startAtLogin);
    m_trayMenu->insertAction(exit, m_openDisplays);
    m_trayMenu->insertAction(exit, m_startAtLogin);
    m_trayMenu->insertSeparator(exit);
    // The entry may be added or removed behind the program's back (a desktop's settings).
    connect(options, &QMenu::aboutToShow, this, &MainWindow::showStartAtLogin);
    connect(m_trayMenu, &QMenu::aboutToShow, this, &MainWindow::showStartAtLogin);
    showStartAtLogin();
}

void MainWindow::openDisplays()
{
    if (m_shutDown)
        return;
    if (!m_displaysWindow) {
        m_displaysWindow = new DisplaysWindow(*m_displays, *m_deps.boxes, this);
        // Display 1 changed in its dialog is the one the port menu and the interval list show.
        connect(m_displaysWindow, &DisplaysWindow::displaySaved, this, [this](int number) {
            if (number == 1)
                showFirstDisplay();
        });
    }
    m_displaysWindow->show();
    m_displaysWindow->raise();
    m_displaysWindow->activateWindow();
}

void MainWindow::showDisplaysInStep()
{
    const int on = m_displays->displaysOn();
    m_tray->setDisplaysLine(on == 0 ? QString()
                                    : tr("%1 of %n displays in step", nullptr, on)
                                              .arg(m_displays->displaysInStep()));
}

void MainWindow::chooseStartAtLogin(bool on)
{
    // Login starts the program as it runs now: this binary, and its settings file when that is
    // not the one it finds by itself.
    QStringList arguments;
    if (QFileInfo(m_deps.iniPath).absoluteFilePath()
        != QFileInfo(defaultIniFilePath()).absoluteFilePath())
        arguments << QStringLiteral("--config") << QFileInfo(m_deps.iniPath).absoluteFilePath();
    QString reason;
    if (!setStartAtLogin(on, QCoreApplication::applicationFilePath(), arguments, &reason)) {
        m_deps.boxes->exclamation(this,
                                  on ? tr("Mirovalent cannot be set to start at login.")
                                     : tr("Mirovalent cannot be kept from starting at login."),
                                  reason);
    }
    showStartAtLogin();
}

void MainWindow::showStartAtLogin()
{
    m_startAtLogin->setChecked(startsAtLogin());
}

void MainWindow::choosePort(int number)
{
    QString reason;
    if (m_keeper->choosePort(number, &reason))
        m_markedPort = number;
    else
        m_deps.boxes->exclamation(this, tr("Com Port Error"), reason);
    // After a failure the mark goes back where it was: Qt toggled the clicked item itself.
    showPortMark();
}

void MainWindow::showPortMark()
{
    for (std::size_t k = 0; k < m_portItems.size(); ++k)
        m_portItems[k]->setChecked(int(k) + 1 == m_markedPort);
}

} // namespace mrv
