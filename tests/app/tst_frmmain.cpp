// The main window as a user sees it: its controls, the zone lists, the port menu and the
// sync that goes out on "Sync Now".

#include "AppFixture.h"
#include "Pty.h"

#include "sync/SerialPort.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

using namespace mrv;

class TestFrmMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("TZ", "UTC"); }

    void controls_data();
    void controls();
    void windowFrame();
    void clocksShowTimeBeforeFirstTick();
    void zoneListTyping_data();
    void zoneListTyping();
    void menus();
    void portMenu();
    void syncNowSendsFrameAtNextTick();
    void syncWithPortClosedSendsNothing();
};

void TestFrmMain::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("shown");

    // Positions in pixels: the layout's twips divided by 15, relative to the parent frame.
    QTest::newRow("GMT frame") << "Frame1"
                               << "GMT TIME" << QRect(24, 16, 137, 65) << true;
    QTest::newRow("GMT clock") << "lblGMT"
                               << "" << QRect(16, 24, 105, 25) << true;
    QTest::newRow("sync frame") << "Frame6"
                                << "Sync Interval" << QRect(24, 96, 137, 57) << true;
    QTest::newRow("sync list") << "cboSync"
                               << "" << QRect(32, 24, 73, 21) << true;
    QTest::newRow("last sync") << "lblLastSync"
                               << "" << QRect(24, 168, 137, 33) << true;
    QTest::newRow("sync now") << "cmdSyncNow"
                              << "Sync Now" << QRect(24, 224, 129, 33) << true;
    QTest::newRow("zone 1") << "Frame2"
                            << "Time Zone 1" << QRect(176, 16, 417, 89) << true;
    QTest::newRow("zone 2") << "Frame3"
                            << "Time Zone 2" << QRect(176, 112, 417, 89) << true;
    QTest::newRow("zone 3") << "Frame4"
                            << "Time Zone 3" << QRect(176, 208, 417, 89) << true;
    QTest::newRow("zone 4") << "Frame5"
                            << "Time Zone 4" << QRect(176, 304, 417, 89) << true;
    QTest::newRow("zone 3 clock") << "lblZone3"
                                  << "" << QRect(16, 24, 105, 25) << true;
    QTest::newRow("zone 2 list") << "cboTimeZone2"
                                 << "" << QRect(144, 24, 225, 21) << true;
    QTest::newRow("zone 4 box") << "Check4"
                                << "Observe DST" << QRect(16, 56, 113, 17) << true;
    QTest::newRow("zone 1 start caption") << "Label1"
                                          << "DST Start" << QRect(144, 56, 57, 17) << false;
    QTest::newRow("zone 2 start caption") << "Label4"
                                          << "DST Start" << QRect(144, 56, 57, 17) << false;
    QTest::newRow("zone 2 end caption") << "Label3"
                                        << "DST End" << QRect(280, 56, 49, 17) << false;
    QTest::newRow("zone 3 start date") << "lblDSS1_4"
                                       << "" << QRect(200, 56, 73, 17) << false;
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
    frmMain &window = app.create();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    auto *widget = app.find<QWidget>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(widget->isVisible(), shown);
    if (!caption.isEmpty()) {
        QString text;
        if (auto *box = qobject_cast<QGroupBox *>(widget))
            text = box->title();
        else if (auto *button = qobject_cast<QAbstractButton *>(widget))
            text = button->text();
        else if (auto *label = qobject_cast<QLabel *>(widget))
            text = label->text();
        QCOMPARE(text.remove(QLatin1Char('&')), caption);
    }
}

void TestFrmMain::windowFrame()
{
    AppFixture app;
    frmMain &window = app.create();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.windowTitle(), QStringLiteral("Mirovalent"));
    QCOMPARE(window.centralWidget()->size(), QSize(611, 401));
    QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!window.windowIcon().pixmap(32, 32).isNull());
    QCOMPARE(window.size(), window.minimumSize());
    QCOMPARE(window.size(), window.maximumSize());

    // Clock labels: red on black in a 14.25 pt face.
    auto *clock = app.find<QLabel>(QStringLiteral("lblZone1"));
    QCOMPARE(clock->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(clock->palette().color(QPalette::Window), QColor(Qt::black));
    QCOMPARE(clock->font().pointSizeF(), 14.25);
    auto *date = app.find<QLabel>(QStringLiteral("lblDSS1_0"));
    QCOMPARE(date->palette().color(QPalette::Window), QColor(255, 255, 192));
    QCOMPARE(date->focusPolicy(), Qt::StrongFocus);
}

void TestFrmMain::clocksShowTimeBeforeFirstTick()
{
    AppFixture app;
    app.clock.now = QDateTime(QDate(2026, 12, 6), QTime(23, 59, 7));
    app.create();
    QCOMPARE(app.find<QLabel>(QStringLiteral("lblGMT"))->text(), QStringLiteral("23:59:07"));
    QCOMPARE(app.find<QLabel>(QStringLiteral("lblZone2"))->text(), QStringLiteral("23:59:07"));
}

void TestFrmMain::zoneListTyping_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("rowAfterEnter");

    QTest::newRow("exact row text") << "(GMT + 5:45) Kathmandu" << 22 << 22;
    QTest::newRow("part of a row") << "Kathmandu" << -1 << -1;
    // Enter picks the row whose text differs only in case, and shows its real text.
    QTest::newRow("other case") << "(gmt) london" << -1 << 13;
    QTest::newRow("junk") << "nowhere" << -1 << -1;
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
    QCOMPARE(list->itemText(0), QStringLiteral("(GMT - 12:00) International Date Line West"));
    QCOMPARE(list->itemText(31), QStringLiteral("(GMT + 12:00) Auckland,Fiji"));

    list->setCurrentIndex(5);
    list->lineEdit()->selectAll();
    QTest::keyClicks(list->lineEdit(), typed);
    QCOMPARE(list->currentIndex(), row);
    QCOMPARE(list->currentText(), typed);
    QTest::keyClick(list->lineEdit(), Qt::Key_Return);
    QCOMPARE(list->count(), 32);
    QCOMPARE(list->currentIndex(), rowAfterEnter);
    if (rowAfterEnter >= 0)
        QCOMPARE(list->currentText(), list->itemText(rowAfterEnter));

    // The slot then shows GMT (or the chosen row's time) at the next tick.
    app.clock.now = QDateTime(QDate(2026, 12, 6), QTime(12, 0, 0));
    window.UpdateClocks();
    QCOMPARE(app.find<QLabel>(QStringLiteral("lblZone1"))->text(),
             rowAfterEnter == 22 ? QStringLiteral("17:45:00") : QStringLiteral("12:00:00"));
}

void TestFrmMain::menus()
{
    AppFixture app;
    frmMain &window = app.create();
    const QList<QAction *> bar = window.menuBar()->actions();
    QCOMPARE(bar.size(), 1);
    QCOMPARE(bar.first()->text().remove(QLatin1Char('&')), QStringLiteral("Serial Port"));
    for (int n = 1; n <= 6; ++n) {
        auto *item = app.find<QAction>(QStringLiteral("mnuCOM_%1").arg(n));
        QVERIFY(item);
        QCOMPARE(item->text(), QStringLiteral("COM %1").arg(n));
        QVERIFY(item->isCheckable());
        QVERIFY(!item->isChecked());
    }
    auto *tray = app.find<QMenu>(QStringLiteral("mPopupSys"));
    QVERIFY(tray);
    QCOMPARE(tray->actions().size(), 2);
    QCOMPARE(tray->actions().at(0)->text(), QStringLiteral("Restore"));
    QCOMPARE(tray->actions().at(1)->text(), QStringLiteral("Exit"));
}

void TestFrmMain::portMenu()
{
    PtyPair two;
    PtyPair four;
    QVERIFY(two.isOpen() && four.isOpen());
    AppFixture app;
    app.writeIni(QStringLiteral("[Settings]\nCommPort=2\nSetting=9600,n,8,1\n[Ports]\nCOM2=%1\n"
                                "COM4=%2\nCOM5=%3\n")
                         .arg(two.slavePath(), four.slavePath(),
                              app.dir.filePath(QStringLiteral("missing")))
                         .toUtf8());
    frmMain &window = app.create();
    QVERIFY(window.Form_Load());
    QVERIFY(window.port().isOpen());
    auto checked = [&app] {
        QList<int> marks;
        for (int n = 1; n <= 6; ++n)
            if (app.find<QAction>(QStringLiteral("mnuCOM_%1").arg(n))->isChecked())
                marks << n;
        return marks;
    };
    QCOMPARE(checked(), QList<int> {2});

    // A port that cannot be opened: a box naming the device, port closed, mark unmoved, and
    // the new number kept for the settings file.
    app.find<QAction>(QStringLiteral("mnuCOM_5"))->trigger();
    QCOMPARE(app.boxes.shown.size(), 1);
    QCOMPARE(app.boxes.shown.first().text, QStringLiteral("Com Port Error"));
    QVERIFY2(app.boxes.shown.first().details.contains(QStringLiteral("missing")),
             qPrintable(app.boxes.shown.first().details));
    QVERIFY(!window.port().isOpen());
    QCOMPARE(checked(), QList<int> {2});
    QCOMPARE(window.state().CommPortNumber, QStringLiteral("5"));

    // A port that opens: exactly one mark, on it.
    app.find<QAction>(QStringLiteral("mnuCOM_4"))->trigger();
    QVERIFY(window.port().isOpen());
    QCOMPARE(window.port().device(), four.slavePath());
    QCOMPARE(checked(), QList<int> {4});

    // Choosing the open port again closes and reopens it; the mark stays.
    app.find<QAction>(QStringLiteral("mnuCOM_4"))->trigger();
    QVERIFY(window.port().isOpen());
    QCOMPARE(checked(), QList<int> {4});
    QCOMPARE(app.boxes.shown.size(), 1);

    window.Form_Unload();
    QVERIFY(app.readIni().contains("CommPort=4"));
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
    QCOMPARE(window.state().SyncInterval, qint16(3600));

    // Start-up armed the first frame for the first tick.
    window.UpdateClocks();
    window.Timer2_Timer();
    QCOMPARE(display.read(2000, 9).toHex(' '), QByteArray("fe 07 3b 17 0d 96 05 1f ff"));
    auto *last = app.find<QLabel>(QStringLiteral("lblLastSync"));
    QVERIFY2(last->text().startsWith(QStringLiteral("Last Sync On ")), qPrintable(last->text()));

    // Nothing until the hour is up, unless "Sync Now".
    for (int i = 0; i < 10; ++i)
        window.Timer2_Timer();
    QVERIFY(display.read(100).isEmpty());
    app.find<QPushButton>(QStringLiteral("cmdSyncNow"))->click();
    QVERIFY(display.read(100).isEmpty());
    app.clock.now = app.clock.now.addSecs(1);
    window.UpdateClocks();
    window.Timer2_Timer();
    QCOMPARE(display.read(2000, 9).toHex(' '), QByteArray("fe 08 3b 17 0d 96 05 1f ff"));
}

void TestFrmMain::syncWithPortClosedSendsNothing()
{
    AppFixture app;
    app.writeIni(QStringLiteral("[Settings]\nCommPort=1\n[Ports]\nCOM1=%1\n")
                         .arg(app.dir.filePath(QStringLiteral("absent")))
                         .toUtf8());
    frmMain &window = app.create();
    QVERIFY(!window.Form_Load());
    window.cmdSyncNow_Click();
    window.Timer2_Timer();
    QCOMPARE(app.find<QLabel>(QStringLiteral("lblLastSync"))->text(), QString());
    QCOMPARE(window.state().SyncCounter, qint16(0));
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
