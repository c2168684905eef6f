// Start-up from a settings file and shut-down back into it.

#include "AppFixture.h"
#include "Pty.h"

#include "sync/SerialPort.h"
#include "tray/TrayIcon.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTest>

using namespace mrv;

namespace {

QList<int> zoneRows(const AppFixture &app)
{
    QList<int> rows;
    for (int n = 1; n <= 4; ++n)
        rows << app.find<QComboBox>(QStringLiteral("cboTimeZone%1").arg(n))->currentIndex();
    return rows;
}

QList<int> checkStates(const AppFixture &app)
{
    QList<int> states;
    for (int n = 1; n <= 4; ++n) {
        // As the settings file numbers them: 1 ticked, 2 greyed.
        const Qt::CheckState state =
                app.find<QCheckBox>(QStringLiteral("Check%1").arg(n))->checkState();
        states << (state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0);
    }
    return states;
}

// The texts of the date labels that are on screen, "" for hidden ones.
QStringList shownDates(const AppFixture &app)
{
    QStringList texts;
    for (int e = 0; e < 8; ++e) {
        auto *label = app.find<QLabel>(QStringLiteral("lblDSS1_%1").arg(e));
        texts << (label->isVisibleTo(app.window.get()) ? label->text() : QString());
    }
    return texts;
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void load_data();
    void load();
    void loadFailsOnBusyPort();
    void firstStartWithoutFile();
    void unloadWritesNewFile();
    void unloadKeepsEverythingElse();
    void yearRollOverWhileRunning();
};

void TestStartup::load_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QList<int>>("zones");
    QTest::addColumn<QList<int>>("checks");
    QTest::addColumn<QStringList>("dates");
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("counter");
    QTest::addColumn<int>("menuPort");
    QTest::addColumn<bool>("opened");

    const QStringList none(8);
    QStringList zone2 = none;
    zone2[2] = QStringLiteral("28 Mar 2026");
    zone2[3] = QStringLiteral("31 Oct 2026");
    QTest::newRow("good") << QByteArray("[Zone]\nZone1=13\nDST1=0\nZone2=22\nDST2=1\n"
                                        "DSS2=28 Mar\nDSE2=31 Oct\nZone3=5\nZone4=31\n"
                                        "[Settings]\nSyncInt=2\nCommPort=4\n")
                          << QList<int> {13, 22, 5, 31} << QList<int> {0, 1, 0, 0} << zone2 << 1800
                          << 1799 << 4 << true;

    QStringList southern = none;
    southern[0] = QStringLiteral("01 Oct 2026");
    southern[1] = QStringLiteral("01 Apr 2027");
    QTest::newRow("window across new year")
            << QByteArray("[Zone]\nZone1=31\nDST1=1\nDSS1=01 Oct\nDSE1=01 Apr\n")
            << QList<int> {31, -1, -1, -1} << QList<int> {1, 0, 0, 0} << southern << 60 << 59 << 1
            << true;

    QStringList placeholders = none;
    placeholders[6] = placeholders[7] = QStringLiteral("--");
    QTest::newRow("ticked without stored dates")
            << QByteArray("[Zone]\nDST4=1\n") << QList<int> {-1, -1, -1, -1}
            << QList<int> {0, 0, 0, 1} << placeholders << 60 << 59 << 1 << true;

    QTest::newRow("greyed box stays hidden")
            << QByteArray("[Zone]\nDST3=2\nDSS3=01 Jan\nDSE3=01 Feb\n")
            << QList<int> {-1, -1, -1, -1} << QList<int> {0, 0, 2, 0} << none << 60 << 59 << 1
            << true;

    QTest::newRow("junk") << QByteArray("[Zone]\nZone1=abc\nDST1=yes\nZone2=1x\n[Settings]\n"
                                        "SyncInt=?\n\x01\x02\xff garbage\n")
                          << QList<int> {-1, -1, -1, -1} << QList<int> {0, 0, 0, 0} << none << 60
                          << 59 << 1 << true;

    QTest::newRow("out of range") << QByteArray("[Zone]\nZone1=32\nZone2=-2\nDST1=3\nDST2=-1\n"
                                                "[Settings]\nSyncInt=4\n")
                                  << QList<int> {-1, -1, -1, -1} << QList<int> {0, 0, 0, 0} << none
                                  << 60 << 59 << 1 << true;

    QTest::newRow("no interval chosen")
            << QByteArray("[Settings]\nSyncInt=-1\n") << QList<int> {-1, -1, -1, -1}
            << QList<int> {0, 0, 0, 0} << none << 0 << -1 << 1 << true;

    QTest::newRow("port number beyond the menu")
            << QByteArray("[Settings]\nCommPort=9\n") << QList<int> {-1, -1, -1, -1}
            << QList<int> {0, 0, 0, 0} << none << 60 << 59 << 0 << true;

    QTest::newRow("port that is no number")
            << QByteArray("[Settings]\nCommPort=COM3\n") << QList<int> {-1, -1, -1, -1}
            << QList<int> {0, 0, 0, 0} << none << 60 << 0 << 0 << false;

    QTest::newRow("line settings the platform cannot do")
            << QByteArray("[Settings]\nCommPort=2\nSetting=9600,n,8,1.5\n")
            << QList<int> {-1, -1, -1, -1} << QList<int> {0, 0, 0, 0} << none << 60 << 0 << 2
            << false;
}

void TestStartup::load()
{
    QFETCH(QByteArray, ini);
    QFETCH(QList<int>, zones);
    QFETCH(QList<int>, checks);
    QFETCH(QStringList, dates);
    QFETCH(int, interval);
    QFETCH(int, counter);
    QFETCH(int, menuPort);
    QFETCH(bool, opened);

    PtyPair display;
    AppFixture app;
    // Every port number this table uses leads to the one pseudo-terminal.
    QByteArray ports = "\n[Ports]\n";
    for (int n : {1, 2, 4, 9})
        ports += QStringLiteral("COM%1=%2\n").arg(n).arg(display.slavePath()).toUtf8();
    app.writeIni(ini + ports);
    frmMain &window = app.create();

    QCOMPARE(window.Form_Load(), opened);
    QCOMPARE(zoneRows(app), zones);
    QCOMPARE(checkStates(app), checks);
    QCOMPARE(shownDates(app), dates);
    QCOMPARE(int(window.state().SyncInterval), interval);
    QCOMPARE(int(window.state().SyncCounter), counter);
    QCOMPARE(app.checkedPorts(), menuPort ? QList<int> {menuPort} : QList<int> {});
    QCOMPARE(window.port().isOpen(), opened);
    QCOMPARE(app.boxes.shown.size(), opened ? 0 : 1);
    // No tray here (offscreen): the window is never hidden without an icon to bring it back.
    if (opened)
        QTRY_VERIFY(window.isVisible() && window.isMinimized());
    if (!opened) {
        QCOMPARE(app.boxes.shown.first().text, QStringLiteral("COM Port Error"));
        QVERIFY(!app.boxes.shown.first().details.isEmpty());
    }
}

void TestStartup::loadFailsOnBusyPort()
{
    PtyPair display;
    SerialPort other;
    QVERIFY(other.open(display.slavePath(), QStringLiteral("9600,n,8,1")));

    AppFixture app;
    app.writeIni(QStringLiteral("[Settings]\nCommPort=4\n[Ports]\nCOM4=%1\n")
                         .arg(display.slavePath())
                         .toUtf8());
    frmMain &window = app.create();
    QVERIFY(!window.Form_Load());
    QCOMPARE(app.boxes.shown.size(), 1);
    QCOMPARE(app.boxes.shown.first().text, QStringLiteral("COM Port Error"));
    QVERIFY2(app.boxes.shown.first().details.contains(display.slavePath()),
             qPrintable(app.boxes.shown.first().details));
    QCOMPARE(app.checkedPorts(), QList<int> {4});
    QCOMPARE(window.state().SyncCounter, qint16(0));
    QVERIFY(!window.port().isOpen());
    QVERIFY(!window.trayIcon()->isVisible());
}

void TestStartup::firstStartWithoutFile()
{
    AppFixture app;
    frmMain &window = app.create();
    const bool opened = window.Form_Load();
    QCOMPARE(zoneRows(app), (QList<int> {-1, -1, -1, -1}));
    QCOMPARE(window.state().CommPortNumber, QStringLiteral("1"));
    QCOMPARE(window.state().CommSettings, QStringLiteral("9600,n,8,1"));
    QCOMPARE(window.state().SyncInterval, qint16(60));
    QCOMPARE(app.checkedPorts(), QList<int> {1});
    if (!opened) {
        // Usually no /dev/ttyS0 to open: the box names the device and says how to pick one.
        QCOMPARE(app.boxes.shown.size(), 1);
        QVERIFY(app.boxes.shown.first().details.contains(QStringLiteral("/dev/ttyS0")));
        QVERIFY(app.boxes.shown.first().details.contains(QStringLiteral("Serial Port")));
    }
    QVERIFY(!QFile::exists(app.iniPath()));
}

void TestStartup::unloadWritesNewFile()
{
    AppFixture app;
    app.writeIni(QByteArray());
    QFile::remove(app.iniPath());
    frmMain &window = app.create();
    window.Form_Load();

    app.find<QComboBox>(QStringLiteral("cboTimeZone1"))->setCurrentIndex(13);
    app.find<QComboBox>(QStringLiteral("cboTimeZone2"))->setCurrentIndex(22);
    app.find<QCheckBox>(QStringLiteral("Check2"))->setCheckState(Qt::Checked);
    app.find<QLabel>(QStringLiteral("lblDSS1_2"))->setText(QStringLiteral("28 Mar 2026"));
    app.find<QLabel>(QStringLiteral("lblDSS1_3"))->setText(QStringLiteral("31 Oct 2026"));
    app.find<QCheckBox>(QStringLiteral("Check4"))->setCheckState(Qt::Checked); // "--" dates
    app.find<QComboBox>(QStringLiteral("cboSync"))->setCurrentIndex(3);
    window.Form_Unload();

    QCOMPARE(app.readIni(), QByteArray("[Settings]\nCommPort=1\nSyncInt=3\nSetting=9600,n,8,1\n"
                                       "[Zone]\nZone1=13\nZone2=22\nZone3=-1\nZone4=-1\n"
                                       "DST1=0\nDST2=1\nDST3=0\nDST4=1\n"
                                       "DSS2=28 Mar\nDSE2=31 Oct\n"));

    // Shut-down saves once per run, whichever way out comes next.
    const QByteArray saved = app.readIni();
    app.find<QComboBox>(QStringLiteral("cboTimeZone1"))->setCurrentIndex(5);
    window.close();
    QCOMPARE(app.readIni(), saved);
}

void TestStartup::unloadKeepsEverythingElse()
{
    AppFixture app;
    const QByteArray before = "; edited by hand\r\n[Settings]\r\nCommPort = 3\r\n"
                              "Setting=9600,n,8,1\r\nSyncInt=\"1\"\r\n\r\n[Ports]\r\n"
                              "COM3=/nonexistent/display\r\n[zone]\r\nzone1=13\r\nDST1=1\r\n"
                              "DSS1=05 Jul\r\nDSE1=06 Aug\r\nDST3=0\r\nDSS3=01 Jan\r\n"
                              "Extra=keep me ; really\r\n";
    app.writeIni(before);
    frmMain &window = app.create();
    window.Form_Load();
    app.find<QComboBox>(QStringLiteral("cboTimeZone1"))->setCurrentIndex(14);
    window.Form_Unload();

    // Values change in place with the file's own spelling, spacing and line ends; new keys go
    // after the last key of their section; the untouched lines stay byte for byte.
    QByteArray after = before;
    after.replace("SyncInt=\"1\"", "SyncInt=1").replace("zone1=13", "zone1=14");
    after += "Zone2=-1\r\nZone3=-1\r\nZone4=-1\r\nDST2=0\r\nDST4=0\r\n";
    QCOMPARE(app.readIni(), after);
}

void TestStartup::yearRollOverWhileRunning()
{
    PtyPair display;
    AppFixture app;
    app.clock.now = QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59));
    app.writeIni(QStringLiteral("[Zone]\nZone1=13\nDST1=1\nDSS1=29 Mar\nDSE1=25 Oct\n"
                                "Zone2=31\nDST2=1\nDSS2=27 Sep\nDSE2=05 Apr\n"
                                "[Ports]\nCOM1=%1\n")
                         .arg(display.slavePath())
                         .toUtf8());
    frmMain &window = app.create();
    QVERIFY(window.Form_Load());
    QCOMPARE(shownDates(app).mid(0, 4),
             (QStringList {"29 Mar 2026", "25 Oct 2026", "27 Sep 2026", "05 Apr 2027"}));
    // A date picked in the dialog keeps its year.
    window.lblDSS1_Click(1);
    QVERIFY(window.dateDialog());
    window.dateDialog()->setTarget(2, QDate(2026, 11, 1));
    QMetaObject::invokeMethod(window.dateDialog(), "dateChosen", Q_ARG(QDate, QDate(2026, 11, 1)));

    app.clock.now = app.clock.now.addSecs(1);
    window.UpdateClocks();
    QCOMPARE(shownDates(app).mid(0, 4),
             (QStringList {"29 Mar 2027", "01 Nov 2026", "27 Sep 2026", "05 Apr 2027"}));
    QCOMPARE(window.state().ZoneCode[1], quint8(31 + 128));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
