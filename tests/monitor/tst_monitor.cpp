#include "sync/FrameDecoder.h"
#include "sync/SerialPort.h"
#include "sync/SyncFrame.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace mrv;

namespace {

const QByteArray kExample = QByteArray::fromHex("FE073B170D96051FFF"); // 23:59:07, 13 150 5 31
const QByteArray kMidnight = QByteArray::fromHex("FE00000000000000FF");

QList<QByteArray> asBytes(const QList<DecodedFrame> &frames)
{
    QList<QByteArray> out;
    for (const DecodedFrame &frame : frames)
        out << frame.bytes();
    return out;
}

// The monitor binary, run as a user would.
struct MonitorRun
{
    explicit MonitorRun(const QStringList &arguments) { process.start(MONITOR_BINARY, arguments); }
    ~MonitorRun() { process.kill(), process.waitForFinished(2000); }
    QString err() { return errText += QString::fromLocal8Bit(process.readAllStandardError()); }
    QString out() { return outText += QString::fromLocal8Bit(process.readAllStandardOutput()); }
    // The pseudo-terminal path it announces, or empty if it said none in time.
    QString listeningOn()
    {
        static const QRegularExpression line("listening on (\\S+)");
        const bool said = QTest::qWaitFor([&] { return line.match(err()).hasMatch(); }, 5000);
        return said ? line.match(err()).captured(1) : QString();
    }
    long cpuTicks() const // user and system, so far
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(process.processId()));
        const QString text = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
        const QStringList fields = text.section(')', -1).split(' '); // after the command name
        return fields.value(12).toLong() + fields.value(13).toLong();
    }
    QProcess process;
    QString outText, errText;
};

} // namespace

class TestMonitor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void decodesFields();
    void findsFrames_data();
    void findsFrames();
    void splitAnywhere_data();
    void splitAnywhere();
    void randomStreamWithFrames();
    void runOverPty();
};

void TestMonitor::decodesFields()
{
    const DecodedFrame f = FrameDecoder().feed(kExample).value(0);
    QCOMPARE(f.gmt(), QTime(23, 59, 7));
    QCOMPARE(f.row(1), 22);
    QVERIFY(f.daylight(1) && !f.daylight(0));
    QCOMPARE(f.shows(1), QTime(6, 44, 7)); // +5:45 and an hour of daylight saving
    QCOMPARE(f.shows(2), QTime(16, 59, 7)); // west of GMT
    // The frame has no date: the nearest day counts, across midnight either way.
    const QDate day(2024, 3, 10);
    QCOMPARE(arrivalOffsetMs(f, QDateTime(day, QTime(0, 0, 0, 250), Qt::UTC)), 53250);
    QCOMPARE(arrivalOffsetMs(f, QDateTime(day, QTime(23, 59, 6, 800), Qt::UTC)), -200);
    QCOMPARE(arrivalOffsetMs(f, QDateTime(day, QTime(1, 59, 7, 30), Qt::OffsetFromUTC, 7200)), 30);
}

void TestMonitor::findsFrames_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QList<QByteArray>>("expected");
    QTest::addColumn<int>("errors");
    QTest::addColumn<int>("discarded");
    const QByteArray maxima = QByteArray::fromHex("FE3B3B179F9F9F9FFF");
    QTest::newRow("largest fields") << maxima << QList {maxima} << 0 << 0;
    QTest::newRow("back to back, noise around")
            << "\x01\x02" + kExample + kMidnight + "\xFF\x0A\x33" << QList {kExample, kMidnight}
            << 0 << 5;
    // Broken frames, each followed by a good one that must still be found.
    const auto broken = [](const char *name, const char *bad, int errors, int discarded) {
        QTest::newRow(name) << QByteArray::fromHex(bad) + kExample << QList {kExample} << errors
                            << discarded;
    };
    broken("second 60", "FE3C3B170D0D0D0DFF", 1, 9);
    broken("minute 60", "FE073C170D0D0D0DFF", 1, 9);
    broken("hour 24", "FE073B180D0D0D0DFF", 1, 9);
    broken("row 32", "FE073B17200D0D0DFF", 1, 9);
    broken("no end marker", "FE073B170D0D0D0D00", 1, 9);
    broken("cut short by a new frame", "FE073B17", 1, 4);
    broken("start markers in a row", "FEFEFE", 3, 3);
    broken("one byte too long", "FE073B170D96051F1FFF", 1, 10);
}

void TestMonitor::findsFrames()
{
    QFETCH(QByteArray, stream);
    QFETCH(QList<QByteArray>, expected);
    QFETCH(int, errors);
    QFETCH(int, discarded);
    FrameDecoder decoder;
    QCOMPARE(asBytes(decoder.feed(stream)), expected);
    QCOMPARE(decoder.frames(), expected.size());
    QCOMPARE(decoder.errors(), errors);
    QCOMPARE(decoder.discardedBytes(), discarded);
    QCOMPARE(decoder.pendingBytes(), 0);
}

void TestMonitor::splitAnywhere_data()
{
    QTest::addColumn<QList<QByteArray>>("pieces");
    const QByteArray stream = "\xAA" + kExample + "\xFE\x07" + kMidnight;
    for (int cut = 0; cut <= stream.size(); ++cut)
        QTest::addRow("at %d", cut) << QList {stream.left(cut), stream.mid(cut)};
}

void TestMonitor::splitAnywhere()
{
    QFETCH(QList<QByteArray>, pieces);
    FrameDecoder decoder;
    QList<QByteArray> found;
    for (const QByteArray &piece : pieces)
        found += asBytes(decoder.feed(piece));
    QCOMPARE(found, (QList {kExample, kMidnight}));
    QCOMPARE(decoder.errors(), 1);
    QCOMPARE(decoder.discardedBytes(), 3);
}

// Noise with good frames sprinkled in, read in random pieces. Noise may by chance form a good
// frame too, so the sent frames must come out as an ordered subsequence of what is found.
void TestMonitor::randomStreamWithFrames()
{
    QRandomGenerator rng(20240611);
    QByteArray stream;
    QList<QByteArray> sent;
    for (int i = 0; i < 2000; ++i) {
        for (int n = int(rng.bounded(20)); n > 0; --n)
            stream.append(char(rng.bounded(256)));
        DecodedFrame f {quint8(rng.bounded(60)), quint8(rng.bounded(60)), quint8(rng.bounded(24))};
        for (quint8 &code : f.zoneCodes)
            code = quint8(rng.bounded(32) | (rng.bounded(2) ? 0x80 : 0));
        sent << f.bytes();
        stream += f.bytes();
    }
    FrameDecoder decoder;
    qsizetype next = 0;
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype len = qMin<qsizetype>(rng.bounded(1, 40), stream.size() - at);
        for (const QByteArray &frame :
             asBytes(decoder.feed(QByteArrayView(stream).sliced(at, len))))
            next += next < sent.size() && frame == sent.at(next);
        QVERIFY(decoder.pendingBytes() < kFrameSize);
        at += len;
    }
    QCOMPARE(next, sent.size());
    QCOMPARE(decoder.discardedBytes() + decoder.frames() * kFrameSize, stream.size());
}

// Sent the way the program sends, through its serial port, which closes and later opens again.
void TestMonitor::runOverPty()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("display");
    MonitorRun monitor({"--pty", "--count", "2", "--json", "--link", link});
    QVERIFY(!monitor.listeningOn().isEmpty());
    SerialPort writer;
    QVERIFY2(writer.open(link, "9600,n,8,1"), qPrintable(writer.errorString()));
    const QDateTime sent = QDateTime::currentDateTimeUtc();
    const QByteArray frame = buildSyncFrame(sent, {13, 150, 5, 31});
    QVERIFY(writer.write("\n\r" + frame));
    QTRY_COMPARE_WITH_TIMEOUT(monitor.out().count('\n'), 1, 5000);
    const QJsonObject json = QJsonDocument::fromJson(monitor.out().toUtf8()).object();
    const QString gmt = sent.time().toString("HH:mm:ss");
    QCOMPARE(json.value("raw").toString(), QString::fromLatin1(frame.toHex(' ').toUpper()));
    QCOMPARE(json.value("gmt").toString(), gmt);
    const qint64 offset = json.value("offset_ms").toInteger(-99999);
    QVERIFY2(offset >= 0 && offset < 2000, qPrintable(QString::number(offset)));
    const QJsonArray slots = json.value("slots").toArray();
    QCOMPARE(slots.at(0).toObject().value("zone").toString(), "(GMT) London");
    QCOMPARE(slots.at(1).toObject().value("dst").toBool(), true);
    QCOMPARE(slots.at(1).toObject().value("shows").toString(),
             sent.time().addSecs(6 * 3600 + 45 * 60).toString("HH:mm:ss"));
    writer.close();

    // No one holds the line now: the monitor waits, without keeping a core busy.
    const long before = monitor.cpuTicks();
    QTest::qWait(1000);
    QCOMPARE(monitor.process.state(), QProcess::Running);
    const long used = monitor.cpuTicks() - before;
    QVERIFY2(used < 30, qPrintable(QStringLiteral("%1 ticks while idle").arg(used)));

    QVERIFY2(writer.open(link, "9600,n,8,1"), qPrintable(writer.errorString()));
    QVERIFY(writer.write(buildSyncFrame(QDateTime::currentDateTimeUtc(), {31, 31, 31, 31})));
    QVERIFY(monitor.process.waitForFinished(5000));
    QVERIFY(monitor.process.exitStatus() == QProcess::NormalExit && !monitor.process.exitCode());
    QCOMPARE(monitor.out().count('\n'), 2);
    QVERIFY(monitor.err().contains("frames 2, errors 0, discarded bytes 2"));
    QVERIFY(!QFileInfo(link).isSymLink()); // removed on exit
}

QTEST_GUILESS_MAIN(TestMonitor)
#include "tst_monitor.moc"
