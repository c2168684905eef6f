// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDate>
#include <QDialog>

#include <optional>

class QCalendarWidget;
class QLabel;
class QPushButton;

namespace mrv {

// Which side of a daylight-saving window a date label or the dialog is about.
enum class DstSide { Start, End };

// "Daylight Saving Setting": picks one daylight-saving date from a calendar for the date label
// the user clicked. Modeless and without an owner; "OK" (or Enter) hands the date back, the
// close button or Escape closes without writing anything.
class DateDialog : public QDialog
{
    Q_OBJECT
public:
    explicit DateDialog(QWidget *parent = nullptr);

    // Points the dialog at a date of zone panel `panel` (1..4): the prompt names it, and the
    // calendar shows `date`.
    void setTarget(int panel, DstSide side, const QDate &date);

    // The date the calendar opens on: the label's own date when it holds one, otherwise March
    // (start dates) or October (end dates) of the current year.
    static QDate initialDate(DstSide side, const std::optional<QDate> &labelDate, int currentYear);

Q_SIGNALS:
    void dateChosen(const QDate &date);

private:
    void confirm();

    QCalendarWidget *m_calendar = nullptr;
    QLabel *m_prompt = nullptr;
    QPushButton *m_ok = nullptr;
};

} // namespace mrv
