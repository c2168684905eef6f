// The daylight-saving date dialog, opened from the main window's date labels.

#include "AppFixture.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace mrv;

class TestFrmDate : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }

    void opensOnLabel_data();
    void opensOnLabel();
    void okWritesThatLabelOnly();
    void closingWritesNothing_data();
    void closingWritesNothing();
    void secondClickRetargets();
    void closingMainWindowClosesDialog();
    void hiddenLabelsDoNotOpenIt();
};

namespace {

// A window with every zone's box ticked; zone 2 has stored dates, the others none.
frmMain &windowWithTickedZones(AppFixture &app)
{
    app.writeIni("[Zone]\nDST1=1\nDST2=1\nDSS2=28 Mar\nDSE2=31 Oct\nDST3=1\nDST4=1\n");
    frmMain &window = app.create();
    window.Form_Load();
    window.show();
    return window;
}

QString labelText(const AppFixture &app, int element)
{
    return app.find<QLabel>(QStringLiteral("lblDSS1_%1").arg(element))->text();
}

} // namespace

void TestFrmDate::opensOnLabel_data()
{
    QTest::addColumn<int>("element");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QDate>("shown");

    QTest::newRow("zone 1 start, no date")
            << 0 << "Select Zone 1 DST Start Date" << QDate(2026, 3, 1);
    QTest::newRow("zone 1 end, no date") << 1 << "Select Zone 1 DST End Date" << QDate(2026, 10, 1);
    QTest::newRow("zone 2 start") << 2 << "Select Zone 2 DST Start Date" << QDate(2026, 3, 28);
    QTest::newRow("zone 2 end") << 3 << "Select Zone 2 DST End Date" << QDate(2026, 10, 31);
    QTest::newRow("zone 3 end") << 5 << "Select Zone 3 DST End Date" << QDate(2026, 10, 1);
    QTest::newRow("zone 4 start") << 6 << "Select Zone 4 DST Start Date" << QDate(2026, 3, 1);
}

void TestFrmDate::opensOnLabel()
{
    QFETCH(int, element);
    QFETCH(QString, prompt);
    QFETCH(QDate, shown);

    AppFixture app;
    frmMain &window = windowWithTickedZones(app);
    QTest::mouseClick(app.find<QLabel>(QStringLiteral("lblDSS1_%1").arg(element)), Qt::LeftButton);
    QCOMPARE(window.state().DSTLabelNumber, qint16(element + 1));
    frmDate *dialog = window.dateDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QVERIFY(!dialog->parentWidget());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Daylight Saving Setting"));
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("lblDSS"))->text(), prompt);
    QCOMPARE(dialog->findChild<QCalendarWidget *>(QStringLiteral("Calendar1"))->selectedDate(),
             shown);
}

void TestFrmDate::okWritesThatLabelOnly()
{
    AppFixture app;
    frmMain &window = windowWithTickedZones(app);
    const QByteArray fileBefore = app.readIni();
    auto *label = app.find<QLabel>(QStringLiteral("lblDSS1_5"));
    label->setFocus();
    QTest::keyClick(label, Qt::Key_Space); // the keyboard opens it too
    QPointer<frmDate> dialog = window.dateDialog();
    QVERIFY(dialog);
    dialog->findChild<QCalendarWidget *>()->setSelectedDate(QDate(2026, 3, 29));
    dialog->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();

    QCOMPARE(labelText(app, 5), QStringLiteral("29 Mar 2026"));
    QCOMPARE(labelText(app, 4), QStringLiteral("--"));
    QCOMPARE(labelText(app, 2), QStringLiteral("28 Mar 2026"));
    QTRY_VERIFY(!dialog);
    QCOMPARE(app.readIni(), fileBefore); // nothing reaches the file before shut-down
}

void TestFrmDate::closingWritesNothing_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("close button") << false;
    QTest::newRow("escape key") << true;
}

void TestFrmDate::closingWritesNothing()
{
    QFETCH(bool, escape);
    AppFixture app;
    frmMain &window = windowWithTickedZones(app);
    window.lblDSS1_Click(2);
    QPointer<frmDate> dialog = window.dateDialog();
    dialog->findChild<QCalendarWidget *>()->setSelectedDate(QDate(2030, 1, 1));
    if (escape)
        QTest::keyClick(dialog->findChild<QCalendarWidget *>(), Qt::Key_Escape);
    else
        dialog->close();
    QTRY_VERIFY(!dialog);
    QCOMPARE(labelText(app, 2), QStringLiteral("28 Mar 2026"));
}

void TestFrmDate::secondClickRetargets()
{
    AppFixture app;
    frmMain &window = windowWithTickedZones(app);
    window.lblDSS1_Click(0);
    frmDate *dialog = window.dateDialog();
    window.lblDSS1_Click(3);
    QCOMPARE(window.dateDialog(), dialog); // one instance
    QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("lblDSS"))->text(),
             QStringLiteral("Select Zone 2 DST End Date"));
    QCOMPARE(dialog->findChild<QCalendarWidget *>()->selectedDate(), QDate(2026, 10, 31));
    dialog->findChild<QCalendarWidget *>()->setSelectedDate(QDate(2026, 11, 7));
    dialog->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
    QCOMPARE(labelText(app, 3), QStringLiteral("07 Nov 2026"));
    QCOMPARE(labelText(app, 0), QStringLiteral("--"));
}

void TestFrmDate::closingMainWindowClosesDialog()
{
    AppFixture app;
    frmMain &window = windowWithTickedZones(app);
    window.lblDSS1_Click(1);
    QPointer<frmDate> dialog = window.dateDialog();
    QVERIFY(dialog && dialog->isVisible());
    window.close();
    QVERIFY(window.isUnloaded());
    QTRY_VERIFY(!dialog);
}

void TestFrmDate::hiddenLabelsDoNotOpenIt()
{
    AppFixture app;
    frmMain &window = windowWithTickedZones(app);
    app.find<QCheckBox>(QStringLiteral("Check1"))->setCheckState(Qt::Unchecked);
    window.lblDSS1_Click(0);
    QVERIFY(!window.dateDialog());
}

QTEST_MAIN(TestFrmDate)
#include "tst_frmdate.moc"
