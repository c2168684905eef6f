// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window's four zone panels: what the user chooses on them goes into the settings,
// and the daylight-saving dates are picked in the date dialog or come from a rule.

#include "MainWindow.h"

#include "ZonePanel.h"
#include "dialogs/MessageBox.h"
#include "app/SettingsStore.h"
#include "app/Timekeeper.h"
#include "domain/DstRule.h"

namespace mrv {

void MainWindow::connectPanel(ZonePanel *panel)
{
    const int n = panel->number();
    connect(panel, &ZonePanel::rowChosen, this, [this, n](int row) {
        m_store->chooseRow(n, row, m_keeper->now().gmt);
        showDstRule(n);
        refreshTime();
    });
    connect(panel, &ZonePanel::observeDstChosen, this, [this, n](DstBox box) {
        m_store->chooseObserveDst(n, box, m_keeper->now().gmt);
        showDstRule(n);
        refreshTime();
    });
    connect(panel, &ZonePanel::dstRuleChosen, this,
            [this, n](const QByteArray &zoneId) { useDstRule(n, zoneId); });
    connect(panel, &ZonePanel::dateClicked, this, [this, n](DstSide side) { editDate(n, side); });
}

void MainWindow::editDate(int panel, DstSide side)
{
    if (panel < 1 || panel > 4 || !m_store->zone(panel).observesDst())
        return;
    const ZonePanelSettings &zone = m_store->zone(panel);
    if (zone.followsDstRule()) {
        // The rule's dates are not the user's to type; they may take the panel back.
        const bool manual = m_deps.boxes->question(
                this,
                tr("Zone %1 takes its daylight-saving dates from %2.")
                        .arg(panel)
                        .arg(QString::fromUtf8(zone.dstRule)),
                tr("The dates and the exact time of each change come from the system's time-zone "
                   "database. Switch zone %1 to dates typed by hand?")
                        .arg(panel));
        if (manual)
            useDstRule(panel, {});
        return;
    }
    m_datePanel = panel;
    m_dateSide = side;
    if (!m_dateDialog) {
        m_dateDialog = new DateDialog(nullptr);
        m_dateDialog->setWindowIcon(windowIcon());
        connect(m_dateDialog, &DateDialog::dateChosen, this, &MainWindow::onDateChosen);
    }
    // The prompt always names the date that "OK" will write; the calendar opens on it.
    const TimeSnapshot snapshot = m_keeper->now();
    const DstWindow &window = snapshot.zones[std::size_t(panel - 1)].window;
    m_dateDialog->setTarget(
            panel, side,
            DateDialog::initialDate(side, side == DstSide::Start ? window.start : window.end,
                                    snapshot.local.date().year()));
    m_dateDialog->show();
    m_dateDialog->raise();
    m_dateDialog->activateWindow();
}

void MainWindow::showDstRule(int panel)
{
    // The choices depend on the instant only through the database's year. They are shown only
    // while the box is ticked; until then the start-up need not scan the database for them.
    const ZonePanelSettings &zone = m_store->zone(panel);
    const QDateTime at = m_keeper->now().gmt;
    m_panels[std::size_t(panel - 1)]->showDstRule(
            zone, zone.observesDst() ? dstRuleZones(zone.row, at) : QList<QByteArray>(),
            dstRuleMisfit(zone, panel, at));
}

void MainWindow::useDstRule(int panel, const QByteArray &zoneId)
{
    m_store->chooseDstRule(panel, zoneId, m_keeper->now().gmt);
    showDstRule(panel);
    refreshTime();
}

void MainWindow::onDateChosen(const QDate &date)
{
    if (m_datePanel < 1 || !date.isValid())
        return;
    // A picked date keeps the year the user picked.
    m_store->pickDstDate(m_datePanel, m_dateSide == DstSide::Start, date);
    refreshTime();
}

} // namespace mrv
