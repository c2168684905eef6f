// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "TrayIcon.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QWidget>

namespace mrv {

Q_LOGGING_CATEGORY(lcTray, "mirovalent.tray")

namespace {

// How often a shown icon asks whether its tray host is still there.
constexpr int kHostCheckMs = 3000;

} // namespace

TrayIcon::TrayIcon(const QIcon &icon, QMenu *menu, QObject *parent)
    : QObject(parent)
    , m_icon(icon)
    , m_menu(menu)
{
    m_icon.setObjectName(QStringLiteral("TrayIcon"));
    m_icon.setToolTip(QStringLiteral("Mirovalent"));
    m_icon.setContextMenu(menu);
    connect(&m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::onActivated);
    m_hostCheck.setInterval(kHostCheckMs);
    m_hostCheck.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_hostCheck, &QTimer::timeout, this, [this] {
        watchButtons(); // a tray host that restarted has a new window for the icon
        Q_EMIT checkHost();
    });
}

bool TrayIcon::available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::show()
{
    m_icon.show();
    // Where the icon is an X11 window, Qt removes that window when the tray host goes away: no
    // need to ask every few seconds, which would wake a program that sleeps in the tray.
    if (!watchButtons())
        m_hostCheck.start();
}

void TrayIcon::hide()
{
    m_hostCheck.stop();
    m_icon.hide();
}

bool TrayIcon::isVisible() const
{
    return m_icon.isVisible();
}

void TrayIcon::setStatusLine(const QString &line)
{
    m_statusLine = line;
    showToolTip();
}

void TrayIcon::setDisplaysLine(const QString &line)
{
    m_displaysLine = line;
    showToolTip();
}

QString TrayIcon::toolTip() const
{
    return m_icon.toolTip();
}

void TrayIcon::showToolTip()
{
    QStringList lines {QStringLiteral("Mirovalent")};
    for (const QString &line : {m_statusLine, m_displaysLine})
        if (!line.isEmpty())
            lines << line;
    m_icon.setToolTip(lines.join(QLatin1Char('\n')));
}

bool TrayIcon::watchButtons()
{
    // In an X11 tray the icon is a small top-level window of Qt's that acts on the button press.
    // It is made when the icon is shown and is found among the top-level widgets as the one
    // that covers the icon's place; trays of other kinds report no place, and have no window.
    const QRect place = m_icon.geometry();
    if (!place.isValid())
        return false;
    bool found = false;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget != m_menu && QRect(widget->mapToGlobal(QPoint()), widget->size()) == place) {
            widget->removeEventFilter(this);
            widget->installEventFilter(this);
            connect(widget, &QObject::destroyed, this, &TrayIcon::onIconWindowGone,
                    Qt::UniqueConnection);
            found = true;
        }
    }
    return found;
}

void TrayIcon::onIconWindowGone()
{
    // Asked once Qt is done: a host that came straight back already has a new window for it.
    QTimer::singleShot(0, this, [this] {
        if (!m_icon.isVisible())
            return;
        watchButtons();
        Q_EMIT checkHost();
    });
}

bool TrayIcon::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        return true; // acted on at the release, as other tray icons do
    if (event->type() != QEvent::MouseButtonRelease)
        return QObject::eventFilter(watched, event);
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->button() == Qt::LeftButton && m_icon.isVisible())
        Q_EMIT restoreRequested();
    else if (mouse->button() == Qt::RightButton && m_menu)
        m_menu->popup(mouse->globalPosition().toPoint());
    return true;
}

void TrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    // Trays that are not X11 windows (StatusNotifierItem) report a click as a whole. A double
    // click arrives as a click first, which already restored the window and removed the icon;
    // the double click itself must not act again.
    if (reason == QSystemTrayIcon::Trigger && m_icon.isVisible())
        Q_EMIT restoreRequested();
}

} // namespace mrv
