#include "frmMain.h"

#include "dialogs/MessageBox.h"
#include "settings/SettingsTable.h"
#include "sync/PortMap.h"
#include "sync/SerialPort.h"
#include "sync/SyncFrame.h"
#include "sync/SyncSchedule.h"
#include "tray/TrayIcon.h"
#include "zones/Clock.h"
#include "zones/ClockTick.h"
#include "zones/SecondTicker.h"
#include "zones/ZoneClock.h"
#include "zones/ZoneTable.h"
#include "dialogs/frmDate.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>

// The icons live in the GUI library's resources; a static library must register them itself.
static void initResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace mrv {

namespace {

// Layouts are laid out in twips; 15 twips make one logical pixel.
QRect twips(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

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

QLabel *clockLabel(QWidget *parent, const QString &name)
{
    auto *label = new QLabel(QStringLiteral("00:00:00"), parent);
    label->setObjectName(name);
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

// The general date format of the locale: short date, a blank, long time (without a zone name).
QString generalDateTime(const QDateTime &local, const QLocale &locale)
{
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*\\bt+\\b\\s*")));
    return locale.toString(local.date(), QLocale::ShortFormat) + QLatin1Char(' ')
           + locale.toString(local.time(), timeFormat.trimmed());
}

// The Observe DST box as the settings file and the clock tick number it: 0 cleared, 1 ticked,
// 2 greyed (Qt numbers ticked 2 and greyed 1).
int boxState(const QCheckBox *box)
{
    switch (box->checkState()) {
    case Qt::Checked:
        return kDstTicked;
    case Qt::PartiallyChecked:
        return kDstGreyed;
    default:
        return kDstCleared;
    }
}

Qt::CheckState qtCheckState(int state)
{
    switch (state) {
    case kDstTicked:
        return Qt::Checked;
    case kDstGreyed:
        return Qt::PartiallyChecked;
    default:
        return Qt::Unchecked;
    }
}

// Zone slot n owns date labels 2n-2 (start) and 2n-1 (end); its captions carry these numbers.
constexpr std::array<int, 4> kStartCaption {1, 4, 6, 8};
constexpr std::array<int, 4> kEndCaption {2, 3, 5, 7};

} // namespace

DateLabel::DateLabel(QWidget *parent)
    : QLabel(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setAlignment(Qt::AlignCenter);
}

void DateLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

void DateLabel::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Q_EMIT clicked();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

frmMain::frmMain(const Dependencies &deps, QWidget *parent)
    : QMainWindow(parent)
    , m_deps(deps)
    , m_ini(deps.iniPath)
{
    Q_ASSERT(deps.clock && deps.zones && deps.boxes);
    initResources();
    m_zoneClock = std::make_unique<ZoneClock>(*deps.clock, *deps.zones);
    m_port = new SerialPort(this);
    m_ticker = new SecondTicker(*deps.clock, this);
    m_labelYear = deps.clock->localNow().date().year();

    buildUi();
    buildMenus();

    layout()->setSizeConstraint(QLayout::SetFixedSize);

    m_tray = new TrayIcon(windowIcon(), m_mPopupSys, this);
    connect(m_tray, &TrayIcon::restoreRequested, this, &frmMain::restoreFromTray);

    // One wake-up a second, right after the system clock's second changes: the clocks first,
    // then the sync, so a frame always carries the second it is sent in.
    connect(m_ticker, &SecondTicker::tick, this, [this] {
        UpdateClocks();
        Timer2_Timer();
    });
    UpdateClocks(); // never show "00:00:00" to a user
    if (deps.tick && deps.freeRunningTimers) {
        auto *timer1 = new QTimer(this);
        connect(timer1, &QTimer::timeout, this, &frmMain::UpdateClocks);
        timer1->start(500);
        auto *timer2 = new QTimer(this);
        connect(timer2, &QTimer::timeout, this, &frmMain::Timer2_Timer);
        timer2->start(1000);
    } else if (deps.tick) {
        m_ticker->start();
    }
}

frmMain::~frmMain()
{
    if (m_dateDialog)
        delete m_dateDialog.data();
}

void frmMain::buildUi()
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Mirovalent"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/mirovalent-32.png")));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    // The layout was drawn for a small dialog face of Arial's metrics; with the wider desktop
    // default the interval list and the zone names would be cut off. The clocks set their own.
    QFont face(QStringLiteral("Arial"));
    face.setStyleHint(QFont::SansSerif);
    face.setPointSizeF(8.0);
    setFont(face);

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twips(0, 0, 9165, 6015).size());
    setCentralWidget(client);

    auto *frame1 = new QGroupBox(tr("GMT TIME"), client);
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame1->setGeometry(twips(360, 240, 2055, 975));
    m_lblGMT = clockLabel(frame1, QStringLiteral("lblGMT"));
    m_lblGMT->setGeometry(twips(240, 360, 1575, 375));

    auto *frame6 = new QGroupBox(tr("Sync Interval"), client);
    frame6->setObjectName(QStringLiteral("Frame6"));
    frame6->setGeometry(twips(360, 1440, 2055, 855));
    m_cboSync = new QComboBox(frame6);
    m_cboSync->setObjectName(QStringLiteral("cboSync"));
    // Wider than drawn (1095 twips), which cuts "15 minutes" off in the faces found here.
    m_cboSync->setGeometry(twips(480, 360, 1395, 315));
    connect(m_cboSync, &QComboBox::currentIndexChanged, this, [this] {
        if (m_loaded)
            cboSync_Click();
    });

    m_lblLastSync = new QLabel(client);
    m_lblLastSync->setObjectName(QStringLiteral("lblLastSync"));
    m_lblLastSync->setGeometry(twips(360, 2520, 2055, 495));
    m_lblLastSync->setWordWrap(true);
    m_lblLastSync->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_cmdSyncNow = new QPushButton(tr("Sync Now"), client);
    m_cmdSyncNow->setObjectName(QStringLiteral("cmdSyncNow"));
    m_cmdSyncNow->setGeometry(twips(360, 3360, 1935, 495));
    connect(m_cmdSyncNow, &QPushButton::clicked, this, &frmMain::cmdSyncNow_Click);

    static constexpr std::array<int, 4> kPanelTop {240, 1680, 3120, 4560};
    for (int k = 0; k < 4; ++k) {
        const int n = k + 1;
        Slot &slot = m_slots[k];
        slot.frame = new QGroupBox(tr("Time Zone %1").arg(n), client);
        slot.frame->setObjectName(QStringLiteral("Frame%1").arg(n + 1));
        slot.frame->setGeometry(twips(2640, kPanelTop[k], 6255, 1335));

        slot.clock = clockLabel(slot.frame, QStringLiteral("lblZone%1").arg(n));
        slot.clock->setGeometry(twips(240, 360, 1575, 375));

        slot.zoneList = new QComboBox(slot.frame);
        slot.zoneList->setObjectName(QStringLiteral("cboTimeZone%1").arg(n));
        slot.zoneList->setGeometry(twips(2160, 360, 3375, 315));
        setupZoneList(slot.zoneList);

        slot.check = new DstCheckBox(tr("Observe DST"), slot.frame);
        slot.check->setObjectName(QStringLiteral("Check%1").arg(n));
        slot.check->setGeometry(twips(240, 840, 1695, 255));
        connect(slot.check, &QCheckBox::stateChanged, this, [this, n] { CheckN_Click(n); });

        slot.startCaption = new QLabel(tr("DST Start"), slot.frame);
        slot.startCaption->setObjectName(QStringLiteral("Label%1").arg(kStartCaption[k]));
        slot.startCaption->setGeometry(twips(2160, 840, 855, 255));

        for (int e = 0; e < 2; ++e) {
            const int element = 2 * k + e;
            auto *label = new DateLabel(slot.frame);
            label->setObjectName(QStringLiteral("lblDSS1_%1").arg(element));
            label->setGeometry(e == 0 ? twips(3000, 840, 1095, 255) : twips(5040, 840, 1095, 255));
            label->setAutoFillBackground(true);
            QPalette palette = label->palette();
            palette.setColor(QPalette::Window, QColor(255, 255, 192));
            palette.setColor(QPalette::WindowText, Qt::black);
            label->setPalette(palette);
            label->setAccessibleName(e == 0 ? tr("Zone %1 DST start date").arg(n)
                                            : tr("Zone %1 DST end date").arg(n));
            connect(label, &DateLabel::clicked, this, [this, element] { lblDSS1_Click(element); });
            m_dateLabels[element] = label;
            if (e == 0) {
                slot.endCaption = new QLabel(tr("DST End"), slot.frame);
                slot.endCaption->setObjectName(QStringLiteral("Label%1").arg(kEndCaption[k]));
                slot.endCaption->setGeometry(twips(4200, 840, 735, 255));
            }
        }
        for (QWidget *w :
             {static_cast<QWidget *>(slot.startCaption),
              static_cast<QWidget *>(m_dateLabels[2 * k]), static_cast<QWidget *>(slot.endCaption),
              static_cast<QWidget *>(m_dateLabels[2 * k + 1])})
            w->setVisible(false);
    }

    // Holds the program's icon; only its picture is used (for the tray).
    auto *image1 = new QLabel(client);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setPixmap(windowIcon().pixmap(32, 32));
    image1->setGeometry(twips(3480, 6000, 480, 480));
    image1->setVisible(false);
}

void frmMain::setupZoneList(QComboBox *box)
{
    // The user may type, but the list never grows, and text that is not exactly a row selects
    // no row, so that slot shows GMT.
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(16);
    auto *completer = new QCompleter(box);
    completer->setModel(box->model());
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    box->setCompleter(completer);
    connect(box, &QComboBox::editTextChanged, box, [box](const QString &text) {
        const int row = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (row == box->currentIndex())
            return;
        const QSignalBlocker blocker(box);
        const int cursor = box->lineEdit()->cursorPosition();
        box->setCurrentIndex(row);
        // Selecting no row clears the edit field; give the user their text back.
        box->lineEdit()->setText(text);
        box->lineEdit()->setCursorPosition(cursor);
    });
}

void frmMain::buildMenus()
{
    m_mnuSP = menuBar()->addMenu(tr("&Serial Port"));
    m_mnuSP->setObjectName(QStringLiteral("mnuSP"));
    for (int n = 1; n <= 6; ++n) {
        QAction *item = m_mnuSP->addAction(tr("COM %1").arg(n));
        item->setObjectName(QStringLiteral("mnuCOM_%1").arg(n));
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, n] { mnuCOM_Click(n); });
        m_mnuCOM[n - 1] = item;
    }

    // The tray's menu: a menu of the window that the menu bar does not show.
    m_mPopupSys = new QMenu(tr("SysTray"), this);
    m_mPopupSys->setObjectName(QStringLiteral("mPopupSys"));
    m_mnuRestore = m_mPopupSys->addAction(tr("Restore"));
    m_mnuRestore->setObjectName(QStringLiteral("mnuRestore"));
    m_mnuExit = m_mPopupSys->addAction(tr("Exit"));
    m_mnuExit->setObjectName(QStringLiteral("mnuExit"));
    connect(m_mnuRestore, &QAction::triggered, this, &frmMain::restoreFromTray);
    connect(m_mnuExit, &QAction::triggered, this, &frmMain::exitProgram);
}

QLocale frmMain::locale() const
{
    return QLocale();
}

bool frmMain::Form_Load()
{

    const QStringList zones = zoneTexts();
    for (int k = 0; k < 4; ++k) {
        Slot &slot = m_slots[k];
        {
            const QSignalBlocker blocker(slot.zoneList);
            slot.zoneList->addItems(zones);
            slot.zoneList->setCurrentIndex(readSetting(m_ini, settings::Zone[k]));
        }
        // A box that becomes ticked runs its handler now, which shows and fills its dates.
        slot.check->setCheckState(qtCheckState(readSetting(m_ini, settings::DST[k])));
    }

    {
        const QSignalBlocker blocker(m_cboSync);
        m_cboSync->addItems(SyncSchedule::intervalTexts());
        m_cboSync->setCurrentIndex(readSetting(m_ini, settings::SyncInt));
    }
    cboSync_Click();
    m_loaded = true;

    UpdateClocks(); // the restored zones show at once, not a second later
    m_state.CommPortNumber = readSetting(m_ini, settings::CommPort);
    m_state.CommSettings = readSetting(m_ini, settings::Setting);
    UpdateCommMenu();

    QString reason;
    if (!openConfiguredPort(&reason)) {
        m_deps.boxes->exclamation(
                this, tr("COM Port Error"),
                tr("%1\n\nChoose the display's port in the \"Serial Port\" menu.").arg(reason));
        return false;
    }

    sendToTray();
    m_schedule.syncNow();
    return true;
}

bool frmMain::openConfiguredPort(QString *reason)
{
    const PortDevice target = deviceForPort(m_state.CommPortNumber, m_ini);
    if (target.path.isEmpty()) {
        m_port->close();
        *reason = tr("COM %1 has no device: %2").arg(m_state.CommPortNumber, target.error);
        return false;
    }
    if (m_port->open(target.path, m_state.CommSettings))
        return true;
    // The port's reason names the device and says why.
    *reason = m_port->errorString();
    if (!reason->contains(target.path))
        *reason = tr("%1: %2").arg(target.path, *reason);
    return false;
}

void frmMain::sendToTray()
{
    if (TrayIcon::available()) {
        hide();
        m_tray->show();
    } else {
        // No tray to bring it back from: never hide the window, leave it in the taskbar. Some
        // window managers ignore a window that asks to start minimised, so it is minimised once
        // it is on screen.
        show();
        QTimer::singleShot(50, this, [this] {
            if (!m_unloaded)
                setWindowState(windowState() | Qt::WindowMinimized);
        });
    }
}

void frmMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized() || !isVisible())
        return;
    if (!TrayIcon::available())
        return;
    // Hide once the state change is finished; the window manager is still busy with it.
    QTimer::singleShot(0, this, [this] {
        if (isMinimized() && isVisible() && !m_unloaded) {
            hide();
            m_tray->show();
        }
    });
}

void frmMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_centred)
        return;
    m_centred = true;
    if (QScreen *screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void frmMain::restoreFromTray()
{
    if (m_unloaded)
        return;
    m_tray->hide();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    showNormal();
    raise();
    activateWindow();
}

void frmMain::exitProgram()
{
    m_tray->hide();
    m_port->close();
    Form_Unload();
    Q_EMIT quitRequested();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
    Q_EMIT quitRequested();
}

void frmMain::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_ticker->stop();
    if (m_dateDialog)
        m_dateDialog->close();

    QList<IniFile::Entry> writes;
    auto put = [&writes](const auto &setting, const QString &value) {
        writes.append(
                {QString::fromLatin1(setting.section), QString::fromLatin1(setting.key), value});
    };
    put(settings::CommPort, m_state.CommPortNumber);
    put(settings::SyncInt, QString::number(m_cboSync->currentIndex()));
    // The line settings are never rewritten; a first start leaves a complete file behind.
    if (m_ini.read(QString::fromLatin1(settings::Setting.section),
                   QString::fromLatin1(settings::Setting.key))
                .isEmpty())
        put(settings::Setting, m_state.CommSettings);
    for (int k = 0; k < 4; ++k)
        put(settings::Zone[k], QString::number(m_slots[k].zoneList->currentIndex()));
    for (int k = 0; k < 4; ++k)
        put(settings::DST[k], QString::number(boxState(m_slots[k].check)));
    const QLocale loc = locale();
    for (int k = 0; k < 4; ++k) {
        if (m_slots[k].check->checkState() != Qt::Checked)
            continue;
        // Only a label that holds a date is stored; a placeholder never reaches the file.
        if (auto start = parseDateLabel(m_dateLabels[2 * k]->text(), loc))
            put(settings::DSS[k], formatStoredDayMonth(*start));
        if (auto end = parseDateLabel(m_dateLabels[2 * k + 1]->text(), loc))
            put(settings::DSE[k], formatStoredDayMonth(*end));
    }
    m_ini.writeAll(writes);

    m_port->close();
    m_tray->hide();
}

void frmMain::UpdateClocks()
{
    const QLocale loc = locale();
    const int year = m_deps.clock->localNow().date().year();
    if (year != m_labelYear) {
        m_labelYear = year;
        for (int slot = 1; slot <= 4; ++slot)
            completeStoredYears(slot);
    }

    std::array<SlotInput, 4> inputs;
    for (int k = 0; k < 4; ++k) {
        inputs[k].row = m_slots[k].zoneList->currentIndex();
        inputs[k].checkState = boxState(m_slots[k].check);
        inputs[k].startText = m_dateLabels[2 * k]->text();
        inputs[k].endText = m_dateLabels[2 * k + 1]->text();
    }
    const TickOutput out = updateClocks(*m_zoneClock, m_state, inputs, loc);
    m_lblGMT->setText(formatClock(out.gmtShown, loc));
    for (int k = 0; k < 4; ++k)
        m_slots[k].clock->setText(formatClock(out.slots[k].shown, loc));
}

void frmMain::Timer2_Timer()
{
    if (!m_schedule.tick())
        return;
    // A display whose adapter was pulled and plugged in again gets back in step by itself.
    if (!m_port->isOpen() && m_port->wasLost())
        m_port->reopenIfLost();
    if (!m_port->isOpen())
        return;
    if (m_port->write(buildSyncFrame(m_state.GMTTime, m_state.ZoneCode)))
        m_lblLastSync->setText(
                tr("Last Sync On %1").arg(generalDateTime(m_deps.clock->localNow(), locale())));
}

void frmMain::cboSync_Click()
{
    m_schedule.chooseInterval(m_cboSync->currentIndex());
}

void frmMain::cmdSyncNow_Click()
{
    m_schedule.syncNow();
}

void frmMain::mnuCOM_Click(int index)
{
    if (m_port->isOpen())
        m_port->close();
    m_state.CommPortNumber = QString::number(index);
    QString reason;
    if (!openConfiguredPort(&reason)) {
        m_deps.boxes->exclamation(this, tr("Com Port Error"), reason);
        // The check mark stays on the item that was checked before (the click toggled it).
        showCommMenuMarks();
        return;
    }
    UpdateCommMenu();
}

void frmMain::UpdateCommMenu()
{
    bool ok = false;
    const int number = m_state.CommPortNumber.trimmed().toInt(&ok);
    m_menuPort = ok ? number : 0;
    showCommMenuMarks();
}

void frmMain::showCommMenuMarks()
{
    for (int n = 1; n <= 6; ++n)
        m_mnuCOM[n - 1]->setChecked(n == m_menuPort);
}

void frmMain::CheckN_Click(int slot)
{
    const int k = slot - 1;
    const bool ticked = m_slots[k].check->checkState() == Qt::Checked;
    // Shown in this order: start date, end date, "DST Start", "DST End".
    m_dateLabels[2 * k]->setVisible(ticked);
    m_dateLabels[2 * k + 1]->setVisible(ticked);
    m_slots[k].startCaption->setVisible(ticked);
    m_slots[k].endCaption->setVisible(ticked);
    if (ticked)
        fillDatesFromFile(slot);
}

void frmMain::fillDatesFromFile(int slot)
{
    const int k = slot - 1;
    const QLocale loc = locale();
    m_labelSources[2 * k] = {true, parseStoredDayMonth(readSetting(m_ini, settings::DSS[k]), loc)};
    m_labelSources[2 * k + 1] = {true,
                                 parseStoredDayMonth(readSetting(m_ini, settings::DSE[k]), loc)};
    completeStoredYears(slot);
}

void frmMain::completeStoredYears(int slot)
{
    const int k = slot - 1;
    LabelSource &start = m_labelSources[2 * k];
    LabelSource &end = m_labelSources[2 * k + 1];
    if (!start.fromFile && !end.fromFile)
        return;
    const CompletedWindow window =
            completeYears(start.stored, end.stored, m_deps.clock->localNow().date());
    const QLocale loc = locale();
    auto show = [&loc](const std::optional<QDate> &date) {
        return date ? formatDateLabel(*date, loc) : QString::fromLatin1(kNoDatePlaceholder);
    };
    if (start.fromFile)
        m_dateLabels[2 * k]->setText(show(window.start));
    if (end.fromFile)
        m_dateLabels[2 * k + 1]->setText(show(window.end));
}

void frmMain::lblDSS1_Click(int index)
{
    if (index < 0 || index > 7 || !m_dateLabels[index]->isVisible())
        return;
    m_state.DSTLabelNumber = qint16(index + 1);
    const bool created = !m_dateDialog;
    if (created) {
        m_dateDialog = new frmDate(nullptr);
        m_dateDialog->setWindowIcon(windowIcon());
        connect(m_dateDialog, &frmDate::dateChosen, this, &frmMain::onDateChosen);
    }
    // The prompt always names the label that "OK" will write.
    const std::optional<QDate> current = parseDateLabel(m_dateLabels[index]->text(), locale());
    m_dateDialog->setTarget(m_state.DSTLabelNumber,
                            frmDate::initialDate(m_state.DSTLabelNumber, current,
                                                 m_deps.clock->localNow().date().year()));
    m_dateDialog->show();
    m_dateDialog->raise();
    m_dateDialog->activateWindow();
}

void frmMain::onDateChosen(const QDate &date)
{
    const int element = m_state.DSTLabelNumber - 1;
    if (element < 0 || element > 7 || !date.isValid())
        return;
    m_dateLabels[element]->setText(formatDateLabel(date, locale()));
    // A picked date keeps the year the user picked.
    m_labelSources[element].fromFile = false;
}

} // namespace mrv
