#pragma once

#include <QDate>
#include <QDialog>

#include <optional>

class QCalendarWidget;
class QLabel;
class QPushButton;

namespace mrv {

// "Daylight Saving Setting": picks one daylight-saving date from a calendar for the date label
// the user clicked. Modeless and without an owner; "OK" (or Enter) hands the date back, the
// close button or Escape closes without writing anything.
class frmDate : public QDialog
{
    Q_OBJECT
public:
    explicit frmDate(QWidget *parent = nullptr);

    // Points the dialog at date label `labelNumber` (element index + 1, 1..8): the prompt names
    // it, and the calendar shows `date`.
    void setTarget(int labelNumber, const QDate &date);
    int target() const { return m_labelNumber; }

    // "Select Zone N DST Start Date" / "Select Zone N DST End Date".
    static QString promptFor(int labelNumber);
    // The date the calendar opens on: the label's own date when it holds one, otherwise March
    // (start dates) or October (end dates) of the current year.
    static QDate initialDate(int labelNumber, const std::optional<QDate> &labelDate,
                             int currentYear);

Q_SIGNALS:
    void dateChosen(const QDate &date);

private:
    void cmdOK_Click();

    QCalendarWidget *m_calendar = nullptr;
    QLabel *m_prompt = nullptr;
    QPushButton *m_ok = nullptr;
    int m_labelNumber = 0;
};

} // namespace mrv
