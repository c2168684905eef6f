// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "ZonePanel.h"

#include "DateLabel.h"
#include "Twips.h"
#include "domain/ZoneTable.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QFocusEvent>
#include <QActionGroup>
#include <QLineEdit>
#include <QMenu>
#include <QTimeZone>
#include <QToolButton>

#include <algorithm>
#include <array>

namespace mrv {

namespace {

// A check box that the user toggles between cleared and ticked only; the greyed state comes
// only from a stored value, and a click on it ticks the box.
class DstCheckBox : public QCheckBox
{
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override
    {
        setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
};

// A zone list's edit field. A zone's name is long and its start says the most (the offset), so
// the field shows its start whenever it comes on screen, gets the focus from the keyboard or the
// window, and when the user leaves it or presses Enter. Entered with Tab it still selects its
// whole text, from the end back to the start, so that typing replaces the name.
class ZoneNameEdit : public QLineEdit
{
public:
    explicit ZoneNameEdit(QWidget *parent)
        : QLineEdit(parent)
    {
        connect(this, &QLineEdit::editingFinished, this, [this] { showStart(); });
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QLineEdit::showEvent(event);
        showStart();
    }
    void focusInEvent(QFocusEvent *event) override
    {
        QLineEdit::focusInEvent(event);
        // A click puts the cursor where the user clicked.
        if (event->reason() != Qt::MouseFocusReason)
            showStart();
    }
    void focusOutEvent(QFocusEvent *event) override
    {
        QLineEdit::focusOutEvent(event);
        // The list's or the completer's popup takes the focus while the user is still choosing.
        if (event->reason() != Qt::PopupFocusReason)
            showStart();
    }

private:
    void showStart()
    {
        const qsizetype length = text().size();
        if (length > 0 && hasFocus() && selectedText().size() == length)
            setSelection(int(length), -int(length));
        else
            setCursorPosition(0);
    }
};

Qt::CheckState qtCheckState(DstBox box)
{
    switch (box) {
    case DstBox::Ticked:
        return Qt::Checked;
    case DstBox::Greyed:
        return Qt::PartiallyChecked;
    default:
        return Qt::Unchecked;
    }
}

DstBox dstBox(int qtState)
{
    switch (qtState) {
    case Qt::Checked:
        return DstBox::Ticked;
    case Qt::PartiallyChecked:
        return DstBox::Greyed;
    default:
        return DstBox::Cleared;
    }
}

// The captions keep the numbers people know them by: panel n's start caption, then its end
// caption.
constexpr std::array<int, 4> kStartCaption {1, 4, 6, 8};
constexpr std::array<int, 4> kEndCaption {2, 3, 5, 7};

QLabel *fixedLabel(const QString &text, const QString &objectName, int widthTwips, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setFixedSize(twipsSize(widthTwips, 255));
    return label;
}

DateLabel *dateLabel(const QString &objectName, QWidget *parent)
{
    auto *label = new DateLabel(parent);
    label->setObjectName(objectName);
    label->setFixedSize(twipsSize(1095, 255));
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, QColor(255, 255, 192));
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    return label;
}

// "Next change: 14 Mar 2027, 02:00 → 03:00 local time in America/New_York (07:00 GMT)".
QString nextChangeText(const QDateTime &change, const QLocale &locale)
{
    if (!change.isValid())
        return ZonePanel::tr("The time-zone database announces no further change.");
    // The wall clock just before the change, as the people there read it, and just after.
    const QDateTime utc = change.toUTC();
    const QDateTime before = utc.toOffsetFromUtc(change.timeZone().offsetFromUtc(utc.addSecs(-1)));
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    return ZonePanel::tr("Next change: %1, %2 → %3 local time in %4 (%5 GMT)")
            .arg(formatDateLabel(change.date(), locale), locale.toString(before.time(), format),
                 locale.toString(change.time(), format), QString::fromUtf8(change.timeZone().id()),
                 locale.toString(utc.time(), format));
}

} // namespace

QLabel *createClockLabel(QWidget *parent, const QString &objectName)
{
    auto *label = new QLabel(QStringLiteral("00:00:00"), parent);
    label->setObjectName(objectName);
    label->setFixedSize(twipsSize(1575, 375));
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    label->setPalette(palette);
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(14.25);
    label->setFont(font);
    return label;
}

ZonePanel::ZonePanel(int number, QWidget *parent)
    : QGroupBox(tr("Time Zone %1").arg(number), parent)
    , m_number(number)
{
    setObjectName(QStringLiteral("Frame%1").arg(number + 1));
    setFixedSize(twipsSize(6255, 1335));
    m_clock = createClockLabel(this, QStringLiteral("lblZone%1").arg(number));
    setupZoneList();
    setupObserveDst();
    setupRuleButton();
    setupDateControls();
    layOut();
    showDateControls(false);
}

void ZonePanel::setupObserveDst()
{
    m_observeDst = new DstCheckBox(tr("Observe DST"), this);
    m_observeDst->setObjectName(QStringLiteral("Check%1").arg(m_number));
    m_observeDst->setFixedSize(twipsSize(1695, 255));
    connect(m_observeDst, &QCheckBox::stateChanged, this, [this](int state) {
        showDateControls(state == Qt::Checked);
        Q_EMIT observeDstChosen(dstBox(state));
    });
}

void ZonePanel::setupRuleButton()
{
    // How the dates are found: a compact button beside the zone it serves, its menu the choices.
    m_rule = new QToolButton(this);
    m_rule->setObjectName(QStringLiteral("btnDstRule%1").arg(m_number));
    m_rule->setPopupMode(QToolButton::InstantPopup);
    m_rule->setFocusPolicy(Qt::StrongFocus);
    m_rule->setFixedHeight(twips(255));
    m_ruleMenu = new QMenu(m_rule);
    m_rule->setMenu(m_ruleMenu);
    // As wide as its wider word, so that switching never shifts the zone list.
    int ruleWidth = 0;
    for (const QString &text : {tr("Auto"), tr("Dates")}) {
        m_rule->setText(text);
        ruleWidth = std::max(ruleWidth, m_rule->sizeHint().width());
    }
    m_rule->setFixedWidth(ruleWidth);
}

void ZonePanel::setupDateControls()
{
    const std::size_t k = std::size_t(m_number - 1);
    m_startCaption =
            fixedLabel(tr("DST Start"), QStringLiteral("Label%1").arg(kStartCaption[k]), 855, this);
    m_endCaption =
            fixedLabel(tr("DST End"), QStringLiteral("Label%1").arg(kEndCaption[k]), 735, this);
    m_start = dateLabel(QStringLiteral("lblDSS1_%1").arg(2 * k), this);
    m_end = dateLabel(QStringLiteral("lblDSS1_%1").arg(2 * k + 1), this);
    connect(m_start, &DateLabel::clicked, this, [this] { Q_EMIT dateClicked(DstSide::Start); });
    connect(m_end, &DateLabel::clicked, this, [this] { Q_EMIT dateClicked(DstSide::End); });
}

void ZonePanel::layOut()
{
    // Two rows: the clock, the rule and the zone list; the box and the dates. Hidden dates keep
    // their place, so ticking the box never moves anything.
    auto *top = new QHBoxLayout;
    top->addWidget(m_clock);
    top->addStretch();
    top->addWidget(m_rule);
    top->addWidget(m_zoneList);
    auto *bottom = new QHBoxLayout;
    bottom->setSpacing(twips(60));
    bottom->addWidget(m_observeDst);
    bottom->addStretch();
    for (QWidget *w : {static_cast<QWidget *>(m_startCaption), static_cast<QWidget *>(m_start),
                       static_cast<QWidget *>(m_endCaption), static_cast<QWidget *>(m_end)})
        bottom->addWidget(w);
    for (QWidget *w : {static_cast<QWidget *>(m_rule), static_cast<QWidget *>(m_startCaption),
                       static_cast<QWidget *>(m_start), static_cast<QWidget *>(m_endCaption),
                       static_cast<QWidget *>(m_end)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }
    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(twips(240), twips(120), twips(120), twips(120));
    rows->addLayout(top);
    rows->addLayout(bottom);
}

void ZonePanel::setupZoneList()
{
    m_zoneList = new QComboBox(this);
    m_zoneList->setObjectName(QStringLiteral("cboTimeZone%1").arg(m_number));
    m_zoneList->setFixedSize(twipsSize(3375, 315));
    m_zoneList->setAccessibleName(tr("Zone %1").arg(m_number));
    // The user may type, but the list never grows, and text that is not exactly a row selects
    // no row, so the panel shows GMT.
    QComboBox *box = m_zoneList;
    box->addItems(zoneTexts());
    box->setCurrentIndex(-1);
    box->setEditable(true);
    box->setLineEdit(new ZoneNameEdit(box));
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(16);
    auto *completer = new QCompleter(box);
    completer->setModel(box->model());
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    box->setCompleter(completer);
    connect(box, &QComboBox::editTextChanged, box, [this, box](const QString &text) {
        const int row = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (row == box->currentIndex())
            return;
        const int cursor = box->lineEdit()->cursorPosition();
        box->setCurrentIndex(row);
        // Selecting no row clears the edit field; give the user their text back.
        const QSignalBlocker blocker(box);
        box->lineEdit()->setText(text);
        box->lineEdit()->setCursorPosition(cursor);
    });
    connect(box, &QComboBox::currentIndexChanged, this, &ZonePanel::rowChosen);
    // A long name shows its start, where the offset is, and the whole name as its tooltip.
    connect(box, &QComboBox::currentIndexChanged, this, &ZonePanel::showNameStart);
    showNameStart();
}

void ZonePanel::showNameStart()
{
    m_zoneList->setToolTip(m_zoneList->currentText());
    if (m_zoneList->currentIndex() >= 0 && !m_zoneList->lineEdit()->hasFocus())
        m_zoneList->lineEdit()->setCursorPosition(0);
}

void ZonePanel::showSettings(const ZonePanelSettings &settings)
{
    {
        const QSignalBlocker blocker(m_zoneList);
        m_zoneList->setCurrentIndex(settings.row >= 0 && settings.row < kZoneCount ? settings.row
                                                                                   : -1);
    }
    {
        const QSignalBlocker blocker(m_observeDst);
        m_observeDst->setCheckState(qtCheckState(settings.observeDst));
    }
    showDateControls(settings.observesDst());
}

void ZonePanel::showDateControls(bool shown)
{
    // Shown in this order: start date, end date, "DST Start", "DST End", the rule.
    for (QWidget *w : {static_cast<QWidget *>(m_start), static_cast<QWidget *>(m_end),
                       static_cast<QWidget *>(m_startCaption), static_cast<QWidget *>(m_endCaption),
                       static_cast<QWidget *>(m_rule)})
        w->setVisible(shown);
}

void ZonePanel::showDstRule(const ZonePanelSettings &settings, const QList<QByteArray> &choices,
                            const QString &misfit)
{
    m_followsRule = settings.followsDstRule();
    const QString rule = QString::fromUtf8(settings.dstRule);
    // Short words: the button has the room between the clock and the zone list.
    m_rule->setText(m_followsRule ? tr("Auto") : tr("Dates"));
    QString what = m_followsRule
                           ? tr("Daylight-saving dates from the time-zone database: %1").arg(rule)
                           : tr("Daylight-saving dates typed by hand");
    // What the settings file asks for but cannot be used is said where the choice is made.
    if (settings.dstRuleUnknown)
        what += QLatin1Char('\n')
                + tr("The time-zone database does not know %1, named in the settings file.")
                          .arg(rule);
    if (!misfit.isEmpty())
        what += QLatin1Char('\n') + misfit;
    m_rule->setToolTip(what);
    m_rule->setAccessibleName(tr("Zone %1 daylight-saving rule").arg(m_number));
    m_rule->setAccessibleDescription(what);

    m_ruleMenu->clear();
    auto *group = new QActionGroup(m_ruleMenu);
    const auto add = [this, group](const QString &text, const QByteArray &zoneId, bool current) {
        QAction *action = m_ruleMenu->addAction(text);
        action->setCheckable(true);
        action->setChecked(current);
        action->setActionGroup(group);
        connect(action, &QAction::triggered, this,
                [this, zoneId] { Q_EMIT dstRuleChosen(zoneId); });
    };
    add(tr("Manual dates"), {}, !m_followsRule);
    m_ruleMenu->addSeparator();
    // A zone from the file that is not among the row's choices still shows which one runs.
    QList<QByteArray> zones = choices;
    if (m_followsRule && !zones.contains(settings.dstRule))
        zones.prepend(settings.dstRule);
    for (const QByteArray &zone : zones)
        add(QString::fromUtf8(zone), zone, m_followsRule && zone == settings.dstRule);
    // A row whose zones keep no daylight saving offers manual dates only.
    m_rule->setEnabled(zones.size() > 0 || m_followsRule);
}

void ZonePanel::showTime(const ZoneTime &time, const QLocale &locale)
{
    m_clock->setText(formatClock(time.shown, locale));
    // Screen readers read the name, so it carries the date as well as what the label is.
    const auto show = [&locale](DateLabel *label, const QString &what,
                                const std::optional<QDate> &date) {
        label->setText(date ? formatDateLabel(*date, locale)
                            : QString::fromLatin1(kNoDatePlaceholder));
        label->setAccessibleName(QStringLiteral("%1: %2").arg(what, label->text()));
    };
    show(m_start, tr("Zone %1 DST start date").arg(m_number), time.window.start);
    show(m_end, tr("Zone %1 DST end date").arg(m_number), time.window.end);
    const QString next = m_followsRule ? nextChangeText(time.nextChange, locale) : QString();
    m_start->setToolTip(next);
    m_end->setToolTip(next);
}

} // namespace mrv
