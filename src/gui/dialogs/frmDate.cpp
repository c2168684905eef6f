#include "frmDate.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QPushButton>

namespace mrv {

namespace {
QRect twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}
} // namespace

frmDate::frmDate(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmDate"));
    setWindowTitle(tr("Daylight Saving Setting"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twips(0, 0, 4680, 3315).size());

    m_calendar = new QCalendarWidget(this);
    m_calendar->setObjectName(QStringLiteral("Calendar1"));
    m_calendar->setGeometry(twips(360, 360, 3735, 2295));
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);

    m_prompt = new QLabel(QStringLiteral("Label1"), this);
    m_prompt->setObjectName(QStringLiteral("lblDSS"));
    m_prompt->setGeometry(twips(480, 2760, 2655, 255));
    QFont promptFont(QStringLiteral("Bookman Old Style"));
    promptFont.setStyleHint(QFont::Serif);
    promptFont.setPointSizeF(8.25);
    m_prompt->setFont(promptFont);
    QPalette blue = m_prompt->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    m_prompt->setPalette(blue);

    m_ok = new QPushButton(tr("OK"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_ok->setGeometry(twips(3360, 2760, 615, 375));
    m_ok->setDefault(true);
    m_ok->setAutoDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &frmDate::cmdOK_Click);
    // Enter on a day of the calendar means the same as "OK".
    connect(m_calendar, &QCalendarWidget::activated, this, &frmDate::cmdOK_Click);

    setTabOrder(m_calendar, m_ok);
}

void frmDate::setTarget(int labelNumber, const QDate &date)
{
    m_labelNumber = labelNumber;
    m_prompt->setText(promptFor(labelNumber));
    m_calendar->setSelectedDate(date);
    m_calendar->setCurrentPage(date.year(), date.month());
}

QString frmDate::promptFor(int labelNumber)
{
    const int zone = (labelNumber + 1) / 2;
    return labelNumber % 2 == 1 ? tr("Select Zone %1 DST Start Date").arg(zone)
                                : tr("Select Zone %1 DST End Date").arg(zone);
}

QDate frmDate::initialDate(int labelNumber, const std::optional<QDate> &labelDate, int currentYear)
{
    if (labelDate && labelDate->isValid())
        return *labelDate;
    return QDate(currentYear, labelNumber % 2 == 1 ? 3 : 10, 1);
}

void frmDate::cmdOK_Click()
{
    Q_EMIT dateChosen(m_calendar->selectedDate());
    close();
}

} // namespace mrv
