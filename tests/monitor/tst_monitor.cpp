// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "sync/FrameDecoder.h"
#include "sync/SerialPort.h"
#include "sync/SyncFrame.h"

#include "Pty.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <optional>
#include <termios.h>

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
    bool ready()
    {
        return QTest::qWaitFor([&] { return err().contains("listening on"); }, 5000);
    }
    // User and system clock ticks so far; none when they cannot be read.
    std::optional<long> cpuTicks() const
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(process.processId()));
        if (!stat.open(QIODevice::ReadOnly))
            return std::nullopt;
        const auto fields = stat.readAll().split(')').last().split(' '); // after the command name
        bool user = false, system = false;
        const long ticks = fields.value(12).toLong(&user) + fields.value(13).toLong(&system);
        return user && system ? std::optional(ticks) : std::nullopt;
    }
    QProcess process;
    QString outText, errText;
};

} // namespace

class TestMonitor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void decodesFields()
    {
        const DecodedFrame f = FrameDecoder().feed(kExample).value(0);
        QCOMPARE(f.gmt(), QTime(23, 59, 7));
        QCOMPARE(f.row(1), 22);
        QVERIFY(f.daylight(1) && !f.daylight(0));
        QCOMPARE(f.shows(1), QTime(6, 44, 7)); // +5:45 and an hour of daylight saving
        QCOMPARE(f.shows(2), QTime(16, 59, 7)); // west of GMT
        // The frame has no date: the nearest day counts, across midnight either way.
        const QDate day(2024, 3, 10);
        QCOMPARE(arrivalOffsetMs(f, QDateTime(day, {0, 0, 0, 250}, Qt::UTC)), 53250);
        QCOMPARE(arrivalOffsetMs(f, QDateTime(day, {23, 59, 6, 800}, Qt::UTC)), -200);
        QCOMPARE(arrivalOffsetMs(f, QDateTime(day, {1, 59, 7, 30}, Qt::OffsetFromUTC, 7200)), 30);
    }

    void findsFrames_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QList<QByteArray>>("expected");
        QTest::addColumn<qint64>("errors");
        QTest::addColumn<qint64>("discarded"); // bytes
        const QByteArray maxima = QByteArray::fromHex("FE3B3B179F9F9F9FFF");
        QTest::newRow("largest and smallest fields, noise around")
                << "\x01\x02" + maxima + kMidnight + "\xFF\x0A\x33" << QList {maxima, kMidnight}
                << qint64(0) << qint64(5);
        // Broken frames, each followed by a good one that must still be found.
        const auto broken = [](const char *name, const char *bad, qint64 discarded) {
            QTest::newRow(name) << QByteArray::fromHex(bad) + kExample << QList {kExample}
                                << qint64(1) << discarded;
        };
        broken("second 60", "FE3C3B170D0D0D0DFF", 9);
        broken("minute 60", "FE073C170D0D0D0DFF", 9);
        broken("hour 24", "FE073B180D0D0D0DFF", 9);
        broken("row 32", "FE073B17200D0D0DFF", 9);
        broken("cut short by a new frame", "FE073B17", 4);
        broken("no end marker, one byte too long", "FE073B170D96051F1FFF", 10);
    }
    void findsFrames()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QList<QByteArray>, expected);
        QFETCH(qint64, errors);
        QFETCH(qint64, discarded);
        for (qint64 cut = 0; cut <= stream.size(); ++cut) { // split anywhere; cut shown first
            FrameDecoder decoder;
            QList<QByteArray> found = asBytes(decoder.feed(stream.first(cut)));
            found += asBytes(decoder.feed(stream.sliced(cut)));
            QCOMPARE((QList {cut, decoder.frames(), decoder.errors(), decoder.discardedBytes(),
                             qint64(decoder.pendingBytes())}),
                     (QList {cut, expected.size(), errors, discarded, 0ll}));
            QCOMPARE(found, expected);
        }
    }

    // Noise with good frames sprinkled in, read in random pieces. Noise may by chance form a good
    // frame too, so the sent frames must come out as an ordered subsequence of what is found.
    void randomStreamWithFrames()
    {
        QRandomGenerator rng(20240611);
        QByteArray stream;
        QList<QByteArray> sent;
        for (int i = 0; i < 2000; ++i) {
            for (int n = int(rng.bounded(20)); n > 0; --n)
                stream.append(char(rng.bounded(256)));
            DecodedFrame f {quint8(rng.bounded(60)), quint8(rng.bounded(60)),
                            quint8(rng.bounded(24))};
            qToLittleEndian(rng.generate() & 0x9F9F9F9F, f.zoneCodes.data()); // rows, DST bits
            stream += sent.emplace_back(f.bytes());
        }
        FrameDecoder decoder;
        qsizetype next = 0;
        for (qsizetype at = 0, length; at < stream.size(); at += length) {
            length = rng.bounded(1, 40);
            for (const QByteArray &frame : asBytes(decoder.feed(stream.mid(at, length))))
                next += next < sent.size() && frame == sent.at(next);
            QVERIFY(decoder.pendingBytes() < kFrameSize);
        }
        QCOMPARE(next, sent.size());
        QCOMPARE(decoder.discardedBytes() + decoder.frames() * kFrameSize, stream.size());
    }

    // A serial device is read with the line settings asked for, until it goes away: then the
    // monitor ends with a failure. Ending at the frame count is the same whatever the source.
    void readsSerialDevice()
    {
        PtyPair pty;
        MonitorRun monitor({pty.slavePath(), "--settings", "19200,n,8,2"});
        QVERIFY(monitor.ready());
        termios line {}; // one set for both ends; parity and data bits are fixed on these
        QVERIFY(::tcgetattr(pty.masterFd(), &line) == 0);
        QVERIFY(::cfgetospeed(&line) == B19200 && (line.c_cflag & CSTOPB));
        QCOMPARE(::write(pty.masterFd(), kExample.constData(), kFrameSize), kFrameSize);
        QTRY_VERIFY2(monitor.out().contains("FE 07 3B 17 0D 96 05 1F FF"),
                     qPrintable(monitor.out()));
        pty.closeMaster();
        QTRY_COMPARE_WITH_TIMEOUT(monitor.process.state(), QProcess::NotRunning, 3000);
        QCOMPARE(monitor.process.exitCode(), 1);
        QVERIFY2(monitor.err().contains("frames 1, errors 0"), qPrintable(monitor.err()));
    }

    // Sent the way the program sends, through its serial port, which closes and later opens again.
    void runOverPty()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("display");
        MonitorRun monitor({"--pty", "--count", "2", "--json", "--link", link});
        QVERIFY(monitor.ready());
        SerialPort writer;
        QVERIFY2(writer.open(link, "9600,n,8,1"), qPrintable(writer.errorString()));
        const QDateTime sent = QDateTime::currentDateTimeUtc();
        const QByteArray frame = buildSyncFrame(sent, {13, 150, 5, 31});
        QVERIFY(writer.write("\n\r" + frame));
        QTRY_COMPARE_WITH_TIMEOUT(monitor.out().count('\n'), 1, 5000);
        const QJsonObject json = QJsonDocument::fromJson(monitor.out().toUtf8()).object();
        QCOMPARE(json["raw"].toString(), QString::fromLatin1(frame.toHex(' ').toUpper()));
        QCOMPARE(json["gmt"].toString(), sent.time().toString("HH:mm:ss"));
        const qint64 offset = json["offset_ms"].toInteger(-99999);
        QVERIFY2(offset >= 0 && offset < 2000, qPrintable(QString::number(offset)));
        QCOMPARE(json["slots"][0]["zone"].toString(), "(GMT) London");
        QCOMPARE(json["slots"][1]["dst"].toBool(), true);
        QCOMPARE(json["slots"][1]["shows"].toString(), sent.addSecs(24300).toString("HH:mm:ss"));
        writer.close();

        // No one holds the line now: the monitor waits, without keeping a core busy.
        const std::optional<long> before = monitor.cpuTicks();
        QTest::qWait(1000);
        QCOMPARE(monitor.process.state(), QProcess::Running);
        const std::optional<long> after = monitor.cpuTicks();
        QVERIFY2(before && after, "the monitor's CPU time cannot be read from /proc");
        QCOMPARE_LT(*after - *before, 30); // clock ticks
        QVERIFY2(writer.open(link, "9600,n,8,1"), qPrintable(writer.errorString()));
        QVERIFY(writer.write(buildSyncFrame(QDateTime::currentDateTimeUtc(), {31, 31, 31, 31})));
        QVERIFY(monitor.process.waitForFinished(5000));
        QCOMPARE(monitor.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(monitor.process.exitCode(), 0);
        QCOMPARE(monitor.out().count('\n'), 2);
        QVERIFY(monitor.err().contains("frames 2, errors 0, discarded bytes 2"));
        QVERIFY(!QFileInfo(link).isSymLink()); // removed on exit
    }
};

QTEST_GUILESS_MAIN(TestMonitor)
#include "tst_monitor.moc"
