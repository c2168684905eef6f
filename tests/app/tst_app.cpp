// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The main window as a user sees it: its controls, what a user's changes do to the settings,
// and start-up and shut-down through the window.

#include "AppFixture.h"
#include "Pty.h"
#include "app/DisplayControl.h"
#include "app/DisplaysWindow.h"
#include "app/SettingsStore.h"
#include "domain/DisplayFormat.h"
#include "dialogs/DisplayDialog.h"
#include "tray/TrayIcon.h"

#include <QCalendarWidget>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

using namespace mrv;

namespace {

// How the user reaches or leaves a zone list.
enum ZoneListVisit { Restored, LeftAfterTyping, EnterPressed, EnteredWithTab };

QByteArray port(int n, const QString &device)
{
    return QStringLiteral("COM%1=%2\n").arg(n).arg(device).toUtf8();
}

// Visible children of `parent` that overlap each other or stick out of it.
QStringList overlaps(const QWidget *parent)
{
    QStringList found;
    QList<const QWidget *> shown;
    for (const QWidget *w : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!w->isVisibleTo(parent) || w->objectName().isEmpty())
            continue;
        if (!parent->rect().contains(w->geometry()))
            found << w->objectName() + " sticks out";
        for (const QWidget *other : shown)
            if (w->geometry().intersects(other->geometry()))
                found << w->objectName() + " on " + other->objectName();
        shown << w;
    }
    return found;
}

// Displays kept in memory the way the settings store keeps them: numbered, display 1 first,
// a port that names no device refused with the setting named.
struct FakeDisplays final : DisplayControl
{
    QList<DisplaySettings> list;
    QMap<int, DisplayStatus> states;
    QByteArray next;
    QList<int> sent;
    int inStep = 0;

    FakeDisplays()
    {
        DisplaySettings first;
        first.port = "COM1";
        first.lineSettings = "9600,n,8,1";
        list << first;
    }
    QList<DisplaySettings> displays() const override { return list; }
    int freeDisplayNumber() const override
    {
        for (int n = 2; n <= kMaxDisplays; ++n)
            if (std::none_of(list.begin(), list.end(), [n](auto &d) { return d.number == n; }))
                return n;
        return 0;
    }
    bool setDisplay(const DisplaySettings &display, QString *why) override
    {
        if (!display.port.startsWith("COM") && !display.port.startsWith("/dev/")) {
            *why = "Port: " + display.port + " is neither COMn nor a device.";
            return false;
        }
        list.removeIf([&](auto &d) { return d.number == display.number; });
        list << display;
        std::sort(list.begin(), list.end(), [](auto &a, auto &b) { return a.number < b.number; });
        Q_EMIT displaysChanged();
        return true;
    }
    bool removeDisplay(int number, QString *) override
    {
        list.removeIf([&](auto &d) { return d.number == number; });
        Q_EMIT displaysChanged();
        return true;
    }
    QString defaultLineSettings(DisplayFormat format) const override
    {
        return format == DisplayFormat::Frame ? "9600,n,8,1" : "4800,n,8,1";
    }
    DisplayStatus status(int number) const override { return states.value(number); }
    QByteArray previewNext(int) const override { return next; }
    void sendNow(int number) override { sent << number; }
    int displaysOn() const override { return int(list.size()); }
    int displaysInStep() const override { return inStep; }
};

} // namespace

class TestApp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }

    void window_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("shown");
        const auto row = [](const char *name, const char *widget, const char *caption, bool shown) {
            QTest::newRow(name) << widget << caption << shown;
        };
        row("GMT frame", "Frame1", "GMT TIME", true);
        row("GMT clock", "lblGMT", "23:59:07", true);
        row("zone panel", "Frame5", "Time Zone 4", true);
        row("zone clock", "lblZone4", "23:59:07", true);
        row("start caption of panel 2", "Label4", "DST Start", false);
        row("end caption of panel 2", "Label3", "DST End", false);
        row("end date of panel 4", "lblDSS1_7", "--", false);
    }
    void window()
    {
        QFETCH(QString, name);
        AppFixture app;
        app.clock.now = QDateTime(QDate(2026, 12, 6), QTime(23, 59, 7));
        MainWindow &window = app.create();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QWidget *widget = app.find(name);
        QVERIFY2(widget, qPrintable(name));
        QTEST(widget->isVisible(), "shown");
        QTEST(widget->property(qobject_cast<QGroupBox *>(widget) ? "title" : "text").toString(),
              "caption");
        QCOMPARE(window.windowTitle(), "Mirovalent");
        QCOMPARE(window.centralWidget()->size(), QSize(611, 401));
        QCOMPARE(window.size(), window.maximumSize());
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!window.windowIcon().pixmap(32, 32).isNull());
        // Nothing is cut off or drawn over, dates shown or not.
        QCOMPARE(overlaps(window.centralWidget()), QStringList());
        for (int n = 1; n <= 5; ++n)
            QCOMPARE(overlaps(app.find("Frame", n)), QStringList());
        app.find<QCheckBox>("Check2")->setCheckState(Qt::Checked);
        QCOMPARE(overlaps(app.find("Frame3")), QStringList());
        // A long zone name shows its start, where the offset is; the tooltip has all of it.
        auto *list = app.find<QComboBox>("cboTimeZone1");
        list->setCurrentIndex(26);
        QCOMPARE(list->lineEdit()->cursorPosition(), 0);
        QCOMPARE(list->toolTip(), "(GMT + 8:00) Beijing,Hong Kong,Singapore");
        auto *clock = app.find<QLabel>("lblZone2");
        QCOMPARE(clock->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(clock->palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(clock->font().pointSizeF(), 14.25);
        // "Serial Port" and "Options" are in the menu bar; the tray's menu is elsewhere.
        const QList<QAction *> bar = window.menuBar()->actions();
        QCOMPARE(bar.size(), 2);
        QCOMPARE(bar.first()->text().remove('&'), "Serial Port");
        QCOMPARE(bar.last()->text().remove('&'), "Options");
        for (int n = 1; n <= 6; ++n) {
            auto *item = app.find<QAction>("mnuCOM_", n);
            QCOMPARE(item->text(), QStringLiteral("COM %1").arg(n));
            QVERIFY(item->isCheckable() && !item->isChecked());
        }
        const QList<QAction *> tray = app.find<QMenu>("mPopupSys")->actions();
        QCOMPARE(tray.size(), 5);
        QCOMPARE(tray.at(0)->text(), "Restore");
        QCOMPARE(tray.at(1)->objectName(), "mnuDisplays");
        QCOMPARE(tray.at(2)->text().remove('&'), "Start at login");
        QVERIFY(tray.at(3)->isSeparator());
        QCOMPARE(tray.at(4)->text(), "Exit");
        // The Displays window is offered in the port menu too, the same item.
        QVERIFY(app.find<QMenu>("mnuSP")->actions().contains(tray.at(1)));
    }

    void zoneListTyping_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("rowAfterEnter");
        QTest::addColumn<QString>("clock");
        QTest::newRow("exact row text") << "(GMT + 5:45) Kathmandu" << 22 << 22 << "17:45:00";
        QTest::newRow("part of a row") << "Kathmandu" << -1 << -1 << "12:00:00";
        QTest::newRow("other case") << "(gmt) london" << -1 << 13 << "12:00:00";
    }
    void zoneListTyping()
    {
        QFETCH(QString, typed);
        QFETCH(int, rowAfterEnter);
        AppFixture app;
        app.clock.now = QDateTime(QDate(2026, 12, 6), QTime(12, 0, 0));
        MainWindow &window = app.create();
        window.start();
        window.show();
        auto *list = app.find<QComboBox>("cboTimeZone1");
        list->setCurrentIndex(5);
        list->lineEdit()->selectAll();
        QTest::keyClicks(list->lineEdit(), typed);
        QTEST(list->currentIndex(), "row");
        QCOMPARE(list->currentText(), typed);
        QTest::keyClick(list->lineEdit(), Qt::Key_Return);
        QCOMPARE(list->count(), 32); // the list never grows
        QCOMPARE(list->currentIndex(), rowAfterEnter);
        // The settings follow the list, and the clock shows the new zone at once.
        QCOMPARE(app.window->settingsStore().zone(1).row, rowAfterEnter);
        QTEST(app.find<QLabel>("lblZone1")->text(), "clock");
    }

    void zoneNameShowsItsStart_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<bool>("wholeNameSelected");
        QTest::newRow("window back from the tray") << int(Restored) << false;
        QTest::newRow("list left with Tab after typing") << int(LeftAfterTyping) << false;
        QTest::newRow("Enter pressed at the end of the name") << int(EnterPressed) << false;
        QTest::newRow("list entered with Tab") << int(EnteredWithTab) << true;
    }
    void zoneNameShowsItsStart()
    {
        QFETCH(int, how);
        AppFixture app;
        app.trayUp = true;
        MainWindow &window = app.create();
        window.start();
        auto *list = app.find<QComboBox>("cboTimeZone1");
        list->setCurrentIndex(26);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QLineEdit *edit = list->lineEdit();
        list->setFocus(Qt::OtherFocusReason);
        edit->end(false);
        switch (how) {
        case Restored:
            window.hide();
            window.restoreFromTray();
            break;
        case LeftAfterTyping:
            QTest::keyClick(edit, Qt::Key_Space);
            QTest::keyClick(edit, Qt::Key_Backspace);
            // The keyboard reaches the completer's list while it is open.
            QTest::keyClick(QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                              : static_cast<QWidget *>(edit),
                            Qt::Key_Tab);
            QVERIFY(!edit->hasFocus());
            break;
        case EnterPressed:
            QTest::keyClick(edit, Qt::Key_Return);
            break;
        case EnteredWithTab:
            app.find("Check1")->setFocus(Qt::OtherFocusReason);
            QTest::keyClick(app.find("Check1"), Qt::Key_Tab, Qt::ShiftModifier);
            QVERIFY(edit->hasFocus());
            break;
        }
        QCOMPARE(list->currentIndex(), 26);
        QCOMPARE(edit->cursorPosition(), 0);
        QTEST(edit->selectedText() == list->currentText(), "wholeNameSelected");
    }

    void displayState_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("shown");
        using S = DisplayStatus::State;
        QTest::newRow("sending") << int(S::Sending) << ""
                                 << "sending";
        QTest::newRow("device unplugged") << int(S::WaitingForDevice) << "/dev/ttyUSB0 is gone"
                                          << "waiting for its device";
        QTest::newRow("port fails: its reason")
                << int(S::Failed) << "Cannot open /dev/ttyS9: no such device"
                << "Cannot open /dev/ttyS9: no such device";
        QTest::newRow("clock not synchronised") << int(S::Silent) << ""
                                                << "silent while the clock is not synchronised";
    }
    void displayState()
    {
        QFETCH(int, state);
        QFETCH(QString, error);
        AppFixture app;
        FakeDisplays displays;
        displays.states[1] = {DisplayStatus::State(state), error,
                              "\x02"
                              "12\r",
                              QDateTime(QDate(2026, 12, 6), QTime(12, 0, 5), Qt::UTC)};
        app.displays = &displays;
        app.create();
        app.find<QAction>("mnuDisplays")->trigger();
        auto *window = app.window->findChild<DisplaysWindow *>("displaysWindow");
        QVERIFY(window && window->isVisible());
        const QTreeWidgetItem *row =
                window->findChild<QTreeWidget *>("displayList")->topLevelItem(0);
        QCOMPARE(row->text(0), "1");
        QCOMPARE(row->text(1), "COM1");
        QTEST(row->text(5), "shown");
        QCOMPARE(row->text(6), "12:00:05  <STX>12<CR>");
    }

    void displaysThroughTheStore()
    {
        AppFixture app;
        MainWindow &main = app.create("[Settings]\nCommPort=3\n");
        main.start();
        main.openDisplays();
        DisplaysWindow *window = main.displaysWindow();
        auto *list = window->findChild<QTreeWidget *>("displayList");
        QCOMPARE(list->topLevelItem(0)->text(1), "COM3");

        window->findChild<QPushButton *>("btnAddDisplay")->click();
        auto *dialog = window->findChild<DisplayDialog *>("displayDialog");
        dialog->findChild<QComboBox *>("displayPort")->setCurrentText("COM2");
        dialog->findChild<QComboBox *>("displayFormat")->setCurrentIndex(1); // NMEA
        QVERIFY(dialog->findChild<QGroupBox *>("nmeaOptions")->isVisible());
        dialog->findChild<QComboBox *>("displayFormat")->setCurrentIndex(2); // standard
        QVERIFY(!dialog->findChild<QGroupBox *>("nmeaOptions")->isVisible());
        // A zone the database does not know keeps the dialog open and says so.
        dialog->findChild<QComboBox *>("displayZone")->setCurrentText("Mars/Olympus");
        dialog->accept();
        QVERIFY(dialog->findChild<QLabel *>("displayError")->text().startsWith("Zone:"));
        dialog->findChild<QComboBox *>("displayZone")->setCurrentIndex(0);
        dialog->findChild<QLineEdit *>("displayLine")->setText("fast");
        dialog->accept();
        QVERIFY(dialog->findChild<QLabel *>("displayError")->text().contains("fast"));
        QVERIFY(!main.settingsStore().display(2));
        dialog->findChild<QLineEdit *>("displayLine")->clear();
        dialog->accept();
        QTRY_VERIFY(!window->findChild<DisplayDialog *>());

        const std::optional<DisplaySettings> added = main.settingsStore().display(2);
        QVERIFY(added);
        QCOMPARE(added->port, "COM2");
        QCOMPARE(added->format, DisplayFormat::Standard);
        QCOMPARE(added->lineSettings, formatInfo(DisplayFormat::Standard).defaultLineSettings);
        QVERIFY(app.readIni().contains("COM2")); // saved at once
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(list->topLevelItem(1)->text(1), "COM2");

        app.boxes.answers = {false, true}; // removing asks first: not at the first asking
        window->findChild<QPushButton *>("btnRemoveDisplay")->click();
        QVERIFY(main.settingsStore().display(2));
        window->findChild<QPushButton *>("btnRemoveDisplay")->click();
        QVERIFY(!main.settingsStore().display(2));
        QCOMPARE(list->topLevelItemCount(), 1);

        // Display 1 changed here shows in the port menu and the interval list as well.
        window->selectDisplay(1);
        window->findChild<QPushButton *>("btnChangeDisplay")->click();
        dialog = window->findChild<DisplayDialog *>("displayDialog");
        dialog->findChild<QComboBox *>("displayPort")->setCurrentText("COM5");
        dialog->findChild<QSpinBox *>("displayInterval")->setValue(900);
        dialog->accept();
        QTRY_VERIFY(!window->findChild<DisplayDialog *>());
        QCOMPARE(app.seen().mark, 5);
        QCOMPARE(app.find<QComboBox>("cboSync")->currentText(), "15 minutes");
        main.shutDown();
    }

    void displayPreviewAndTrayTip()
    {
        AppFixture app;
        FakeDisplays displays;
        displays.next = "\x02"
                        "12:00\r";
        displays.inStep = 1;
        DisplaySettings second;
        second.number = 2;
        second.port = "COM2";
        displays.list << second;
        app.displays = &displays;
        app.create();
        QCOMPARE(app.window->trayIcon()->toolTip(), "Mirovalent\n1 of 2 displays in step");
        displays.inStep = 2;
        Q_EMIT displays.displaysUpdated();
        QCOMPARE(app.window->trayIcon()->toolTip(), "Mirovalent\n2 of 2 displays in step");

        app.window->openDisplays();
        const QString preview = app.window->displaysWindow()
                                        ->findChild<QPlainTextEdit *>("displayPreview")
                                        ->toPlainText();
        QVERIFY2(preview.contains("<STX>12:00<CR>"), qPrintable(preview));
        QVERIFY2(preview.contains("02 31 32 3A 30 30 0D"), qPrintable(preview));
        app.window->displaysWindow()->selectDisplay(2);
        app.window->displaysWindow()->findChild<QPushButton *>("btnSendNow")->click();
        QCOMPARE(displays.sent, QList<int>({2}));
    }

    void portMenuAndSync()
    {
        PtyPair two, four;
        AppFixture app;
        const QString missing = app.dir.filePath("missing");
        app.clock.now = QDateTime(QDate(2026, 12, 6), QTime(23, 59, 6));
        MainWindow &window = app.create(
                "[Settings]\nCommPort=2\nSyncInt=3\n[Zone]\nZone1=13\nZone2=22\n"
                "DST2=1\nDSS2=01 Dec\nDSE2=01 Feb\nZone3=5\nZone4=31\n[Ports]\n"
                + port(2, two.slavePath()) + port(4, four.slavePath()) + port(5, missing));
        QVERIFY(window.start());
        QCOMPARE(std::pair(app.seen().mark, app.seen().open), std::pair(2, true));
        // The frame is on the line by the time the tick is handed on to be shown, and the
        // frame and the window carry the one reading of the clock.
        QByteArray frameAtShow;
        connect(&app.keeper(), &Timekeeper::ticked, this, [&] { frameAtShow = two.read(1000, 9); });
        const qsizetype readsBefore = app.clock.calls;
        app.tickNextSecond(); // start-up armed the first frame for the first tick
        QCOMPARE(app.clock.calls - readsBefore, 1);
        QCOMPARE(frameAtShow.toHex(' '), "fe 07 3b 17 0d 96 05 1f ff");
        QCOMPARE(app.find<QLabel>("lblGMT")->text(), "23:59:07");
        QCOMPARE(app.find<QLabel>("lblZone2")->text(), "06:44:07");
        QCOMPARE(app.find<QLabel>("lblDSS1_2")->accessibleName(),
                 "Zone 2 DST start date: 01 Dec 2026");
        QCOMPARE(app.find<QLabel>("lblLastSync")->text().left(32),
                 "Last Sync On 06/12/2026 23:59:07");
        disconnect(&app.keeper(), &Timekeeper::ticked, this, nullptr);
        // Then nothing until the hour is up.
        for (int i = 0; i < 10; ++i)
            app.tickNextSecond();
        QVERIFY(two.read(100).isEmpty());
        // A port that cannot be opened: one box naming the device, the port closed, the mark
        // left where it was, and the new number kept for the settings file.
        app.find<QAction>("mnuCOM_5")->trigger();
        QCOMPARE(app.boxes.texts, QStringList {"Com Port Error"});
        QVERIFY(app.boxes.details.first().contains(missing));
        QCOMPARE(std::pair(app.seen().mark, app.seen().open), std::pair(2, false));
        QCOMPARE(app.window->settingsStore().settings().program.commPort, "5");
        app.find<QAction>("mnuCOM_4")->trigger();
        app.find<QAction>("mnuCOM_4")->trigger(); // the open port again
        QCOMPARE(std::pair(app.seen().mark, app.seen().open), std::pair(4, true));
        QCOMPARE(app.boxes.texts.size(), 1);
        // "Sync Now" sends at the next tick, not before.
        app.find<QPushButton>("cmdSyncNow")->click();
        QVERIFY(four.read(100).isEmpty());
        app.tickNextSecond();
        QCOMPARE(four.read(2000, 9).toHex(' '), "fe 12 3b 17 0d 96 05 1f ff");
    }

    void dateLabels_data()
    {
        QTest::addColumn<QString>("ending"); // OK, the close button, Escape or the main window
        QTest::addColumn<int>("first"); // opened with Space before `element` is clicked, or -1
        QTest::addColumn<int>("element");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QDate>("shown");
        QTest::addColumn<QString>("after"); // the label's text once the year has turned
        // Never on a long-past date: "OK" at once must not switch daylight saving off.
        QTest::newRow("no start date")
                << "ok" << -1 << 0 << "Zone 1 DST Start" << QDate(2026, 3, 1) << "07 Nov 2026";
        QTest::newRow("no end date")
                << "close" << -1 << 7 << "Zone 4 DST End" << QDate(2026, 10, 1) << "--";
        QTest::newRow("own date, a window that is over shows the next")
                << "escape" << -1 << 2 << "Zone 2 DST Start" << QDate(2027, 3, 28) << "28 Mar 2027";
        QTest::newRow("retargeted")
                << "ok" << 0 << 3 << "Zone 2 DST End" << QDate(2027, 10, 31) << "07 Nov 2026";
        QTest::newRow("main closed")
                << "main" << -1 << 1 << "Zone 1 DST End" << QDate(2026, 10, 1) << "--";
    }
    void dateLabels()
    {
        QFETCH(QString, ending);
        QFETCH(int, first);
        QFETCH(int, element);
        QFETCH(QString, prompt);
        AppFixture app;
        app.clock.now = QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59));
        // Every zone's box ticked; zone 2 has dates, zone 3 a window across the new year.
        MainWindow &window = app.create("[Zone]\nDST1=1\nDST2=1\nDSS2=28 Mar\nDSE2=31 Oct\n"
                                        "Zone3=31\nDST3=1\nDSS3=04 Oct\nDSE3=05 Apr\nDST4=1\n");
        window.start();
        window.show();
        const QByteArray fileBefore = app.readIni();
        if (first >= 0) // the keyboard opens it too
            QTest::keyClick(app.find<QLabel>("lblDSS1_", first), Qt::Key_Space);
        const QPointer<DateDialog> opened = window.dateDialog();
        QVERIFY(first < 0 || opened);
        QTest::mouseClick(app.find<QLabel>("lblDSS1_", element), Qt::LeftButton);
        QPointer<DateDialog> dialog = window.dateDialog();
        QVERIFY(dialog && dialog->isVisible() && !dialog->isModal() && !dialog->parentWidget());
        QVERIFY(!opened || dialog == opened); // the same dialog, pointed elsewhere
        QCOMPARE(dialog->findChild<QLabel *>("lblDSS")->text(), "Select " + prompt + " Date");
        auto *calendar = dialog->findChild<QCalendarWidget *>();
        QTEST(calendar->selectedDate(), "shown");
        calendar->setSelectedDate(QDate(2026, 11, 7));
        if (ending == "ok")
            dialog->findChild<QPushButton *>("cmdOK")->click();
        else if (ending == "close")
            dialog->close();
        else if (ending == "escape")
            QTest::keyClick(calendar, Qt::Key_Escape);
        QCOMPARE(app.readIni(), fileBefore); // nothing reaches the file before shut-down
        if (ending == "main")
            window.close();
        QTRY_VERIFY(!dialog);
        if (ending != "main") {
            // Midnight: dates from the file follow the calendar, picked ones keep their year.
            app.tickNextSecond();
            QCOMPARE(app.seen().dates.mid(4, 2), QStringList({"04 Oct 2026", "05 Apr 2027"}));
            QCOMPARE(app.keeper().lastTick().zones[2].code, quint8(31 + 128));
        }
        QTEST(app.dateText(element), "after");
        if (first >= 0)
            QCOMPARE(app.dateText(first), "--");
    }

    // A panel that follows New York's rule around its spring change, switched to manual dates
    // and back, and a panel ticked on London's row.
    void dstRule()
    {
        AppFixture app;
        app.clock.now = QDateTime(QDate(2027, 3, 14), QTime(6, 59, 59)); // the zone is UTC here
        MainWindow &window = app.create("[Zone]\nZone1=7\nDST1=1\nDSTRule1=America/New_York\n"
                                        "Zone2=13\nZone3=13\nDST3=1\n"
                                        "DSTRule3=America/New_York\n");
        // A rule five hours off its row: said once, and shown where the rule is chosen.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Zone panel 3 .*America/New_York"));
        window.start();
        window.show();
        QVERIFY(app.find<QToolButton>("btnDstRule", 3)->toolTip().contains("does not fit"));
        auto *rule = app.find<QToolButton>("btnDstRule", 1);
        QVERIFY(rule->isVisibleTo(&window));
        QCOMPARE(rule->text(), "Auto");
        QVERIFY(rule->accessibleDescription().contains("America/New_York"));
        QVERIFY(!app.find<QToolButton>("btnDstRule", 2)->isVisibleTo(&window)); // box cleared
        app.tickNextSecond(); // 07:00:00, the change
        QCOMPARE(app.keeper().lastTick().zones[0].code, quint8(7 + 128));
        QCOMPARE(app.seen().dates.mid(0, 2), QStringList({"14 Mar 2027", "07 Nov 2027"}));
        // The next change, with the local time it happens at, is a tooltip away.
        QVERIFY2(app.find<QLabel>("lblDSS1_", 0)->toolTip().contains("7 Nov 2027, 02:00 → 01:00"),
                 qPrintable(app.find<QLabel>("lblDSS1_", 0)->toolTip()));

        // A click on a date asks first; No keeps the rule and opens no dialog.
        QTest::mouseClick(app.find<QLabel>("lblDSS1_", 1), Qt::LeftButton);
        QCOMPARE(app.boxes.texts.size(), 1);
        QVERIFY(app.boxes.texts.first().contains("America/New_York"));
        QVERIFY(!window.dateDialog());
        QCOMPARE(rule->text(), "Auto");
        // Yes: manual dates, starting from the ones the rule showed; a click now opens the dialog.
        app.boxes.answers = {true};
        QTest::keyClick(app.find<QLabel>("lblDSS1_", 0), Qt::Key_Space);
        QCOMPARE(rule->text(), "Dates");
        QCOMPARE(app.seen().dates.mid(0, 2), QStringList({"14 Mar 2027", "07 Nov 2027"}));
        QCOMPARE(app.find<QLabel>("lblDSS1_", 0)->toolTip(), QString());
        QTest::mouseClick(app.find<QLabel>("lblDSS1_", 0), Qt::LeftButton);
        QVERIFY(window.dateDialog() && window.dateDialog()->isVisible());
        window.dateDialog()->close();

        // Back to the rule from the button's menu, which offers the row's zones, namesake first.
        const QList<QAction *> choices = rule->menu()->actions();
        QCOMPARE(choices.first()->text(), "Manual dates");
        QVERIFY(choices.first()->isChecked());
        QCOMPARE(choices.at(2)->text(), "America/New_York");
        QVERIFY(choices.size() > 4); // Toronto, Detroit, ... follow
        choices.at(2)->trigger();
        QCOMPARE(rule->text(), "Auto");
        QVERIFY(rule->menu()->actions().at(2)->isChecked());

        // Ticking London's box with no dates in the file follows London's rule: not yet in force.
        QTest::mouseClick(app.find<QCheckBox>("Check", 2), Qt::LeftButton);
        QCOMPARE(app.find<QToolButton>("btnDstRule", 2)->text(), "Auto");
        app.tickNextSecond();
        QCOMPARE(app.seen().dates.mid(2, 2), QStringList({"28 Mar 2027", "31 Oct 2027"}));
        QCOMPARE(app.keeper().lastTick().zones[1].code, quint8(13));
        // A row without daylight saving anywhere at its offset offers manual dates only.
        app.find<QComboBox>("cboTimeZone", 2)->setCurrentIndex(22);
        QCOMPARE(app.find<QToolButton>("btnDstRule", 2)->text(), "Dates");
        QVERIFY(!app.find<QToolButton>("btnDstRule", 2)->isEnabled());

        QVERIFY(window.shutDown());
        const QByteArray saved = app.readIni();
        for (const char *key : {"DSTRule1=America/New_York\n", "DSS1=14 Mar\n", "DSE1=07 Nov\n"})
            QVERIFY2(saved.contains(key), saved.constData());
        QVERIFY(!saved.contains("DSTRule2=Europe/London"));
    }

    // Start-up from the file, then clicks on panel 1's box: what the user sees.
    void load_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<int>("clicks"); // on panel 1's box once started
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QList<int>>("boxes"); // as the file numbers them
        QTest::addColumn<QStringList>("dates"); // on screen, "" when hidden
        QTest::addColumn<QList<int>>("schedule"); // interval, count
        QTest::addColumn<int>("mark");
        QTest::addColumn<QString>("interval"); // what the interval list shows
        QTest::addColumn<bool>("busy"); // another program holds the port open first
        const QList<int> none {-1, -1, -1, -1}, cleared {0, 0, 0, 0};
        const QStringList hidden(8);
        const auto row = [&](const char *name, const QByteArray &ini, int mark,
                             QList<int> schedule = {60, 59}, const char *interval = "1 minute",
                             QList<int> boxes = {0, 0, 0, 0}, QStringList dates = QStringList(8),
                             QList<int> rows = {-1, -1, -1, -1}, int clicks = 0,
                             bool busy = false) {
            QTest::newRow(name) << ini << clicks << rows << boxes << dates << schedule << mark
                                << interval << busy;
        };
        row("good",
            "[Zone]\nZone1=13\nDST1=0\nZone2=22\nDST2=1\nDSS2=28 Mar\nDSE2=31 Oct\nZone3=5\n"
            "DST3=1\nDSS3=01 Oct\nDSE3=01 Apr\nZone4=31\n[Settings]\nSyncInt=2\nCommPort=4\n",
            4, {1800, 1799}, "30 minutes", {0, 1, 1, 0},
            {"", "", "28 Mar 2027", "31 Oct 2027", "01 Oct 2026", "01 Apr 2027", "", ""},
            {13, 22, 5, 31});
        row("greyed, and ticked without dates",
            "[Zone]\nDST1=2\nDSS1=01 Jan\nDSE1=01 Feb\nDST4=1\n", 1, {60, 59}, "1 minute",
            {2, 0, 0, 1}, {"", "", "", "", "", "", "--", "--"});
        row("junk and out of range",
            "[Zone]\nZone1=abc\nDST1=yes\nZone2=1x\nZone3=32\nZone4=-2\nDST2=3\nDST3=-1\n"
            "[Settings]\nSyncInt=4\n\x01\x02\xff garbage\n",
            1);
        row("every second, port beyond the menu", "[Settings]\nSyncInt=-1\nCommPort=9\n", 0, {1, 0},
            "Every second");
        row("a port that is no number runs on COM 1", "[Settings]\nCommPort=COM3\n", 1);
        row("unusable line settings run on the default ones",
            "[Settings]\nCommPort=2\nSetting=9600,n,8,1.5\n", 2);
        row("busy port", "[Settings]\nCommPort=4\n", 4, {60, 0}, "1 minute", cleared, hidden, none,
            0, true);
        // Panel 1's box, clicked: never greyed by a click, and its dates as the file has them.
        const auto clicked = [&](const char *name, const char *zone, int clicks, int box,
                                 const QStringList &dates) {
            row(name, "[Zone]\n" + QByteArray(zone), 1, {60, 59}, "1 minute", {box, 0, 0, 0},
                dates + QStringList(6), none, clicks);
        };
        clicked("a click on a greyed box ticks it", "DST1=2\nDSS1=01 Jan\nDSE1=01 Feb\n", 1, 1,
                {"01 Jan 2027", "01 Feb 2027"});
        clicked("a second click clears it", "DST1=2\n", 2, 0, {"", ""});
        clicked("a third click ticks it again, never greys it", "DST1=2\n", 3, 1, {"--", "--"});
        clicked("ticking brings the file's dates back", "DST1=1\nDSS1=01 Jan\nDSE1=01 Feb\n", 2, 1,
                {"01 Jan 2027", "01 Feb 2027"});
    }
    void load()
    {
        QFETCH(QByteArray, ini);
        QFETCH(int, clicks);
        QFETCH(bool, busy);
        PtyPair display;
        SerialPort other;
        QVERIFY(!busy || other.open(display.slavePath(), "9600,n,8,1"));
        AppFixture app;
        // Every port number the table uses leads to the one pseudo-terminal.
        ini += "\n[Ports]\n";
        for (int n : {1, 2, 4, 9})
            ini += port(n, display.slavePath());
        MainWindow &window = app.create(ini);
        const bool opened = window.start();
        auto *check = app.find<QCheckBox>("Check1");
        window.settingsStore().pickDstDate(1, true, QDate(2026, 5, 5)); // clearing forgets it
        for (int i = 0; i < clicks; ++i)
            QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, check->height() / 2));
        const Seen seen = app.seen();
        QTEST(seen.rows, "rows");
        QTEST(seen.boxes, "boxes");
        QCOMPARE(int(window.settingsStore().zone(1).observeDst), seen.boxes.first());
        QTEST(seen.dates, "dates");
        const SyncSchedule &schedule = app.keeper().display(1)->schedule();
        QTEST(QList<int>({schedule.interval(), schedule.counter()}), "schedule");
        QTEST(seen.mark, "mark");
        QCOMPARE(seen.open, !busy);
        QTEST(app.find<QComboBox>("cboSync")->currentText(), "interval");
        QCOMPARE(app.boxes.texts, opened ? QStringList() : QStringList {"COM Port Error"});
        // No tray: the window stays open, neither hidden nor minimised.
        QTest::qWait(100);
        QVERIFY(!opened || (window.isVisible() && !window.isMinimized()));
        const QString details = app.boxes.details.value(0);
        QVERIFY(opened || details.contains("Serial Port"));
        QVERIFY(!busy || details.contains(display.slavePath()));
        QVERIFY(!window.trayIcon()->isVisible());
    }

    void shutDown()
    {
        AppFixture app;
        MainWindow &window = app.create("[Settings]\nCommPort=3\n[Ports]\nCOM3=/nonexistent/x\n");
        QVERIFY(!window.start());
        QVERIFY(app.boxes.details.value(0).contains("/nonexistent/x"));
        QCOMPARE(app.readIni(), "[Settings]\nCommPort=3\n[Ports]\nCOM3=/nonexistent/x\n");
        // What the user changes in the window is what shut-down saves.
        app.find<QComboBox>("cboTimeZone1")->setCurrentIndex(14);
        app.find<QComboBox>("cboTimeZone2")->setCurrentIndex(22);
        app.find<QComboBox>("cboSync")->setCurrentIndex(2);
        app.find<QCheckBox>("Check2")->setCheckState(Qt::Checked);
        window.show();
        QTest::mouseClick(app.find<QLabel>("lblDSS1_2"), Qt::LeftButton);
        window.dateDialog()->findChild<QCalendarWidget *>()->setSelectedDate(QDate(2026, 3, 28));
        window.dateDialog()->findChild<QPushButton *>("cmdOK")->click();
        app.find<QCheckBox>("Check4")->setCheckState(Qt::Checked); // "--" dates
        window.shutDown();
        const QByteArray after = "[Settings]\nCommPort=3\nSyncInt=2\nSetting=9600,n,8,1\n"
                                 "[Ports]\nCOM3=/nonexistent/x\n[Zone]\nZone1=14\nZone2=22\n"
                                 "Zone3=-1\nZone4=-1\nDST1=0\nDST2=1\nDST3=0\nDST4=1\n"
                                 "DSS2=28 Mar\n";
        QCOMPARE(app.readIni(), after);
        // Shut-down saves once per run, whichever way out comes next.
        app.find<QComboBox>("cboTimeZone1")->setCurrentIndex(5);
        window.close();
        QCOMPARE(app.readIni(), after);
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
