#include "sync/SerialPort.h"
#include "sync/SyncFrame.h"

#include "Pty.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/wait.h>

using namespace mrv;

namespace {

// Counts warnings of the sync category; everything else goes to the usual handler.
class SyncWarnings
{
public:
    SyncWarnings() { s_count = 0, s_previous = qInstallMessageHandler(&handler); }
    ~SyncWarnings() { qInstallMessageHandler(s_previous); }
    int count() const { return s_count; }

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        if (type == QtWarningMsg && qstrcmp(context.category, "mirovalent.sync") == 0)
            ++s_count;
        else
            s_previous(type, context, text);
    }
    static inline int s_count = 0;
    static inline QtMessageHandler s_previous = nullptr;
};

// A driver whose writes fail once told to. Reporting, it behaves as a pulled adapter does:
// the failure comes again and again, also from inside close() and after it.
class FailingPort : public QSerialPort
{
public:
    bool failing = false;
    bool reports = false;

    void close() override
    {
        report();
        QSerialPort::close();
        report();
    }

protected:
    qint64 writeData(const char *data, qint64 size) override
    {
        if (!failing)
            return QSerialPort::writeData(data, size);
        report();
        report();
        return -1;
    }

private:
    void report()
    {
        if (failing && reports)
            Q_EMIT errorOccurred(QSerialPort::ResourceError);
    }
};

const QByteArray kFrame = QByteArray::fromHex("FE073B170D96051FFF");

} // namespace

class TestSerialPort : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QTest::failOnWarning(QRegularExpression(".*")); }
    void bytesArriveUnchanged_data();
    void bytesArriveUnchanged();
    void settingsReachThePort();
    void openFails_data();
    void openFails();
    void permissionDeniedNamesTheGroup();
    void closeIsHarmless();
    void staleBytesAreDropped();
    void otherEndGoneClosesOnce();
    void failedWriteClosesOnce_data();
    void failedWriteClosesOnce();
    void lostPortReopens();
};

void TestSerialPort::bytesArriveUnchanged_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("sync frame") << kFrame;
    QTest::newRow("markers and flags") << QByteArray::fromHex("FEFF808182909F00");
    QByteArray high;
    for (int b = 0x80; b <= 0x9F; ++b)
        high.append(char(b));
    QTest::newRow("128 to 159") << high;
    QTest::newRow("line ends and controls") << QByteArray::fromHex("0A0D0D0A0300111304087F");
}

void TestSerialPort::bytesArriveUnchanged()
{
    QFETCH(QByteArray, bytes);
    PtyPair pty;
    SerialPort port;
    QVERIFY2(port.open(pty.slavePath(), "9600,n,8,1"), qPrintable(port.errorString()));
    QVERIFY(port.isOpen());
    QVERIFY(port.write(bytes));
    QCOMPARE(pty.read(2000, bytes.size()).toHex(' '), bytes.toHex(' '));
    QCOMPARE(pty.drain(), QByteArray());
}

void TestSerialPort::settingsReachThePort()
{
    PtyPair pty;
    auto *raw = new QSerialPort;
    SerialPort port(raw);
    QVERIFY2(port.open(pty.slavePath(), " 19200,E,7,2"), qPrintable(port.errorString()));
    QCOMPARE(raw->baudRate(), 19200);
    QCOMPARE(raw->parity(), QSerialPort::EvenParity);
    QCOMPARE(raw->dataBits(), QSerialPort::Data7);
    QCOMPARE(raw->stopBits(), QSerialPort::TwoStop);
    QCOMPARE(raw->flowControl(), QSerialPort::NoFlowControl);
    QCOMPARE(raw->openMode(), QIODevice::WriteOnly);
}

void TestSerialPort::openFails_data()
{
    QTest::addColumn<QString>("device"); // "PTY": a fresh pseudo-terminal
    QTest::addColumn<QString>("settings");
    QTest::addColumn<bool>("heldElsewhere");
    QTest::addColumn<QStringList>("reason");

    QTest::newRow("missing device")
            << "/dev/mirovalent-no-such-tty"
            << "9600,n,8,1" << false << QStringList {"/dev/mirovalent-no-such-tty", "No such file"};
    QTest::newRow("held by another port") << "PTY"
                                          << "9600,n,8,1" << true << QStringList {"busy or locked"};
    QTest::newRow("unparsable settings")
            << "PTY"
            << "9600,n,9,1" << false << QStringList {"9600,n,9,1", "data bits"};
#ifndef Q_OS_WIN
    QTest::newRow("1.5 stop bits") << "PTY"
                                   << "9600,n,8,1.5" << false << QStringList {"1.5 stop bits"};
#endif
}

void TestSerialPort::openFails()
{
    QFETCH(QString, device);
    QFETCH(QString, settings);
    QFETCH(bool, heldElsewhere);
    QFETCH(QStringList, reason);

    PtyPair pty;
    if (device == "PTY")
        device = pty.slavePath();
    SerialPort other;
    if (heldElsewhere)
        QVERIFY(other.open(device, "9600,n,8,1"));

    SerialPort port;
    QVERIFY(!port.open(device, settings));
    QVERIFY(!port.isOpen());
    QVERIFY(!port.write(kFrame));
    QVERIFY2(port.errorString().contains(device), qPrintable(port.errorString()));
    for (const QString &piece : reason)
        QVERIFY2(port.errorString().contains(piece), qPrintable(port.errorString()));
    QVERIFY(!port.reopenIfLost());
}

void TestSerialPort::permissionDeniedNamesTheGroup()
{
    PtyPair pty;
    if (::geteuid() != 0) {
        QCOMPARE(::chmod(QFile::encodeName(pty.slavePath()).constData(), 0), 0);
        SerialPort port;
        QVERIFY(!port.open(pty.slavePath(), "9600,n,8,1"));
        QVERIFY2(port.errorString().contains("dialout"), qPrintable(port.errorString()));
        return;
    }
    // As root every device is writable, so try it as an ordinary user in a child process.
    int fds[2];
    QCOMPARE(::pipe(fds), 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        ::close(fds[0]);
        QByteArray text = "could not drop privileges";
        if (::setgid(65534) == 0 && ::setuid(65534) == 0) {
            SerialPort port;
            text = port.open(pty.slavePath(), "9600,n,8,1") ? "opened"
                                                            : port.errorString().toUtf8();
        }
        (void)!::write(fds[1], text.constData(), size_t(text.size()));
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray text;
    char buf[512];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        text.append(buf, int(n));
    ::close(fds[0]);
    ::waitpid(child, nullptr, 0);
    QVERIFY2(text.contains("permission denied") && text.contains("dialout"), text.constData());
    QVERIFY2(text.contains(pty.slavePath().toUtf8()), text.constData());
}

void TestSerialPort::closeIsHarmless()
{
    PtyPair pty;
    SerialPort port;
    port.close(); // never opened
    QVERIFY(!port.isOpen());
    QVERIFY(port.open(pty.slavePath(), "9600,n,8,1"));
    port.close();
    port.close();
    QVERIFY(!port.isOpen());
    QVERIFY(!port.write(kFrame));
    QVERIFY(!port.reopenIfLost()); // closed by the user: stays closed
    // Closing released the device for the next opening.
    QVERIFY2(port.open(pty.slavePath(), "9600,n,8,1"), qPrintable(port.errorString()));
    QVERIFY(port.write(kFrame));
    QCOMPARE(pty.read(2000, kFrame.size()), kFrame);
}

void TestSerialPort::staleBytesAreDropped()
{
    // Nobody reads the other end, as with a display that stopped taking data: the line fills
    // up and frames stay behind unsent. The newest frame must still be the next to go out.
    PtyPair pty;
    SerialPort port;
    QVERIFY(port.open(pty.slavePath(), "9600,n,8,1"));
    QByteArray frame = kFrame;
    const int frames = 20000; // far more than the line holds
    for (int i = 0; i < frames; ++i) {
        frame[1] = char(i % 60);
        frame[2] = char(i / 60 % 60);
        frame[3] = char(i / 3600);
        QVERIFY(port.write(frame));
    }
    QByteArray arrived;
    for (QByteArray chunk; !(chunk = pty.read(300, 1)).isEmpty();) {
        arrived += chunk;
        QCoreApplication::processEvents(); // lets anything still queued go out
    }
    QVERIFY(arrived.size() < frames * kFrameSize);
    QCOMPARE(arrived.right(kFrameSize).toHex(' '), frame.toHex(' '));
}

void TestSerialPort::otherEndGoneClosesOnce()
{
    PtyPair pty;
    SerialPort port;
    QSignalSpy lost(&port, &SerialPort::lost);
    QVERIFY(port.open(pty.slavePath(), "9600,n,8,1"));
    QVERIFY(port.write(kFrame));
    pty.closeMaster();

    SyncWarnings warnings;
    QVERIFY(!port.write(kFrame));
    QVERIFY(!port.isOpen());
    QVERIFY(port.wasLost());
    QVERIFY(!port.write(kFrame));
    QTest::qWait(200); // nothing more may come from the dead line
    QCOMPARE(warnings.count(), 1);
    QCOMPARE(lost.count(), 1);
    QVERIFY(lost.first().first().toString().contains(pty.slavePath()));
    QCOMPARE(port.errorString(), lost.first().first().toString());
}

void TestSerialPort::failedWriteClosesOnce_data()
{
    QTest::addColumn<bool>("reports");
    QTest::newRow("failure reported again and again") << true;
    QTest::newRow("write refused without a report") << false;
}

void TestSerialPort::failedWriteClosesOnce()
{
    QFETCH(bool, reports);
    PtyPair pty;
    auto *raw = new FailingPort;
    SerialPort port(raw);
    QSignalSpy lost(&port, &SerialPort::lost);
    QVERIFY(port.open(pty.slavePath(), "9600,n,8,1"));
    raw->failing = true;
    raw->reports = reports;

    SyncWarnings warnings;
    QVERIFY(!port.write(kFrame));
    QVERIFY(!port.isOpen());
    QVERIFY(port.wasLost());
    QVERIFY(!port.write(kFrame));
    QCOMPARE(warnings.count(), 1);
    QCOMPARE(lost.count(), 1);

    // The user then picks a port that does not open: that choice stands, nothing is retried.
    QVERIFY(!port.open(PortDevice {QString(), "“abc” is not a port number"}, "9600,n,8,1"));
    QCOMPARE(port.errorString(), QString("“abc” is not a port number"));
    QVERIFY(!port.wasLost());
    QVERIFY(!port.reopenIfLost());
    QVERIFY(!port.isOpen());
}

void TestSerialPort::lostPortReopens()
{
    // The display's device name stays while the adapter behind it is replaced.
    QTemporaryDir dir;
    const QString link = dir.filePath("display");
    auto first = std::make_unique<PtyPair>();
    QVERIFY(QFile::link(first->slavePath(), link));

    SerialPort port;
    QVERIFY(port.open(link, "9600,n,8,1"));
    first->closeMaster();
    {
        SyncWarnings warnings;
        QVERIFY(!port.write(kFrame));
        QCOMPARE(warnings.count(), 1);
    }
    QVERIFY(port.wasLost());

    // Still gone: the attempt fails quietly and the loss is kept for the next one.
    first.reset();
    QVERIFY(!port.reopenIfLost());
    QVERIFY(!port.isOpen());
    QVERIFY(port.wasLost());

    PtyPair second;
    QVERIFY(QFile::remove(link));
    QVERIFY(QFile::link(second.slavePath(), link));
    QVERIFY2(port.reopenIfLost(), qPrintable(port.errorString()));
    QVERIFY(port.isOpen());
    QVERIFY(!port.wasLost());
    QVERIFY(port.write(kFrame));
    QCOMPARE(second.read(2000, kFrameSize), kFrame);
    QVERIFY(!port.reopenIfLost()); // open and not lost: nothing to do
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_sync_serialport.moc"
