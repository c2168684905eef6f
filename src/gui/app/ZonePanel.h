// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "dialogs/DateDialog.h"
#include "app/SettingsModel.h"
#include "domain/TimeEngine.h"

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QLabel;
class QMenu;
class QToolButton;

namespace mrv {

class DateLabel;

// The red-on-black "HH:MM:SS" clock of the GMT frame and of each zone panel.
QLabel *createClockLabel(QWidget *parent, const QString &objectName);

// One "Time Zone n" panel: its clock, the zone list, the Observe DST box and the daylight-saving
// dates. It shows settings and times it is given and reports what the user changes; it keeps
// no settings of its own.
class ZonePanel : public QGroupBox
{
    Q_OBJECT
public:
    // `number` is 1..4; the controls are named after it ("cboTimeZone2", "Check2", ...).
    explicit ZonePanel(int number, QWidget *parent = nullptr);

    int number() const { return m_number; }

    // Shows the row and the box of the settings, without reporting them as the user's changes.
    void showSettings(const ZonePanelSettings &settings);
    // Shows where the daylight-saving dates come from (a database zone, or none for manual
    // dates) and the zones the user may choose from for the panel's row.
    // `misfit`: why the rule cannot drive the row, when it cannot.
    void showDstRule(const ZonePanelSettings &settings, const QList<QByteArray> &choices,
                     const QString &misfit = {});
    // Shows the zone's time and, while daylight saving is observed, its window.
    void showTime(const ZoneTime &time, const QLocale &locale);

Q_SIGNALS:
    void rowChosen(int row);
    void observeDstChosen(mrv::DstBox box);
    void dateClicked(mrv::DstSide side);
    // A database zone, or empty for manual dates.
    void dstRuleChosen(const QByteArray &zoneId);

private:
    void setupZoneList();
    void setupObserveDst();
    void setupRuleButton();
    void setupDateControls();
    void layOut();
    void showNameStart();
    void showDateControls(bool shown);

    int m_number = 0;
    QLabel *m_clock = nullptr;
    QComboBox *m_zoneList = nullptr;
    QCheckBox *m_observeDst = nullptr;
    QToolButton *m_rule = nullptr;
    QMenu *m_ruleMenu = nullptr;
    bool m_followsRule = false;
    QLabel *m_startCaption = nullptr;
    QLabel *m_endCaption = nullptr;
    DateLabel *m_start = nullptr;
    DateLabel *m_end = nullptr;
};

} // namespace mrv
