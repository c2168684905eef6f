// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DateDialog.h"

#include "Twips.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QPushButton>

namespace mrv {

DateDialog::DateDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDate"));
    setWindowTitle(tr("Daylight Saving Setting"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twipsSize(4680, 3315));

    m_calendar = new QCalendarWidget(this);
    m_calendar->setObjectName(QStringLiteral("Calendar1"));
    m_calendar->setGeometry(twipsRect(360, 360, 3735, 2295));
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);

    m_prompt = new QLabel(QStringLiteral("Label1"), this);
    m_prompt->setObjectName(QStringLiteral("lblDSS"));
    m_prompt->setGeometry(twipsRect(480, 2760, 2655, 255));
    QFont promptFont(QStringLiteral("Bookman Old Style"));
    promptFont.setStyleHint(QFont::Serif);
    promptFont.setPointSizeF(8.25);
    m_prompt->setFont(promptFont);
    QPalette blue = m_prompt->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    m_prompt->setPalette(blue);

    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setGeometry(twipsRect(3360, 2760, 615, 375));
    m_ok->setDefault(true);
    m_ok->setAutoDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &DateDialog::confirm);
    // Enter on a day of the calendar means the same as "OK".
    connect(m_calendar, &QCalendarWidget::activated, this, &DateDialog::confirm);

    setTabOrder(m_calendar, m_ok);
}

void DateDialog::setTarget(int panel, DstSide side, const QDate &date)
{
    m_prompt->setText(side == DstSide::Start ? tr("Select Zone %1 DST Start Date").arg(panel)
                                             : tr("Select Zone %1 DST End Date").arg(panel));
    m_calendar->setSelectedDate(date);
    m_calendar->setCurrentPage(date.year(), date.month());
}

QDate DateDialog::initialDate(DstSide side, const std::optional<QDate> &labelDate, int currentYear)
{
    if (labelDate && labelDate->isValid())
        return *labelDate;
    return QDate(currentYear, side == DstSide::Start ? 3 : 10, 1);
}

void DateDialog::confirm()
{
    Q_EMIT dateChosen(m_calendar->selectedDate());
    close();
}

} // namespace mrv
