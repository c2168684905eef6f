#include "TrayIcon.h"

#include <QMenu>

namespace mrv {

TrayIcon::TrayIcon(const QIcon &icon, QMenu *menu, QObject *parent)
    : QObject(parent)
    , m_icon(icon)
{
    m_icon.setObjectName(QStringLiteral("TrayIcon"));
    m_icon.setToolTip(QStringLiteral("Mirovalent"));
    m_icon.setContextMenu(menu);
    connect(&m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::onActivated);
}

bool TrayIcon::available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::show()
{
    m_icon.show();
}

void TrayIcon::hide()
{
    m_icon.hide();
}

bool TrayIcon::isVisible() const
{
    return m_icon.isVisible();
}

void TrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    // A double click arrives as a click first, which already restored the window and removed
    // the icon; the double click itself must not act again.
    if (reason == QSystemTrayIcon::Trigger && m_icon.isVisible())
        Q_EMIT restoreRequested();
}

} // namespace mrv
