// The main window as a user sees it, and its start-up from and shut-down into the settings file.

#include "AppFixture.h"
#include "Pty.h"
#include "sync/SerialPort.h"
#include "tray/TrayIcon.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

using namespace mrv;

namespace {

// "zone rows|boxes as the file numbers them (1 ticked, 2 greyed)|date labels on screen, "" for
// hidden ones|interval counter|checked port items, and whether the port is open".
QString summary(const AppFixture &app)
{
    QStringList rows, boxes, dates, marks;
    for (int n = 1; n <= 4; ++n) {
        rows << QString::number(app.find<QComboBox>("cboTimeZone", n)->currentIndex());
        boxes << QString::number(QList {0, 2, 1}.at(app.find<QCheckBox>("Check", n)->checkState()));
    }
    for (int e = 0; e < 8; ++e) {
        auto *label = app.find<QLabel>("lblDSS1_", e);
        dates << (label->isVisibleTo(app.window.get()) ? label->text() : QString());
    }
    for (int n = 1; n <= 6; ++n)
        if (app.find<QAction>("mnuCOM_", n)->isChecked())
            marks << QString::number(n);
    const SyncSchedule &schedule = app.window->schedule();
    return QStringList {rows.join(' '), boxes.join(' '), dates.join(','),
                        QStringLiteral("%1 %2").arg(schedule.interval()).arg(schedule.counter()),
                        marks.join(' ') + (app.window->port().isOpen() ? " open" : " shut")}
            .join('|');
}

QByteArray port(int n, const QString &device)
{
    return QStringLiteral("COM%1=%2\n").arg(n).arg(device).toUtf8();
}

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
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("shown");
        // Pixels are the layout's twips divided by 15, relative to the parent frame.
        QTest::newRow("frame") << "Frame1" << QRect(24, 16, 137, 65) << "GMT TIME" << true;
        QTest::newRow("clock") << "lblGMT" << QRect(16, 24, 105, 25) << "23:59:07" << true;
        QTest::newRow("caption") << "Label4" << QRect(144, 56, 57, 17) << "DST Start" << false;
        QTest::newRow("date") << "lblDSS1_7" << QRect(336, 56, 73, 17) << "" << false;
    }
    void window()
    {
        QFETCH(QString, name);
        AppFixture app;
        app.clock.now = QDateTime(QDate(2026, 12, 6), QTime(23, 59, 7));
        frmMain &window = app.create();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QWidget *widget = app.find(name);
        QVERIFY2(widget, qPrintable(name));
        QTEST(widget->geometry(), "geometry");
        QTEST(widget->isVisible(), "shown");
        QTEST(widget->property(qobject_cast<QGroupBox *>(widget) ? "title" : "text").toString(),
              "caption");
        QCOMPARE(window.windowTitle(), "Mirovalent");
        QCOMPARE(window.centralWidget()->size(), QSize(611, 401));
        QCOMPARE(window.size(), window.maximumSize());
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!window.windowIcon().pixmap(32, 32).isNull());
        auto *clock = app.find<QLabel>("lblZone2");
        QCOMPARE(clock->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(clock->palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(clock->font().pointSizeF(), 14.25);
        // Only "Serial Port" is in the menu bar; the tray's menu is elsewhere.
        const QList<QAction *> bar = window.menuBar()->actions();
        QCOMPARE(bar.size(), 1);
        QCOMPARE(bar.first()->text().remove('&'), "Serial Port");
        for (int n = 1; n <= 6; ++n) {
            auto *item = app.find<QAction>("mnuCOM_", n);
            QCOMPARE(item->text(), QStringLiteral("COM %1").arg(n));
            QVERIFY(item->isCheckable() && !item->isChecked());
        }
        const QList<QAction *> tray = app.find<QMenu>("mPopupSys")->actions();
        QCOMPARE(tray.size(), 2);
        QCOMPARE(tray.at(0)->text(), "Restore");
        QCOMPARE(tray.at(1)->text(), "Exit");
    }

    void zoneListTyping_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("rowAfterEnter");
        QTest::newRow("exact row text") << "(GMT + 5:45) Kathmandu" << 22 << 22;
        QTest::newRow("part of a row") << "Kathmandu" << -1 << -1;
        QTest::newRow("other case") << "(gmt) london" << -1 << 13;
    }
    void zoneListTyping()
    {
        QFETCH(QString, typed);
        QFETCH(int, rowAfterEnter);
        AppFixture app;
        frmMain &window = app.create();
        window.Form_Load();
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
        app.clock.now = QDateTime(QDate(2026, 12, 6), QTime(12, 0, 0));
        window.UpdateClocks();
        QCOMPARE(app.find<QLabel>("lblZone1")->text(),
                 rowAfterEnter == 22 ? "17:45:00" : "12:00:00");
    }

    void portMenuAndSync()
    {
        PtyPair two, four;
        AppFixture app;
        const QString missing = app.dir.filePath("missing");
        app.clock.now = QDateTime(QDate(2026, 12, 6), QTime(23, 59, 7));
        frmMain &window = app.create(
                "[Settings]\nCommPort=2\nSyncInt=3\n[Zone]\nZone1=13\nZone2=22\n"
                "DST2=1\nDSS2=01 Dec\nDSE2=01 Feb\nZone3=5\nZone4=31\n[Ports]\n"
                + port(2, two.slavePath()) + port(4, four.slavePath()) + port(5, missing));
        QVERIFY(window.Form_Load());
        QCOMPARE(summary(app).section('|', 4), "2 open");
        // Start-up armed the first frame for the first tick; then nothing until the hour is up.
        window.UpdateClocks();
        window.Timer2_Timer();
        QCOMPARE(two.read(2000, 9).toHex(' '), "fe 07 3b 17 0d 96 05 1f ff");
        QCOMPARE(app.find<QLabel>("lblLastSync")->text().left(32),
                 "Last Sync On 06/12/2026 23:59:07");
        for (int i = 0; i < 10; ++i)
            window.Timer2_Timer();
        QVERIFY(two.read(100).isEmpty());
        // A port that cannot be opened: one box naming the device, the port closed, the mark
        // left where it was, and the new number kept for the settings file.
        app.find<QAction>("mnuCOM_5")->trigger();
        QCOMPARE(app.boxes.texts, QStringList {"Com Port Error"});
        QVERIFY(app.boxes.details.first().contains(missing));
        QCOMPARE(summary(app).section('|', 4), "2 shut");
        QCOMPARE(window.state().CommPortNumber, "5");
        app.find<QAction>("mnuCOM_4")->trigger();
        QCOMPARE(summary(app).section('|', 4), "4 open");
        app.find<QAction>("mnuCOM_4")->trigger(); // the open port again
        QCOMPARE(summary(app).section('|', 4), "4 open");
        QCOMPARE(app.boxes.texts.size(), 1);
        // "Sync Now" sends at the next tick, not before.
        app.find<QPushButton>("cmdSyncNow")->click();
        QVERIFY(four.read(100).isEmpty());
        app.clock.now = app.clock.now.addSecs(1);
        window.UpdateClocks();
        window.Timer2_Timer();
        QCOMPARE(four.read(2000, 9).toHex(' '), "fe 08 3b 17 0d 96 05 1f ff");
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
        QTest::newRow("own date") << "escape" << -1 << 2 << "Zone 2 DST Start" << QDate(2026, 3, 28)
                                  << "28 Mar 2027";
        QTest::newRow("retargeted")
                << "ok" << 0 << 3 << "Zone 2 DST End" << QDate(2026, 10, 31) << "07 Nov 2026";
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
        frmMain &window = app.create("[Zone]\nDST1=1\nDST2=1\nDSS2=28 Mar\nDSE2=31 Oct\nZone3=31\n"
                                     "DST3=1\nDSS3=04 Oct\nDSE3=05 Apr\nDST4=1\n");
        window.Form_Load();
        window.show();
        const QByteArray fileBefore = app.readIni();
        if (first >= 0) // the keyboard opens it too
            QTest::keyClick(app.find<QLabel>("lblDSS1_", first), Qt::Key_Space);
        const QPointer<frmDate> opened = window.dateDialog();
        QVERIFY(first < 0 || opened);
        QTest::mouseClick(app.find<QLabel>("lblDSS1_", element), Qt::LeftButton);
        QPointer<frmDate> dialog = window.dateDialog();
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
            // Midnight: dates from the file move to the new year, picked ones keep theirs.
            app.clock.now = app.clock.now.addSecs(1);
            window.UpdateClocks();
            QCOMPARE(summary(app).section('|', 2, 2).section(',', 4, 5), "04 Oct 2026,05 Apr 2027");
            QCOMPARE(window.state().ZoneCode[2], quint8(31 + 128));
        }
        QTEST(app.dateText(element), "after");
        if (first >= 0)
            QCOMPARE(app.dateText(first), "--");
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("busy"); // another program holds the port open first
        QTest::addColumn<QString>("state");
        const QString plain = "-1 -1 -1 -1|0 0 0 0|,,,,,,,|";
        QTest::newRow("good") << QByteArray("[Zone]\nZone1=13\nDST1=0\nZone2=22\nDST2=1\n"
                                            "DSS2=28 Mar\nDSE2=31 Oct\nZone3=5\nDST3=1\n"
                                            "DSS3=01 Oct\nDSE3=01 Apr\nZone4=31\n"
                                            "[Settings]\nSyncInt=2\nCommPort=4\n")
                              << false
                              << "13 22 5 31|0 1 1 0|,,28 Mar 2026,31 Oct 2026,01 Oct 2026,"
                                 "01 Apr 2027,,|1800 1799|4 open";
        QTest::newRow("greyed, and ticked without dates")
                << QByteArray("[Zone]\nDST1=2\nDSS1=01 Jan\nDSE1=01 Feb\nDST4=1\n") << false
                << "-1 -1 -1 -1|2 0 0 1|,,,,,,--,--|60 59|1 open";
        QTest::newRow("junk and out of range")
                << QByteArray("[Zone]\nZone1=abc\nDST1=yes\nZone2=1x\nZone3=32\nZone4=-2\nDST2=3\n"
                              "DST3=-1\n[Settings]\nSyncInt=4\n\x01\x02\xff garbage\n")
                << false << plain + "60 59|1 open";
        QTest::newRow("no interval, port beyond the menu")
                << QByteArray("[Settings]\nSyncInt=-1\nCommPort=9\n") << false
                << plain + "0 -1| open";
        QTest::newRow("port that is no number")
                << QByteArray("[Settings]\nCommPort=COM3\n") << false << plain + "60 0| shut";
        QTest::newRow("1.5 stop bits")
                << QByteArray("[Settings]\nCommPort=2\nSetting=9600,n,8,1.5\n") << false
                << plain + "60 0|2 shut";
        QTest::newRow("busy port")
                << QByteArray("[Settings]\nCommPort=4\n") << true << plain + "60 0|4 shut";
    }
    void load()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, busy);
        PtyPair display;
        SerialPort other;
        QVERIFY(!busy || other.open(display.slavePath(), "9600,n,8,1"));
        AppFixture app;
        // Every port number the table uses leads to the one pseudo-terminal.
        ini += "\n[Ports]\n";
        for (int n : {1, 2, 4, 9})
            ini += port(n, display.slavePath());
        frmMain &window = app.create(ini);
        const bool opened = window.Form_Load();
        QTEST(summary(app), "state");
        QCOMPARE(app.boxes.texts, opened ? QStringList() : QStringList {"COM Port Error"});
        // No tray here (offscreen): never hidden without an icon to bring it back.
        QTRY_VERIFY(!opened || (window.isVisible() && window.isMinimized()));
        const QString details = app.boxes.details.value(0);
        QVERIFY(opened || details.contains("Serial Port"));
        QVERIFY(!busy || details.contains(display.slavePath()));
        QVERIFY(!window.trayIcon()->isVisible());
    }

    void unload_data()
    {
        QTest::addColumn<QByteArray>("before"); // null: no file yet
        QTest::addColumn<QString>("device");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("new file")
                << QByteArray() << "/dev/ttyS0"
                << QByteArray("[Settings]\nCommPort=1\nSyncInt=0\nSetting=9600,n,8,1\n"
                              "[Zone]\nZone1=14\nZone2=22\nZone3=-1\nZone4=-1\n"
                              "DST1=0\nDST2=1\nDST3=0\nDST4=1\n"
                              "DSS2=28 Mar\nDSE2=31 Oct\n");
        // Values change in place with the file's own spelling, spacing and line ends; new keys
        // go after the last key of their section; everything else stays byte for byte.
        const QByteArray edited = "; edited by hand\r\n[Settings]\r\nCommPort = 3\r\n"
                                  "Setting=9600,n,8,1\r\nSyncInt=\"1\"\r\n\r\n[Ports]\r\n"
                                  "COM3=/nonexistent/display\r\n[zone]\r\nzone1=13\r\nDST1=1\r\n"
                                  "DSS1=05 Jul\r\nDSE1=06 Aug\r\nDST3=0\r\nDSS3=01 Jan\r\n"
                                  "Extra=keep me ; really\r\n";
        QTest::newRow("edited by hand")
                << edited << "/nonexistent/display"
                << QByteArray(edited)
                           .replace("SyncInt=\"1\"", "SyncInt=1")
                           .replace("zone1=13", "zone1=14")
                           .append("Zone2=22\r\nZone3=-1\r\nZone4=-1\r\nDST2=1\r\nDST4=1\r\n"
                                   "DSS2=28 Mar\r\nDSE2=31 Oct\r\n");
    }
    void unload()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, device);
        AppFixture app;
        frmMain &window = app.create(before);
        const bool opened = window.Form_Load();
        QCOMPARE(app.readIni(), before); // start-up never writes
        QCOMPARE(QFile::exists(app.iniPath()), !before.isNull());
        const QString details = app.boxes.details.value(0); // names the device, says what to do
        QVERIFY(opened || (details.contains(device) && details.contains("Serial Port")));
        QVERIFY(!before.isNull() || summary(app).startsWith("-1 -1 -1 -1|0 0 0 0|,,,,,,,|60 "));
        app.find<QComboBox>("cboTimeZone1")->setCurrentIndex(14);
        app.find<QComboBox>("cboTimeZone2")->setCurrentIndex(22);
        app.find<QCheckBox>("Check2")->setCheckState(Qt::Checked);
        app.find<QLabel>("lblDSS1_2")->setText("28 Mar 2026");
        app.find<QLabel>("lblDSS1_3")->setText("31 Oct 2026");
        app.find<QCheckBox>("Check4")->setCheckState(Qt::Checked); // "--" dates
        window.Form_Unload();
        QTEST(app.readIni(), "after");
        // Shut-down saves once per run, whichever way out comes next.
        app.find<QComboBox>("cboTimeZone1")->setCurrentIndex(5);
        window.close();
        QTEST(app.readIni(), "after");
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
