// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLoggingCategory>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

class QMenu;

namespace mrv {

Q_DECLARE_LOGGING_CATEGORY(lcTray) // "mirovalent.tray"

// The notification-area icon with the tip "Mirovalent". Releasing the left button over it asks
// for the window back; releasing the right one opens the tray menu, as other tray icons do.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    TrayIcon(const QIcon &icon, QMenu *menu, QObject *parent = nullptr);

    // Whether a tray host runs now. Checked each time, so a tray that appears later is used.
    static bool available();

    void show();
    void hide();
    bool isVisible() const;
    // A second line for the tip under "Mirovalent"; empty for none.
    void setStatusLine(const QString &line);
    // A line on the displays after it; empty for none.
    void setDisplaysLine(const QString &line);
    QString toolTip() const;

Q_SIGNALS:
    void restoreRequested();
    // While the icon is shown: time to ask again whether the tray host is still there. A panel
    // that crashes or restarts takes the icon with it.
    void checkHost();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    // False when the icon has no X11 window to watch.
    bool watchButtons();
    void onIconWindowGone();
    void showToolTip();

    QSystemTrayIcon m_icon;
    QMenu *m_menu = nullptr;
    QTimer m_hostCheck;
    QString m_statusLine;
    QString m_displaysLine;
};

} // namespace mrv
