#include "state/ProgramState.h"
#include "sync/LineSettings.h"
#include "sync/SyncFrame.h"
#include "sync/SyncSchedule.h"

#include <QTest>

#include <limits>

using namespace mrv;

class TestSyncLogic : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void frameBytes_data();
    void frameBytes();
    void intervalRows_data();
    void intervalRows();
    void dueTicks_data();
    void dueTicks();
    void lineSettings_data();
    void lineSettings();
};

void TestSyncLogic::frameBytes_data()
{
    QTest::addColumn<QDateTime>("gmt");
    QTest::addColumn<QList<int>>("codes");
    QTest::addColumn<QByteArray>("frame");

    const auto at = [](int h, int m, int s) {
        return QDateTime(QDate(2024, 3, 31), QTime(h, m, s), Qt::UTC);
    };
    QTest::newRow("late with daylight slot") << at(23, 59, 7) << QList<int> {13, 150, 5, 31}
                                             << QByteArray::fromHex("FE073B170D96051FFF");
    QTest::newRow("midnight, row 0")
            << at(0, 0, 0) << QList<int> {0, 0, 0, 0} << QByteArray::fromHex("FE00000000000000FF");
    QTest::newRow("all flags") << at(12, 30, 59) << QList<int> {128, 159, 0x9F, 0x80}
                               << QByteArray::fromHex("FE3B1E0C809F9F80FF");
    // Fields of -1 would read as FF, the end marker, in the middle of the frame.
    QTest::newRow("no clock tick yet") << QDateTime() << QList<int> {1, 2, 3, 4} << QByteArray();
}

void TestSyncLogic::frameBytes()
{
    QFETCH(QDateTime, gmt);
    QFETCH(QList<int>, codes);
    QFETCH(QByteArray, frame);
    const std::array<quint8, 4> zoneCodes {quint8(codes[0]), quint8(codes[1]), quint8(codes[2]),
                                           quint8(codes[3])};
    QCOMPARE(buildSyncFrame(gmt, zoneCodes).toHex(' '), frame.toHex(' '));
}

void TestSyncLogic::intervalRows_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("interval");
    QTest::newRow("0") << 0 << "1 minute" << 60;
    QTest::newRow("1") << 1 << "15 minutes" << 900;
    QTest::newRow("2") << 2 << "30 minutes" << 1800;
    QTest::newRow("3") << 3 << "60 minutes" << 3600;
    QTest::newRow("nothing selected") << -1 << QString() << 0;
    QTest::newRow("past the end") << 4 << QString() << 0;
}

void TestSyncLogic::intervalRows()
{
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(int, interval);
    QCOMPARE(schedule::intervalTexts().value(row), text);
    QCOMPARE(int(schedule::intervalForRow(row)), interval);
}

void TestSyncLogic::dueTicks_data()
{
    QTest::addColumn<int>("interval"); // SyncInterval before anything is done
    QTest::addColumn<int>("counter"); // SyncCounter before anything is done
    QTest::addColumn<int>("row"); // row picked in the list first; -2: none picked
    QTest::addColumn<bool>("syncNow"); // "Sync Now" pressed after that
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QList<int>>("due"); // ticks (1-based) at which a frame falls due
    QTest::addColumn<int>("finalInterval");

    const int max = std::numeric_limits<qint16>::max();
    QTest::newRow("1 minute, counting from 0")
            << 60 << 0 << -2 << false << 180 << QList<int> {60, 120, 180} << 60;
    QTest::newRow("start-up on 15 minutes")
            << 0 << 0 << 1 << true << 1801 << QList<int> {1, 901, 1801} << 900;
    QTest::newRow("sync now at count 59")
            << 60 << 59 << -2 << true << 61 << QList<int> {1, 61} << 60;
    QTest::newRow("same interval again keeps the count")
            << 60 << 30 << 0 << false << 90 << QList<int> {30, 90} << 60;
    QTest::newRow("60 minutes to 1 minute after two minutes")
            << 3600 << 120 << 0 << false << 61 << QList<int> {1, 61} << 60;
    QTest::newRow("1 minute to 60 minutes mid-count")
            << 60 << 30 << 3 << false << 3600 << QList<int> {3570} << 3600;
    QTest::newRow("nothing selected keeps the interval")
            << 900 << 10 << -1 << false << 900 << QList<int> {890} << 900;
    QTest::newRow("saved row -1 at start-up: no interval")
            << 0 << 0 << -1 << true << 3 << QList<int> {1, 2, 3} << 0;
    QTest::newRow("count near the top")
            << 3600 << max - 1 << -2 << false << 2 << QList<int> {1} << 3600;
    QTest::newRow("count at the top") << 3600 << max << -2 << false << 1 << QList<int> {1} << 3600;
    QTest::newRow("count at the top, no interval")
            << 0 << max << -2 << false << 2 << QList<int> {1, 2} << 0;
}

void TestSyncLogic::dueTicks()
{
    QFETCH(int, interval);
    QFETCH(int, counter);
    QFETCH(int, row);
    QFETCH(bool, syncNow);
    QFETCH(int, ticks);
    QFETCH(QList<int>, due);
    QFETCH(int, finalInterval);

    ProgramState state;
    state.SyncInterval = qint16(interval);
    state.SyncCounter = qint16(counter);
    if (row != -2)
        schedule::chooseInterval(state, row);
    if (syncNow)
        schedule::syncNow(state);

    QList<int> seen;
    for (int t = 1; t <= ticks; ++t) {
        if (schedule::tick(state))
            seen.append(t);
    }
    QCOMPARE(seen, due);
    QCOMPARE(int(state.SyncInterval), finalInterval);
}

void TestSyncLogic::lineSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QSerialPort::Parity>("parity");
    QTest::addColumn<QSerialPort::DataBits>("data");
    QTest::addColumn<QSerialPort::StopBits>("stop");
    QTest::addColumn<QString>("reason"); // a piece of the error text

    using P = QSerialPort;
    QTest::newRow("default") << "9600,n,8,1" << true << 9600 << P::NoParity << P::Data8
                             << P::OneStop << QString();
    QTest::newRow("blanks, upper case") << " 19200 , E , 7 , 2 " << true << 19200 << P::EvenParity
                                        << P::Data7 << P::TwoStop << QString();
    QTest::newRow("odd, 5 bits") << "300,o,5,1" << true << 300 << P::OddParity << P::Data5
                                 << P::OneStop << QString();
    QTest::newRow("mark, 6 bits") << "115200,M,6,2" << true << 115200 << P::MarkParity << P::Data6
                                  << P::TwoStop << QString();
    QTest::newRow("space") << "1200,s,8,1" << true << 1200 << P::SpaceParity << P::Data8
                           << P::OneStop << QString();
#ifdef Q_OS_WIN
    QTest::newRow("1.5 stop bits") << "9600,n,5,1.5" << true << 9600 << P::NoParity << P::Data5
                                   << P::OneAndHalfStop << QString();
#else
    QTest::newRow("1.5 stop bits") << "9600,n,8,1.5" << false << 0 << P::NoParity << P::Data8
                                   << P::OneStop << "1.5 stop bits";
#endif

    const auto bad = [](const char *name, const char *text, const char *reason) {
        QTest::newRow(name) << text << false << 0 << P::NoParity << P::Data8 << P::OneStop
                            << reason;
    };
    bad("empty", "", "speed,parity");
    bad("three fields", "9600,n,8", "9600,n,8");
    bad("zero speed", "0,n,8,1", "“0”");
    bad("signed speed", "+9600,n,8,1", "+9600");
    bad("letters in speed", "96OO,n,8,1", "96OO");
    bad("speed out of range", "99999999999,n,8,1", "99999999999");
    bad("unknown parity", "9600,x,8,1", "“x”");
    bad("word parity", "9600,none,8,1", "none");
    bad("4 data bits", "9600,n,4,1", "“4”");
    bad("3 stop bits", "9600,n,8,3", "“3”");
}

void TestSyncLogic::lineSettings()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(QString, reason);

    const LineSettingsResult result = parseLineSettings(text);
    QCOMPARE(result.settings.has_value(), ok);
    if (!ok) {
        QVERIFY2(result.error.contains(reason), qPrintable(result.error));
        return;
    }
    QVERIFY(result.error.isEmpty());

    QFETCH(int, baud);
    QFETCH(QSerialPort::Parity, parity);
    QFETCH(QSerialPort::DataBits, data);
    QFETCH(QSerialPort::StopBits, stop);

    // What the port is given, read back from it.
    QSerialPort port;
    port.setFlowControl(QSerialPort::HardwareControl);
    QVERIFY(applyLineSettings(port, *result.settings));
    QCOMPARE(port.baudRate(), baud);
    QCOMPARE(port.parity(), parity);
    QCOMPARE(port.dataBits(), data);
    QCOMPARE(port.stopBits(), stop);
    QCOMPARE(port.flowControl(), QSerialPort::NoFlowControl);
}

QTEST_GUILESS_MAIN(TestSyncLogic)
#include "tst_sync_logic.moc"
