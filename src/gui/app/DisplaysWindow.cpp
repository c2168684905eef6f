// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "DisplaysWindow.h"

#include "DisplayControl.h"
#include "dialogs/DisplayDialog.h"
#include "dialogs/DisplayTexts.h"
#include "dialogs/MessageBox.h"

#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QTreeWidget>

namespace mrv {

namespace {

enum Column {
    NumberColumn,
    PortColumn,
    FormatColumn,
    ZoneColumn,
    IntervalColumn,
    StateColumn,
    LastSentColumn,
    ColumnCount
};

QString stateText(const DisplayStatus &status)
{
    switch (status.state) {
    case DisplayStatus::State::Off:
        return DisplaysWindow::tr("off");
    case DisplayStatus::State::Sending:
        return DisplaysWindow::tr("sending");
    case DisplayStatus::State::WaitingForDevice:
        return DisplaysWindow::tr("waiting for its device");
    case DisplayStatus::State::Failed:
        return status.error.isEmpty() ? DisplaysWindow::tr("cannot open its port") : status.error;
    case DisplayStatus::State::Silent:
        return DisplaysWindow::tr("silent while the clock is not synchronised");
    }
    return {};
}

QString lastSentText(const DisplayStatus &status)
{
    if (status.lastBytes.isEmpty())
        return {};
    const QString time =
            status.lastSentUtc.isValid()
                    ? status.lastSentUtc.toLocalTime().toString(QStringLiteral("HH:mm:ss"))
                    : QString();
    return QStringLiteral("%1  %2")
            .arg(time, DisplayTexts::visibleBytes(status.lastBytes))
            .trimmed();
}

QPushButton *button(const QString &text, const QString &objectName, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(objectName);
    b->setAutoDefault(false);
    return b;
}

} // namespace

DisplaysWindow::DisplaysWindow(DisplayControl &control, MessageBoxes &boxes, QWidget *parent)
    : QDialog(parent)
    , m_control(control)
    , m_boxes(boxes)
{
    setObjectName(QStringLiteral("displaysWindow"));
    setWindowTitle(tr("Displays"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setModal(false);
    buildList();
    buildPreview();
    auto *listLabel = new QLabel(tr("&Displays:"), this);
    listLabel->setBuddy(m_list);
    auto *previewLabel = new QLabel(tr("Ne&xt string of the selected display:"), this);
    previewLabel->setBuddy(m_preview);
    auto *close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(close, &QDialogButtonBox::rejected, this, &DisplaysWindow::hide);

    auto *buttons = new QVBoxLayout;
    for (QPushButton *b : {m_add, m_change, m_remove, m_sendNow})
        buttons->addWidget(b);
    buttons->addStretch();
    auto *listRow = new QHBoxLayout;
    listRow->addWidget(m_list, 1);
    listRow->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(listLabel);
    layout->addLayout(listRow, 1);
    layout->addWidget(previewLabel);
    layout->addWidget(m_preview);
    layout->addWidget(close);
    resize(760, 360);

    // Work done only for a window on screen: it catches up when it is shown.
    connect(&m_control, &DisplayControl::displaysChanged, this, [this] {
        if (isVisible())
            showDisplays();
    });
    connect(&m_control, &DisplayControl::displaysUpdated, this, [this] {
        if (isVisible())
            showActivity();
    });
    showDisplays();
}

void DisplaysWindow::buildList()
{
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("displayList"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setColumnCount(ColumnCount);
    m_list->setHeaderLabels({tr("Display"), tr("Port"), tr("Format"), tr("Zone"), tr("Interval"),
                             tr("State"), tr("Last sent")});
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->setAccessibleName(tr("Displays"));

    m_add = button(tr("&Add…"), QStringLiteral("btnAddDisplay"), this);
    m_change = button(tr("&Change…"), QStringLiteral("btnChangeDisplay"), this);
    m_remove = button(tr("&Remove"), QStringLiteral("btnRemoveDisplay"), this);
    m_sendNow = button(tr("Send &now"), QStringLiteral("btnSendNow"), this);
    connect(m_add, &QPushButton::clicked, this, &DisplaysWindow::addDisplay);
    connect(m_change, &QPushButton::clicked, this, &DisplaysWindow::changeDisplay);
    connect(m_remove, &QPushButton::clicked, this, &DisplaysWindow::removeDisplay);
    connect(m_sendNow, &QPushButton::clicked, this, &DisplaysWindow::sendNow);
    connect(m_list, &QTreeWidget::itemActivated, this, &DisplaysWindow::changeDisplay);
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] {
        enableButtons();
        showPreview();
    });
}

void DisplaysWindow::buildPreview()
{
    m_preview = new QPlainTextEdit(this);
    m_preview->setObjectName(QStringLiteral("displayPreview"));
    m_preview->setReadOnly(true);
    m_preview->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_preview->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Room for its two lines and a scroll bar under them for long strings.
    m_preview->setFixedHeight(m_preview->fontMetrics().lineSpacing() * 2
                              + m_preview->horizontalScrollBar()->sizeHint().height()
                              + 2 * int(m_preview->document()->documentMargin())
                              + 2 * m_preview->frameWidth());
    m_preview->setAccessibleName(tr("Next string"));
}

void DisplaysWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    showDisplays();
}

int DisplaysWindow::selectedDisplay() const
{
    const QTreeWidgetItem *item = m_list->currentItem();
    return item ? item->data(NumberColumn, Qt::UserRole).toInt() : 0;
}

void DisplaysWindow::selectDisplay(int number)
{
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        QTreeWidgetItem *item = m_list->topLevelItem(row);
        if (item->data(NumberColumn, Qt::UserRole).toInt() == number)
            m_list->setCurrentItem(item);
    }
}

void DisplaysWindow::showDisplays()
{
    const int selected = selectedDisplay();
    {
        const QSignalBlocker blocker(m_list);
        m_list->clear();
        for (const DisplaySettings &display : m_control.displays()) {
            auto *item = new QTreeWidgetItem(m_list);
            item->setData(NumberColumn, Qt::UserRole, display.number);
            item->setText(NumberColumn, QString::number(display.number));
            item->setText(PortColumn, DisplayTexts::port(display.port));
            item->setText(FormatColumn, DisplayTexts::format(display.format));
            item->setText(ZoneColumn, DisplayTexts::zone(display.zone));
            item->setText(IntervalColumn, DisplayTexts::interval(display.intervalSeconds));
        }
    }
    selectDisplay(selected);
    if (!m_list->currentItem() && m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    showActivity();
    enableButtons();
}

void DisplaysWindow::showActivity()
{
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        QTreeWidgetItem *item = m_list->topLevelItem(row);
        const DisplayStatus status =
                m_control.status(item->data(NumberColumn, Qt::UserRole).toInt());
        item->setText(StateColumn, stateText(status));
        item->setToolTip(StateColumn, status.error);
        item->setText(LastSentColumn, lastSentText(status));
    }
    showPreview();
}

void DisplaysWindow::showPreview()
{
    const int number = selectedDisplay();
    if (number == 0) {
        m_preview->setPlainText(QString());
        return;
    }
    const QByteArray next = m_control.previewNext(number);
    m_preview->setPlainText(next.isEmpty() ? tr("Nothing is due for this display now.")
                                           : tr("Text: %1\nHex:  %2")
                                                     .arg(DisplayTexts::visibleBytes(next),
                                                          DisplayTexts::hexBytes(next)));
}

void DisplaysWindow::enableButtons()
{
    const int number = selectedDisplay();
    m_add->setEnabled(m_control.freeDisplayNumber() != 0);
    m_change->setEnabled(number != 0);
    // Display 1 is the one the window's port menu drives; it changes, but stays.
    m_remove->setEnabled(number > 1);
    m_sendNow->setEnabled(number != 0);
}

DisplayDialog *DisplaysWindow::openDialog(DisplayDialog *dialog)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    connect(dialog, &QDialog::accepted, this, [this, number = dialog->number()] {
        showDisplays();
        selectDisplay(number);
        Q_EMIT displaySaved(number);
    });
    dialog->open();
    // The port is what a person types first; the keyboard starts there.
    dialog->activateWindow();
    if (QWidget *first = dialog->findChild<QWidget *>(QStringLiteral("displayPort")))
        first->setFocus(Qt::ActiveWindowFocusReason);
    return dialog;
}

void DisplaysWindow::addDisplay()
{
    const int number = m_control.freeDisplayNumber();
    if (number == 0) {
        m_boxes.exclamation(this, tr("All %1 displays are in use.").arg(kMaxDisplays),
                            tr("Remove one to add another."));
        return;
    }
    DisplaySettings display;
    display.number = number;
    openDialog(new DisplayDialog(m_control, display, true, this));
}

void DisplaysWindow::changeDisplay()
{
    const int number = selectedDisplay();
    for (const DisplaySettings &display : m_control.displays()) {
        if (display.number == number) {
            openDialog(new DisplayDialog(m_control, display, false, this));
            return;
        }
    }
}

void DisplaysWindow::removeDisplay()
{
    const int number = selectedDisplay();
    if (number < 2)
        return;
    if (!m_boxes.question(this, tr("Remove display %1?").arg(number),
                          tr("Its settings are removed from the settings file now.")))
        return;
    QString why;
    if (!m_control.removeDisplay(number, &why))
        m_boxes.exclamation(this, tr("Display %1 cannot be removed.").arg(number), why);
    showDisplays();
}

void DisplaysWindow::sendNow()
{
    if (const int number = selectedDisplay())
        m_control.sendNow(number);
}

} // namespace mrv
