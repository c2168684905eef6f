#pragma once

#include <QObject>
#include <QSystemTrayIcon>

class QMenu;

namespace mrv {

// The notification-area icon with the tip "Mirovalent". A left click asks for the window
// back; the right button opens the tray menu (Qt shows the context menu itself).
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

Q_SIGNALS:
    void restoreRequested();

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon m_icon;
};

} // namespace mrv
