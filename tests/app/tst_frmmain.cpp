// The main window as a user sees it: its controls, the zone lists, the port menu, the sync on
// "Sync Now", and the date dialog opened from the date labels.

#include "AppFixture.h"
#include "Pty.h"

#include "sync/SerialPort.h"

#include <QAction>
#include <QCalendarWidget>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

using namespace mrv;

namespace {

QString caption(QWidget *widget)
{
    if (auto *box = qobject_cast<QGroupBox *>(widget))
        return box->title();
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        return button->text();
    return qobject_cast<QLabel *>(widget)->text();
}

// A shown window with every zone's box ticked; only zone 2 has stored dates.
frmMain &windowWithTickedZones(AppFixture &app)
{
    app.writeIni("[Zone]\nDST1=1\nDST2=1\nDSS2=28 Mar\nDSE2=31 Oct\nDST3=1\nDST4=1\n");
    frmMain &window = app.create();
    window.Form_Load();
    window.show();
    return window;
}

} // namespace

class TestFrmMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }

    void controls_data();
    void controls();
    void window();
    void zoneListTyping_data();
    void zoneListTyping();
    void portMenu();
    void syncNowSendsFrameAtNextTick();
    void dateDialogOpensOnLabel_data();
    void dateDialogOpensOnLabel();
    void dateDialogOkWritesTheLastClickedLabel();
    void dateDialogClosingWritesNothing_data();
    void dateDialogClosingWritesNothing();
};

void TestFrmMain::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("shown");

    // Pixels are the layout's twips divided by 15, relative to the parent frame.
    QTest::newRow("GMT frame") << "Frame1"
                               << "GMT TIME" << QRect(24, 16, 137, 65) << true;
    QTest::newRow("GMT clock") << "lblGMT"
                               << "00:00:00" << QRect(16, 24, 105, 25) << true;
    QTest::newRow("sync frame") << "Frame6"
                                << "Sync Interval" << QRect(24, 96, 137, 57) << true;
    QTest::newRow("sync now") << "cmdSyncNow"
                              << "Sync Now" << QRect(24, 224, 129, 33) << true;
    QTest::newRow("zone 4") << "Frame5"
                            << "Time Zone 4" << QRect(176, 304, 417, 89) << true;
    QTest::newRow("zone 4 box") << "Check4"
                                << "Observe DST" << QRect(16, 56, 113, 17) << true;
    QTest::newRow("zone 2 start") << "Label4"
                                  << "DST Start" << QRect(144, 56, 57, 17) << false;
    QTest::newRow("zone 2 end") << "Label3"
                                << "DST End" << QRect(280, 56, 49, 17) << false;
    QTest::newRow("zone 4 end date") << "lblDSS1_7"
                                     << "" << QRect(336, 56, 73, 17) << false;
}

void TestFrmMain::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, geometry);
    QFETCH(bool, shown);

    AppFixture app;
    app.clock.now = QDateTime(QDate(2026, 1, 1), QTime(0, 0, 0));
    frmMain &window = app.create();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *widget = app.find<QWidget>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->isVisible(), shown);
    QCOMPARE(::caption(widget).remove(QLatin1Char('&')), caption);
}

void TestFrmMain::window()
{
    AppFixture app;
    app.clock.now = QDateTime(QDate(2026, 12, 6), QTime(23, 59, 7));
    frmMain &window = app.create();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QStringLiteral("Mirovalent"));
    QCOMPARE(window.centralWidget()->size(), QSize(611, 401));
    QCOMPARE(window.size(), window.maximumSize());
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!window.windowIcon().pixmap(32, 32).isNull());

    // The clocks show the time from the start, red on black.
    auto *clock = app.find<QLabel>(QStringLiteral("lblZone2"));
    QCOMPARE(clock->text(), QStringLiteral("23:59:07"));
    QCOMPARE(clock->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(clock->palette().color(QPalette::Window), QColor(Qt::black));
    QCOMPARE(clock->font().pointSizeF(), 14.25);

    // Only "Serial Port" is in the menu bar; the tray's menu is elsewhere.
    const QList<QAction *> bar = window.menuBar()->actions();
    QCOMPARE(bar.size(), 1);
    QCOMPARE(bar.first()->text().remove(QLatin1Char('&')), QStringLiteral("Serial Port"));
    for (int n = 1; n <= 6; ++n) {
        auto *item = app.find<QAction>(QStringLiteral("mnuCOM_%1").arg(n));
        QCOMPARE(item->text(), QStringLiteral("COM %1").arg(n));
        QVERIFY(item->isCheckable() && !item->isChecked());
    }
    const QList<QAction *> tray = app.find<QMenu>(QStringLiteral("mPopupSys"))->actions();
    QCOMPARE(tray.size(), 2);
    QCOMPARE(tray.at(0)->text(), QStringLiteral("Restore"));
    QCOMPARE(tray.at(1)->text(), QStringLiteral("Exit"));
}

void TestFrmMain::zoneListTyping_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("rowAfterEnter");

    QTest::newRow("exact row text") << "(GMT + 5:45) Kathmandu" << 22 << 22;
    QTest::newRow("part of a row") << "Kathmandu" << -1 << -1;
    // Enter picks the row that differs only in case, and then shows its real text.
    QTest::newRow("other case") << "(gmt) london" << -1 << 13;
}

void TestFrmMain::zoneListTyping()
{
    QFETCH(QString, typed);
    QFETCH(int, row);
    QFETCH(int, rowAfterEnter);

    AppFixture app;
    frmMain &window = app.create();
    window.Form_Load();
    window.show();
    auto *list = app.find<QComboBox>(QStringLiteral("cboTimeZone1"));
    QCOMPARE(list->count(), 32);
    QCOMPARE(list->itemText(31), QStringLiteral("(GMT + 12:00) Auckland,Fiji"));

    list->setCurrentIndex(5);
    list->lineEdit()->selectAll();
    QTest::keyClicks(list->lineEdit(), typed);
    QCOMPARE(list->currentIndex(), row);
    QCOMPARE(list->currentText(), typed);
    QTest::keyClick(list->lineEdit(), Qt::Key_Return);
    QCOMPARE(list->count(), 32); // the list never grows
    QCOMPARE(list->currentIndex(), rowAfterEnter);

    app.clock.now = QDateTime(QDate(2026, 12, 6), QTime(12, 0, 0));
    window.UpdateClocks();
    QCOMPARE(app.find<QLabel>(QStringLiteral("lblZone1"))->text(),
             rowAfterEnter == 22 ? QStringLiteral("17:45:00") : QStringLiteral("12:00:00"));
}

void TestFrmMain::portMenu()
{
    PtyPair two;
    PtyPair four;
    AppFixture app;
    app.writeIni(QStringLiteral("[Settings]\nCommPort=2\n[Ports]\nCOM2=%1\nCOM4=%2\nCOM5=%3\n")
                         .arg(two.slavePath(), four.slavePath(),
                              app.dir.filePath(QStringLiteral("missing")))
                         .toUtf8());
    frmMain &window = app.create();
    QVERIFY(window.Form_Load());
    QCOMPARE(app.checkedPorts(), QList<int> {2});

    // A port that cannot be opened: a box naming the device, the port closed, the mark left
    // where it was, and the new number kept for the settings file.
    app.find<QAction>(QStringLiteral("mnuCOM_5"))->trigger();
    QCOMPARE(app.boxes.shown.size(), 1);
    QCOMPARE(app.boxes.shown.first().text, QStringLiteral("Com Port Error"));
    QVERIFY(app.boxes.shown.first().details.contains(app.dir.filePath(QStringLiteral("missing"))));
    QVERIFY(!window.port().isOpen());
    QCOMPARE(app.checkedPorts(), QList<int> {2});

    app.find<QAction>(QStringLiteral("mnuCOM_4"))->trigger();
    QCOMPARE(window.port().device(), four.slavePath());
    QCOMPARE(app.checkedPorts(), QList<int> {4});
    // Choosing the open port again reopens it; the mark stays.
    app.find<QAction>(QStringLiteral("mnuCOM_4"))->trigger();
    QVERIFY(window.port().isOpen());
    QCOMPARE(app.checkedPorts(), QList<int> {4});
    QCOMPARE(app.boxes.shown.size(), 1);
}

void TestFrmMain::syncNowSendsFrameAtNextTick()
{
    PtyPair display;
    AppFixture app;
    app.writeIni(QStringLiteral("[Settings]\nCommPort=1\nSyncInt=3\n[Zone]\nZone1=13\n"
                                "Zone2=22\nDST2=1\nDSS2=01 Dec\nDSE2=01 Feb\nZone3=5\nZone4=31\n"
                                "[Ports]\nCOM1=%1\n")
                         .arg(display.slavePath())
                         .toUtf8());
    app.clock.now = QDateTime(QDate(2026, 12, 6), QTime(23, 59, 7));
    frmMain &window = app.create();
    QVERIFY(window.Form_Load());

    // Start-up armed the first frame for the first tick.
    window.UpdateClocks();
    window.Timer2_Timer();
    QCOMPARE(display.read(2000, 9).toHex(' '), QByteArray("fe 07 3b 17 0d 96 05 1f ff"));
    QVERIFY(app.find<QLabel>(QStringLiteral("lblLastSync"))
                    ->text()
                    .startsWith(QStringLiteral("Last Sync On 06/12/2026 23:59:07")));

    // Nothing more until the hour is up, or "Sync Now" and the next tick.
    for (int i = 0; i < 10; ++i)
        window.Timer2_Timer();
    app.find<QPushButton>(QStringLiteral("cmdSyncNow"))->click();
    QVERIFY(display.read(100).isEmpty());
    app.clock.now = app.clock.now.addSecs(1);
    window.UpdateClocks();
    window.Timer2_Timer();
    QCOMPARE(display.read(2000, 9).toHex(' '), QByteArray("fe 08 3b 17 0d 96 05 1f ff"));
}

void TestFrmMain::dateDialogOpensOnLabel_data()
{
    QTest::addColumn<int>("element");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QDate>("shown");

    // Never on a long-past date: "OK" at once must not switch daylight saving off.
    QTest::newRow("zone 1 start, no date")
            << 0 << "Select Zone 1 DST Start Date" << QDate(2026, 3, 1);
    QTest::newRow("zone 3 end, no date") << 5 << "Select Zone 3 DST End Date" << QDate(2026, 10, 1);
    QTest::newRow("zone 2 start") << 2 << "Select Zone 2 DST Start Date" << QDate(2026, 3, 28);
    QTest::newRow("zone 2 end") << 3 << "Select Zone 2 DST End Date" << QDate(2026, 10, 31);
}

void TestFrmMain::dateDialogOpensOnLabel()
{
    QFETCH(int, element);
    QFETCH(QString, prompt);
    QFETCH(QDate, shown);

    AppFixture app;
    frmMain &window = windowWithTickedZones(app);
    QTest::mouseClick(app.find<QLabel>(QStringLiteral("lblDSS1_%1").arg(element)), Qt::LeftButton);
    QCOMPARE(window.state().DSTLabelNumber, qint16(element + 1));
    frmDate *dialog = window.dateDialog();
    QVERIFY(dialog && dialog->isVisible() && !dialog->isModal() && !dialog->parentWidget());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Daylight Saving Setting"));
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("lblDSS"))->text(), prompt);
    QCOMPARE(dialog->findChild<QCalendarWidget *>()->selectedDate(), shown);
}

void TestFrmMain::dateDialogOkWritesTheLastClickedLabel()
{
    AppFixture app;
    frmMain &window = windowWithTickedZones(app);
    const QByteArray fileBefore = app.readIni();
    auto *label = app.find<QLabel>(QStringLiteral("lblDSS1_0"));
    label->setFocus();
    QTest::keyClick(label, Qt::Key_Space); // the keyboard opens it too
    QPointer<frmDate> dialog = window.dateDialog();
    QVERIFY(dialog);

    // A second label clicked while it is open: prompt and calendar follow, "OK" writes there.
    window.lblDSS1_Click(3);
    QCOMPARE(window.dateDialog(), dialog.data());
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("lblDSS"))->text(),
             QStringLiteral("Select Zone 2 DST End Date"));
    dialog->findChild<QCalendarWidget *>()->setSelectedDate(QDate(2026, 11, 7));
    dialog->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
    QCOMPARE(app.dateText(3), QStringLiteral("07 Nov 2026"));
    QCOMPARE(app.dateText(0), QStringLiteral("--"));
    QTRY_VERIFY(!dialog);
    QCOMPARE(app.readIni(), fileBefore); // nothing reaches the file before shut-down

    // Closing the main window closes a dialog that is still open.
    window.lblDSS1_Click(1);
    dialog = window.dateDialog();
    window.close();
    QVERIFY(window.isUnloaded());
    QTRY_VERIFY(!dialog);
}

void TestFrmMain::dateDialogClosingWritesNothing_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("close button") << false;
    QTest::newRow("escape key") << true;
}

void TestFrmMain::dateDialogClosingWritesNothing()
{
    QFETCH(bool, escape);
    AppFixture app;
    frmMain &window = windowWithTickedZones(app);
    window.lblDSS1_Click(2);
    QPointer<frmDate> dialog = window.dateDialog();
    auto *calendar = dialog->findChild<QCalendarWidget *>();
    calendar->setSelectedDate(QDate(2030, 1, 1));
    if (escape)
        QTest::keyClick(calendar, Qt::Key_Escape);
    else
        dialog->close();
    QTRY_VERIFY(!dialog);
    QCOMPARE(app.dateText(2), QStringLiteral("28 Mar 2026"));
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
