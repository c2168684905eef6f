#include "OffsetStats.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace mrv;

namespace {

// The monitor binary, run as a user would.
class MonitorRun
{
public:
    explicit MonitorRun(const QStringList &arguments)
    {
        m_process.start(QStringLiteral(MONITOR_BINARY), arguments);
    }
    ~MonitorRun()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }

    QProcess &process() { return m_process; }
    QString err() { return m_err += QString::fromLocal8Bit(m_process.readAllStandardError()); }
    QString out() { return m_out += QString::fromLocal8Bit(m_process.readAllStandardOutput()); }

    // The pseudo-terminal path it announces, or empty if it said none within the time.
    QString listeningOn()
    {
        static const QRegularExpression line(QStringLiteral("listening on (\\S+)"));
        QRegularExpressionMatch match;
        const bool said = QTest::qWaitFor(
                [&] {
                    match = line.match(err());
                    return match.hasMatch() || m_process.state() == QProcess::NotRunning;
                },
                5000);
        return said ? match.captured(1) : QString();
    }

    bool finished(int timeoutMs = 5000)
    {
        const bool done =
                m_process.state() == QProcess::NotRunning || m_process.waitForFinished(timeoutMs);
        out();
        err();
        return done;
    }

    // CPU ticks (user + system) the monitor has used so far.
    long cpuTicks() const
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(m_process.processId()));
        if (!stat.open(QIODevice::ReadOnly))
            return -1;
        const QString text = QString::fromLatin1(stat.readAll());
        const QStringList fields = text.mid(text.lastIndexOf(QLatin1Char(')')) + 2).split(' ');
        return fields.value(11).toLong() + fields.value(12).toLong();
    }

private:
    QProcess m_process;
    QString m_out;
    QString m_err;
};

// The sending side, opened the way a program opens a serial port.
class Writer
{
public:
    explicit Writer(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY))
    {
        termios tio {};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~Writer() { close(); }
    bool isOpen() const { return m_fd >= 0; }
    bool write(const QByteArray &bytes)
    {
        return ::write(m_fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
};

// A frame for the current GMT second with the given zone codes.
QByteArray frameNow(const QDateTime &utc, std::array<quint8, 4> codes)
{
    QByteArray frame;
    frame.append(char(0xFE)).append(char(utc.time().second()));
    frame.append(char(utc.time().minute())).append(char(utc.time().hour()));
    for (quint8 code : codes)
        frame.append(char(code));
    return frame.append(char(0xFF));
}

} // namespace

class TestMonitor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void frameAsJson();
    void keepsListeningWhenTheSenderReopens();
    void stopsOnSignalWithSummary();

    void exitStatus_data();
    void exitStatus();

    void percentiles_data();
    void percentiles();
};

void TestMonitor::frameAsJson()
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("display"));
    MonitorRun monitor({"--pty", "--count", "1", "--json", "--link", link});
    QVERIFY(!monitor.listeningOn().isEmpty());

    Writer writer(link);
    QVERIFY(writer.isOpen());
    const QDateTime sent = QDateTime::currentDateTimeUtc();
    const QByteArray frame = frameNow(sent, {13, 150, 5, 31});
    QVERIFY(writer.write(QByteArray::fromHex("0A0D") + frame.left(4)));
    QVERIFY(writer.write(frame.mid(4)));
    QVERIFY(monitor.finished());
    QCOMPARE(monitor.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(monitor.process().exitCode(), 0);

    const QStringList lines = monitor.out().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(lines.first().toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);

    const QString gmt = sent.time().toString(QStringLiteral("HH:mm:ss"));
    QCOMPARE(json.value("raw").toString(), QString::fromLatin1(frame.toHex(' ').toUpper()));
    QCOMPARE(json.value("gmt").toString(), gmt);
    const QDateTime arrival =
            QDateTime::fromString(json.value("arrival").toString(), Qt::ISODateWithMs);
    QVERIFY(arrival.isValid());
    QVERIFY(qAbs(sent.msecsTo(arrival)) < 2000);
    const qint64 offset = json.value("offset_ms").toInteger(-99999);
    QVERIFY2(offset >= 0 && offset < 2000, qPrintable(QString::number(offset)));

    const QJsonArray slots = json.value("slots").toArray();
    QCOMPARE(slots.size(), 4);
    const QJsonObject london = slots.at(0).toObject();
    QCOMPARE(london.value("slot").toInt(), 1);
    QCOMPARE(london.value("row").toInt(), 13);
    QCOMPARE(london.value("zone").toString(), QStringLiteral("(GMT) London"));
    QCOMPARE(london.value("dst").toBool(), false);
    QCOMPARE(london.value("shows").toString(), gmt);
    const QJsonObject kathmandu = slots.at(1).toObject();
    QCOMPARE(kathmandu.value("row").toInt(), 22);
    QCOMPARE(kathmandu.value("dst").toBool(), true);
    QCOMPARE(kathmandu.value("shows").toString(),
             sent.time().addSecs(6 * 3600 + 45 * 60).toString(QStringLiteral("HH:mm:ss")));

    QVERIFY(monitor.err().contains(QStringLiteral("frames 1, errors 0, discarded bytes 2")));
    QVERIFY(!QFileInfo(link).isSymLink()); // removed on exit
}

void TestMonitor::keepsListeningWhenTheSenderReopens()
{
    MonitorRun monitor({"--pty", "--count", "2", "--json"});
    const QString path = monitor.listeningOn();
    QVERIFY(!path.isEmpty());

    {
        Writer first(path);
        QVERIFY(first.write(frameNow(QDateTime::currentDateTimeUtc(), {0, 0, 0, 0})));
        QTRY_VERIFY_WITH_TIMEOUT(monitor.out().count(QLatin1Char('\n')) == 1, 5000);
    }

    // No one holds the line now: the monitor waits, without keeping a core busy.
    const long before = monitor.cpuTicks();
    QTest::qWait(1000);
    QCOMPARE(monitor.process().state(), QProcess::Running);
    const long used = monitor.cpuTicks() - before;
    QVERIFY2(used < 30, qPrintable(QStringLiteral("%1 ticks while idle").arg(used)));

    Writer second(path);
    QVERIFY(second.write(frameNow(QDateTime::currentDateTimeUtc(), {31, 31, 31, 31})));
    QVERIFY(monitor.finished());
    QCOMPARE(monitor.process().exitCode(), 0);
    QCOMPARE(monitor.out().count(QLatin1Char('\n')), 2);
}

void TestMonitor::stopsOnSignalWithSummary()
{
    MonitorRun monitor({"--pty"});
    QVERIFY(!monitor.listeningOn().isEmpty());
    monitor.process().terminate();
    QVERIFY(monitor.finished());
    QCOMPARE(monitor.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(monitor.process().exitCode(), 0);
    QVERIFY(monitor.err().contains(QStringLiteral("frames 0, errors 0")));
}

void TestMonitor::exitStatus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("says");

    QTest::newRow("version") << QStringList {"--version"} << 0 << "";
    QTest::newRow("no frame in time")
            << QStringList {"--pty", "--timeout", "0.3"} << 1 << "no frame for 0.3 s";
    QTest::newRow("unknown option") << QStringList {"--pty", "--frobnicate"} << 2 << "frobnicate";
    QTest::newRow("missing device")
            << QStringList {"/nonexistent/ttyUSB9"} << 2 << "cannot open /nonexistent/ttyUSB9";
    QTest::newRow("not a serial device")
            << QStringList {"/dev/null"} << 2 << "cannot open /dev/null";
    QTest::newRow("bad settings") << QStringList {"--pty", "--settings", "9600,q,8,1"} << 2
                                  << "9600,q,8,1";
    QTest::newRow("device and pty") << QStringList {"--pty", "/dev/ttyS0"} << 2 << "--pty";
    QTest::newRow("no device") << QStringList {} << 2 << "no device";
    QTest::newRow("count zero") << QStringList {"--pty", "--count", "0"} << 2 << "--count";
    QTest::newRow("timeout not a number")
            << QStringList {"--pty", "--timeout", "soon"} << 2 << "--timeout";
    QTest::newRow("link without pty")
            << QStringList {"/dev/ttyS0", "--link", "/tmp/x"} << 2 << "--link";
}

void TestMonitor::exitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, says);

    MonitorRun monitor(arguments);
    QVERIFY(monitor.finished());
    QCOMPARE(monitor.process().exitCode(), status);
    if (status == 2) {
        const QStringList lines = monitor.err().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.first().contains(says), qPrintable(lines.first()));
    } else {
        QVERIFY2(monitor.err().contains(says), qPrintable(monitor.err()));
    }
}

void TestMonitor::percentiles_data()
{
    QTest::addColumn<QList<qint64>>("offsets");
    QTest::addColumn<qint64>("p50");
    QTest::addColumn<qint64>("p99");
    QTest::addColumn<qint64>("max");

    QTest::newRow("none") << QList<qint64> {} << qint64(0) << qint64(0) << qint64(0);
    QTest::newRow("one") << QList<qint64> {7} << qint64(7) << qint64(7) << qint64(7);
    QTest::newRow("even count takes the lower middle")
            << QList<qint64> {4, 1, 3, 2} << qint64(2) << qint64(4) << qint64(4);
    QTest::newRow("negative and repeated")
            << QList<qint64> {-5, -5, -5, 10} << qint64(-5) << qint64(10) << qint64(10);
    QList<qint64> hundred;
    for (int i = 1; i <= 100; ++i)
        hundred << i;
    QTest::newRow("one to a hundred") << hundred << qint64(50) << qint64(99) << qint64(100);
}

void TestMonitor::percentiles()
{
    QFETCH(QList<qint64>, offsets);
    QFETCH(qint64, p50);
    QFETCH(qint64, p99);
    QFETCH(qint64, max);
    OffsetStats stats;
    for (qint64 offset : offsets)
        stats.add(offset);
    QCOMPARE(stats.count(), offsets.size());
    QCOMPARE(stats.percentile(50), p50);
    QCOMPARE(stats.percentile(99), p99);
    QCOMPARE(stats.max(), max);
}

QTEST_GUILESS_MAIN(TestMonitor)
#include "tst_monitor.moc"
