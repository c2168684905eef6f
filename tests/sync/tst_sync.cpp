#include "settings/IniFile.h"
#include "state/ProgramState.h"
#include "sync/LineSettings.h"
#include "sync/PortMap.h"
#include "sync/SerialPort.h"
#include "sync/SyncFrame.h"
#include "sync/SyncSchedule.h"

#include "Pty.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace mrv;

namespace {

// Writes fail once told to. Reporting, it behaves as a pulled adapter does: the failure comes
// again and again, also from inside close() and after it.
struct FailingPort : QSerialPort
{
    enum { Works, Refuses, Reports } failing = Works;
    void close() override { report(), QSerialPort::close(), report(); }
    qint64 writeData(const char *data, qint64 size) override
    {
        return failing ? (report(), report(), -1) : QSerialPort::writeData(data, size);
    }
    void report()
    {
        if (failing == Reports)
            Q_EMIT errorOccurred(ResourceError);
    }
};

const QByteArray kFrame = QByteArray::fromHex("FE073B170D96051FFF");

} // namespace

Q_DECLARE_METATYPE(LineSettings)

class TestSync : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QTest::failOnWarning(QRegularExpression(".*")); }
    void frameBytes();
    void dueTicks_data();
    void dueTicks();
    void deviceForPort();
    void open_data();
    void open();
    void staleBytesAreDropped();
    void lineLost_data();
    void lineLost();
};

void TestSync::frameBytes()
{
    const QDate day(2024, 3, 31);
    QCOMPARE(buildSyncFrame(QDateTime(day, QTime(23, 59, 7), Qt::UTC), {13, 150, 5, 31}).toHex(' '),
             "fe 07 3b 17 0d 96 05 1f ff");
    QCOMPARE(buildSyncFrame(QDateTime(day, QTime(0, 0), Qt::UTC), {0, 0, 0, 0}).toHex(' '),
             "fe 00 00 00 00 00 00 00 ff");
    // Fields of -1 would read as FF, the end marker, in the middle of the frame.
    QCOMPARE(buildSyncFrame(QDateTime(), {1, 2, 3, 4}), QByteArray());
}

void TestSync::dueTicks_data()
{
    // SyncInterval, SyncCounter, row then picked (-2: none), "Sync Now" after that, ticks run.
    QTest::addColumn<QList<int>>("setup");
    QTest::addColumn<QList<int>>("due"); // ticks (1-based) at which a frame falls due
    const int max = std::numeric_limits<qint16>::max();
    QTest::newRow("1 minute, counting from 0") << QList {60, 0, -2, 0, 180} << QList {60, 120, 180};
    QTest::newRow("start-up on 15 minutes") << QList {0, 0, 1, 1, 1801} << QList {1, 901, 1801};
    QTest::newRow("sync now at count 59") << QList {60, 59, -2, 1, 61} << QList {1, 61};
    QTest::newRow("same interval keeps the count") << QList {60, 30, 0, 0, 90} << QList {30, 90};
    QTest::newRow("60 minutes to 1 minute at 120") << QList {3600, 120, 0, 0, 61} << QList {1, 61};
    QTest::newRow("1 minute to 60 minutes at 30") << QList {60, 30, 3, 0, 3600} << QList {3570};
    QTest::newRow("nothing selected keeps it") << QList {900, 10, -1, 0, 900} << QList {890};
    QTest::newRow("no interval: every tick") << QList {0, 0, -1, 1, 3} << QList {1, 2, 3};
    QTest::newRow("count near the top") << QList {3600, max - 1, -2, 0, 2} << QList {1};
    QTest::newRow("count at the top, no interval") << QList {0, max, -2, 0, 2} << QList {1, 2};
}

void TestSync::dueTicks()
{
    QFETCH(QList<int>, setup);
    QFETCH(QList<int>, due);
    ProgramState state;
    state.SyncInterval = qint16(setup[0]);
    state.SyncCounter = qint16(setup[1]);
    if (setup[2] != -2)
        schedule::chooseInterval(state, setup[2]);
    if (setup[3])
        schedule::syncNow(state);
    QList<int> seen;
    for (int t = 1; t <= setup[4]; ++t)
        if (schedule::tick(state))
            seen.append(t);
    QCOMPARE(seen, due);
}

void TestSync::deviceForPort()
{
    QTemporaryDir dir;
    QFile file(dir.filePath("mrvl.ini"));
    const QByteArray ini = "[Settings]\nCommPort=3\n[PORTS]\ncom3 = /dev/ttyUSB0\nCOM4=\n";
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(ini) && file.flush());
    file.close();
    const auto device = [](const char *number, const QString &ini) {
        const PortDevice found = mrv::deviceForPort(number, IniFile(ini));
        return found.path + found.error;
    };
    QCOMPARE(device("3", file.fileName()), "/dev/ttyUSB0"); // keys in any case
    QCOMPARE(device(" 4 ", file.fileName()), "/dev/ttyS3"); // empty override
    QCOMPARE(device("3", dir.filePath("none.ini")), "/dev/ttyS2");
    for (const char *number : {"abc", "0", "70000"})
        QCOMPARE(device(number, file.fileName()), QString("“%1” is not a port number").arg(number));
    QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == ini); // read, never written
    QVERIFY(!QFile::exists(dir.filePath("none.ini")));
}

void TestSync::open_data()
{
    QTest::addColumn<QString>("device"); // empty: a fresh pseudo-terminal; "held": one in use
    QTest::addColumn<QString>("settings");
    QTest::addColumn<LineSettings>("applied");
    QTest::addColumn<QString>("reason"); // a piece of the error text; empty when it opens
    using P = QSerialPort;
    const auto good = [](const char *text, LineSettings applied) {
        QTest::newRow(text) << QString() << text << applied << QString();
    };
    good("9600,n,8,1", {9600, P::NoParity, P::Data8, P::OneStop});
    good(" 19200 , E , 7 , 2 ", {19200, P::EvenParity, P::Data7, P::TwoStop});
    good("300,o,5,1", {300, P::OddParity, P::Data5, P::OneStop});
    good("115200,M,6,2", {115200, P::MarkParity, P::Data6, P::TwoStop});
    good("1200,s,8,1", {1200, P::SpaceParity, P::Data8, P::OneStop});
    const auto bad = [](const char *text, const char *reason, const char *device = "") {
        QTest::addRow("%s %s", device, text) << device << text << LineSettings() << reason;
    };
    bad("9600,n,8,1", "No such file", "/dev/mirovalent-no-such-tty");
    bad("9600,n,8,1", "busy or locked", "held");
    bad("9600,n,8,1.5", "1.5 stop bits"); // never a silent fallback
    bad("9600,n,8", "9600,n,8");
    bad("0,n,8,1", "“0”");
    bad("+9600,n,8,1", "+9600");
    bad("99999999999,n,8,1", "99999999999");
    bad("9600,none,8,1", "none");
    bad("9600,n,4,1", "“4”");
    bad("9600,n,8,3", "“3”");
    bad("", "speed");
}

void TestSync::open()
{
    QFETCH(QString, device);
    QFETCH(QString, settings);
    QFETCH(LineSettings, applied);
    QFETCH(QString, reason);
    PtyPair pty;
    SerialPort other;
    if (device == "held")
        QVERIFY(other.open(pty.slavePath(), "9600,n,8,1"));
    if (!device.startsWith('/'))
        device = pty.slavePath();
    auto *raw = new QSerialPort;
    SerialPort port(raw);
    QVERIFY2(port.open(device, settings) == reason.isEmpty(), qPrintable(port.errorString()));
    QCOMPARE(port.isOpen(), reason.isEmpty());
    if (reason.isEmpty()) {
        QCOMPARE(raw->openMode(), QIODevice::WriteOnly);
        QCOMPARE(raw->flowControl(), QSerialPort::NoFlowControl);
        QVERIFY((LineSettings {raw->baudRate(), raw->parity(), raw->dataBits(), raw->stopBits()}
                 == applied));
        QByteArray bytes = kFrame + QByteArray::fromHex("0A0D0D0A0300111304087F");
        for (int b = 0x80; b <= 0x9F; ++b)
            bytes.append(char(b));
        QVERIFY(port.write(bytes));
        QCOMPARE(pty.read(2000, bytes.size()).toHex(' '), bytes.toHex(' ')); // nothing more
        return;
    }
    for (const QString &piece : {reason, device})
        QVERIFY2(port.errorString().contains(piece), qPrintable(port.errorString()));
}

void TestSync::staleBytesAreDropped()
{
    // Nobody reads the other end: the line fills up, yet the newest frame goes out next.
    PtyPair pty;
    SerialPort port;
    QVERIFY(port.open(pty.slavePath(), "9600,n,8,1"));
    QByteArray frame = kFrame;
    const int frames = 20000; // far more than the line holds
    for (int i = 0; i < frames; ++i) {
        frame[1] = char(i % 60), frame[2] = char(i / 60 % 60), frame[3] = char(i / 3600);
        QVERIFY(port.write(frame));
    }
    QByteArray arrived; // reading lets anything still queued go out
    for (QByteArray chunk; !(chunk = pty.read(300, 1)).isEmpty(); QCoreApplication::processEvents())
        arrived += chunk;
    QVERIFY(arrived.size() < frames * kFrameSize);
    QCOMPARE(arrived.right(kFrameSize).toHex(' '), frame.toHex(' '));
}

void TestSync::lineLost_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("other end closed") << int(FailingPort::Works);
    QTest::newRow("write refused without a report") << int(FailingPort::Refuses);
    QTest::newRow("driver reports again and again") << int(FailingPort::Reports);
}

void TestSync::lineLost()
{
    QFETCH(int, how);
    // The display's device name stays while the adapter behind it is replaced.
    QTemporaryDir dir;
    const QString link = dir.filePath("display");
    auto first = std::make_unique<PtyPair>();
    QVERIFY(QFile::link(first->slavePath(), link));
    auto *raw = new FailingPort;
    SerialPort port(raw);
    QSignalSpy lost(&port, &SerialPort::lost);
    QVERIFY(port.open(link, "9600,n,8,1"));
    raw->failing = decltype(raw->failing)(how);
    if (!how)
        first->closeMaster();

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(".*")); // once: init() fails a second
    QVERIFY(!port.write(kFrame));
    QVERIFY(!port.isOpen());
    QVERIFY(!port.write(kFrame));
    QTest::qWait(100); // nothing more may come from the dead line
    QCOMPARE(lost.count(), 1);
    QVERIFY(lost.first().first().toString().contains(link));
    QCOMPARE(port.errorString(), lost.first().first().toString());

    // Still gone: the attempt fails quietly and the loss is kept for the next one.
    first.reset();
    raw->failing = FailingPort::Works;
    QVERIFY(!port.reopenIfLost());
    QVERIFY(port.wasLost());
    PtyPair second;
    QVERIFY(QFile::remove(link) && QFile::link(second.slavePath(), link));
    QVERIFY2(port.reopenIfLost(), qPrintable(port.errorString()));
    QVERIFY(port.write(kFrame));
    QCOMPARE(second.read(2000, kFrameSize), kFrame);
    QVERIFY(!port.reopenIfLost()); // open and not lost: nothing to do

    // Closed by the user, twice: it stays closed, and the device is free for the next opening.
    port.close();
    port.close();
    QVERIFY(!port.reopenIfLost());
    QVERIFY2(port.open(link, "9600,n,8,1"), qPrintable(port.errorString()));

    // Lost again, the user picks a port that does not open: that choice stands, nothing is tried.
    second.closeMaster();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(".*"));
    QVERIFY(!port.write(kFrame));
    QVERIFY(!port.open(PortDevice {QString(), "“abc” is not a port number"}, "9600,n,8,1"));
    QCOMPARE(port.errorString(), QString("“abc” is not a port number"));
    QVERIFY(!port.wasLost());
}

QTEST_GUILESS_MAIN(TestSync)
#include "tst_sync.moc"
