// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/DeviceFile.h"
#include "platform/IniFile.h"
#include "platform/PortMap.h"
#include "platform/SerialPort.h"
#include "domain/SyncFrame.h"
#include "domain/SyncSchedule.h"

#include "Pty.h"

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <list>
#include <optional>

using namespace mrv;
using namespace Qt::StringLiterals;

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
    void report() { failing == Reports ? Q_EMIT errorOccurred(ResourceError) : void(); }
};

const QByteArray kFrame = QByteArray::fromHex("FE073B170D96051FFF"); // 23:59:07, 13 150 5 31
const QDateTime kNoon(QDate(2024, 3, 31), QTime(12, 0), Qt::UTC);
constexpr int kNoPick = -2;

} // namespace

class TestSync : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QTest::failOnWarning(QRegularExpression(".*")); }

    void frameBytes()
    {
        const QDate day(2024, 3, 31);
        const std::array codes {makeZoneCode(13, false), makeZoneCode(22, true),
                                makeZoneCode(5, false), makeZoneCode(31 + 128, false)};
        QCOMPARE(codes, (std::array<quint8, 4> {13, 150, 5, 31})); // row 159 is no daylight flag
        QVERIFY(zoneCodeRow(150) == 22 && zoneCodeDaylight(150) && !zoneCodeDaylight(31));
        QCOMPARE(buildSyncFrame(QDateTime(day, {23, 59, 7}, Qt::UTC), codes), kFrame);
        QCOMPARE(buildSyncFrame(QDateTime(day, {0, 0}, Qt::UTC), {0, 0, 0, 0}).toHex(' '),
                 "fe 00 00 00 00 00 00 00 ff");
        QCOMPARE(buildSyncFrame(QDateTime(), {1, 2, 3, 4}), QByteArray()); // not -1s, read as FF
    }

    // Frames fall due by the seconds that elapsed, whatever the ticks in between.
    void dueSeconds_data()
    {
        QTest::addColumn<int>("interval"); // as the settings held it
        QTest::addColumn<int>("counter");
        QTest::addColumn<int>("picked"); // the interval then picked, in seconds; kNoPick: none
        QTest::addColumn<bool>("syncNow"); // "Sync Now" after that
        QTest::addColumn<QList<qint64>>("ticks"); // the wall-clock second of each tick
        QTest::addColumn<QList<qint64>>("due"); // the seconds at which a frame falls due
        const auto row = [](const char *name, int interval, int counter, int picked, bool syncNow,
                            const QList<qint64> &ticks, const QList<qint64> &due) {
            QTest::newRow(name) << interval << counter << picked << syncNow << ticks << due;
        };
        // Every second from `from` to `to`.
        const auto run = [](qint64 from, qint64 to) {
            QList<qint64> seconds;
            for (qint64 s = from; s <= to; ++s)
                seconds << s;
            return seconds;
        };
        row("start-up on 15 minutes", 0, 0, 900, true, run(1, 1801), {1, 901, 1801});
        row("60 to 1 minute at 120", 3600, 120, 60, false, run(1, 61), {1, 61});
        row("1 to 60 minutes at 30", 60, 30, 3600, false, run(1, 3600), {3570});
        row("a day, for a display of its own", 86400, 86398, kNoPick, false, run(1, 3), {2});
        row("every second", 0, 0, 1, true, run(1, 3), {1, 2, 3});
        row("count near the top", 3600, 32766, kNoPick, false, run(1, 2), {1});
        row("top count, no interval", 0, 32767, kNoPick, false, run(1, 2), {1, 2});
        // The program sleeps between frames: one tick per frame is enough.
        row("only the due seconds tick", 60, 0, kNoPick, true, {1, 61, 121}, {1, 61, 121});
        row("a second ticked twice counts once", 0, 0, kNoPick, true, {1, 1, 2, 2}, {1, 2});
        row("late by 3 s: the next stays on its second", 60, 0, 60, true, run(1, 59) + run(63, 121),
            {1, 63, 121});
        row("a frame due during a suspend goes out at once, then on its second", 60, 0, 60, true,
            run(1, 10) + run(10000, 10021), {1, 10000, 10021});
        row("clock stepped forward past the due second", 60, 0, 60, true,
            run(1, 30) + run(100, 121), {1, 100, 121});
        row("clock set back an hour: same second of the minute", 60, 0, 60, true,
            run(1, 30) + run(-3570, -3539), {1, -3539});
        row("clock set back, every second", 0, 0, kNoPick, true, {1, 2, -100, -99}, {1, 2, -99});
    }
    void dueSeconds()
    {
        QFETCH(int, interval);
        QFETCH(int, counter);
        QFETCH(int, picked);
        QFETCH(bool, syncNow);
        QFETCH(QList<qint64>, ticks);
        SyncSchedule schedule {interval, counter};
        if (picked != kNoPick)
            schedule.setInterval(picked);
        if (syncNow)
            schedule.syncNow();
        QVERIFY(!schedule.nextDue()); // nothing known before the first tick
        QList<qint64> seen;
        std::optional<qint64> promised; // what the schedule said the next due second was
        for (qint64 second : ticks) {
            const bool due = schedule.tick(second);
            if (due)
                seen.append(second);
            // Ticking only at the promised seconds would have missed none of these frames.
            QVERIFY2(!due || !promised || second >= *promised, qPrintable(QString::number(second)));
            promised = schedule.nextDue();
            QVERIFY(promised && *promised > second);
        }
        QTEST(seen, "due");
    }

    void deviceForPort()
    {
        QTemporaryFile file;
        QVERIFY(file.open() && file.write("[PORTS]\ncom3 = /dev/ttyUSB0\nCOM4=\n") > 0);
        file.close();
        const auto device = [&](const QString &number) {
            const PortDevice found = mrv::deviceForPort(number, IniFile(file.fileName()));
            return found.path + found.error;
        };
        QCOMPARE(device("3"), "/dev/ttyUSB0"); // keys in any case
        QCOMPARE(device(" 4 "), "/dev/ttyS3"); // empty override
        QCOMPARE(device("\t12"), "/dev/ttyS11");
        QCOMPARE(device("32767"), "/dev/ttyS32766");
        for (const QString number : {"abc", "0", "-1", "32768"})
            QCOMPARE(device(number), "“" + number + "” is not a port number");
    }

    // 1.5 stop bits are never a silent fallback.
    void open_data()
    {
        // Empty: a fresh pseudo-terminal; relative: a link to it, made in a folder of the test's.
        QTest::addColumn<QString>("device");
        // Who else holds the device: "port", another port of ours; "program", another program,
        // by its lock file under the device's own name.
        QTest::addColumn<QString>("holder");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("outcome"); // what the port is set to, or a piece of the error
        const auto row = [](const char *name, const char *settings, const QString &outcome,
                            const QString &device = {}, const char *holder = "") {
            QTest::newRow(name) << device << QString(holder) << settings << outcome;
        };
        row("the usual settings", "9600,n,8,1", "9600 N 8 1");
        row("blanks around fields, capitals", " 19200 , E , 7 , 2 ", "19200 E 7 2");
        row("odd parity, 5 data bits", "300,o,5,1", "300 O 5 1");
        row("mark parity, 6 data bits", "115200,M,6,2", "115200 M 6 2");
        row("space parity", "1200,s,8,1", "1200 S 8 1");
        row("no such device", "9600,n,8,1", "No such file", "/dev/mirovalent-no-such-tty");
        row("held by another port", "9600,n,8,1", "busy or locked", {}, "port");
        row("held by another port, opened through a link", "9600,n,8,1", "busy or locked",
            "by-id/usb-FTDI-if00", "port");
        row("locked by another program, opened through a link", "9600,n,8,1", "busy or locked",
            "by-id/usb-FTDI-if00", "program");
        row("a link too long to name a lock locks the device", "9600,n,8,1", "9600 N 8 1",
            QString(200, 'd') + "/" + QString(60, 'l'));
        row("long path to nothing", "9600,n,8,1", "No such file",
            "/mirovalent-no-such/" + QString(240, 'x'));
        row("1.5 stop bits", "9600,n,8,1.5", "1.5 stop bits");
        row("a field missing", "9600,n,8", "“9600,n,8”");
        row("speed 0", "0,n,8,1", "“0”");
        row("speed with a sign", "+9600,n,8,1", "“+9600”");
        row("speed past 32 bits", "99999999999,n,8,1", "“99999999999”");
        row("parity spelt out", "9600,none,8,1", "“none”");
        row("4 data bits", "9600,n,4,1", "“4”");
        row("3 stop bits", "9600,n,8,3", "“3”");
    }
    void open()
    {
        QFETCH(QString, device);
        QFETCH(QString, holder);
        QFETCH(QString, settings);
        QFETCH(QString, outcome);
        PtyPair pty;
        SerialPort other;
        if (holder == u"port")
            QVERIFY(other.open(pty.slavePath(), "9600,n,8,1"));
        QProcess program;
        const QString lock = lockFilePath(pty.slavePath());
        const auto removeLock = qScopeGuard([&] {
            if (holder == u"program")
                QFile::remove(lock);
            program.kill();
            program.waitForFinished();
        });
        if (holder == u"program") {
            if (!QFileInfo(QFileInfo(lock).path()).isWritable())
                QSKIP("the lock folder is not writable here");
            program.start("sleep", {"60"});
            QVERIFY(program.waitForStarted());
            QFile file(lock); // as lockdev writes it
            QVERIFY(file.open(QIODevice::WriteOnly)
                    && file.write(QByteArray::number(program.processId()).rightJustified(10) + '\n')
                               > 0);
        }
        QTemporaryDir dir;
        if (device.isEmpty()) {
            device = pty.slavePath();
        } else if (QDir::isRelativePath(device)) {
            device = dir.filePath(device);
            QVERIFY(QDir().mkpath(QFileInfo(device).path())
                    && QFile::link(pty.slavePath(), device));
        }
        auto *raw = new QSerialPort;
        SerialPort port(raw);
        if (!port.open(device, settings)) {
            QVERIFY(!port.isOpen());
            for (const QString &piece : {outcome, device})
                QVERIFY2(port.errorString().contains(piece), qPrintable(port.errorString()));
            return;
        }
        QCOMPARE(raw->openMode(), QIODevice::WriteOnly);
        QCOMPARE(raw->flowControl(), QSerialPort::NoFlowControl);
        QCOMPARE(QString::asprintf("%d %c %d %d", raw->baudRate(), "N?EOSM"[raw->parity()],
                                   raw -> dataBits(), raw -> stopBits()),
                 outcome);
    }

    // One device has one lock, named by the device's own file, under whatever name it is given.
    void lockFile_data()
    {
        QTest::addColumn<QString>("name"); // "PTY": the pseudo-terminal; relative: a link to it
        QTest::addColumn<QString>(
                "lock"); // "PTY": the pseudo-terminal's, as another program names it
        QTest::newRow("the device") << u"PTY"_s << u"PTY"_s;
        QTest::newRow("a link to it") << u"by-id/usb-FTDI-if00"_s << u"PTY"_s;
        QTest::newRow("a link to a link to it") << u"link2"_s << u"PTY"_s;
        QTest::newRow("a bare name") << u"ttyS0"_s << u"/locks/LCK..ttyS0"_s;
        QTest::newRow("a path outside /dev")
                << u"/nowhere/tty0"_s << u"/locks/LCK.._nowhere_tty0"_s;
    }
    void lockFile()
    {
        QFETCH(QString, name);
        QFETCH(QString, lock);
        PtyPair pty;
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath("by-id")));
        QVERIFY(QFile::link(pty.slavePath(), dir.filePath("by-id/usb-FTDI-if00")));
        QVERIFY(QFile::link(dir.filePath("by-id/usb-FTDI-if00"), dir.filePath("link2")));
        const QString device =
                name == u"PTY" ? pty.slavePath()
                : QDir::isRelativePath(name) && name.contains(u'/') || name == u"link2"
                        ? dir.filePath(name)
                        : name;
        // /dev/pts/3 is locked as LCK..pts_3
        const QString expected =
                lock == u"PTY" ? "/locks/LCK.." + pty.slavePath().mid(5).replace(u'/', u'_') : lock;
        QCOMPARE(lockFilePath(device, "/locks"), expected);
    }

    // Bytes go out as given, none translated. When nobody reads the other end, the line fills
    // up, yet the newest frame still goes out next.
    void bytesOnTheLine()
    {
        PtyPair pty;
        SerialPort port;
        QVERIFY(port.open(pty.slavePath(), "9600,n,8,1"));
        QByteArray bytes = kFrame + QByteArray::fromHex("0A0D0D0A0300111304087F");
        for (int b = 0x80; b <= 0x9F; ++b)
            bytes.append(char(b));
        QVERIFY(port.write(bytes));
        QCOMPARE(pty.read(2000, bytes.size()).toHex(' '), bytes.toHex(' ')); // nothing more
        QByteArray frame;
        for (int i = 0; i < 20000; ++i) // far more than the line holds
            QVERIFY(port.write(frame = buildSyncFrame(kNoon.addSecs(i), {13, 150, 5, 31})));
        QByteArray arrived; // reading lets anything still queued go out
        while (!(bytes = pty.read(300, 1)).isEmpty())
            arrived += bytes, QCoreApplication::processEvents();
        QVERIFY(arrived.size() < 20000 * kFrameSize);
        QCOMPARE(arrived.right(kFrameSize).toHex(' '), frame.toHex(' '));
    }

    // Lost however it happens, the line closes once and says so once. Only the device that was
    // lost opens again: another one at its name, even under its old number, gets no byte.
    void lineLost_data()
    {
        QTest::addColumn<int>("how"); // how writes fail; Works: the other end closes for good
        QTest::addColumn<bool>("writes"); // a frame is sent after the failure
        QTest::addColumn<bool>("sameNumber"); // the other device has the lost one's number
        QTest::newRow("hang-up, nothing written") << int(FailingPort::Works) << false << true;
        QTest::newRow("hang-up, then a write") << int(FailingPort::Works) << true << false;
        QTest::newRow("write refused without a report")
                << int(FailingPort::Refuses) << true << false;
        QTest::newRow("driver reports again and again")
                << int(FailingPort::Reports) << true << false;
    }
    void lineLost()
    {
        QFETCH(int, how);
        QFETCH(bool, writes);
        QFETCH(bool, sameNumber);
        // The display's device name is a link, as /dev/serial/by-id names are.
        QTemporaryDir dir;
        const QString link = dir.filePath("display");
        PtyPair first;
        QVERIFY(QFile::link(first.slavePath(), link));
        auto *raw = new FailingPort;
        SerialPort port(raw);
        QSignalSpy lost(&port, &SerialPort::lost);
        QVERIFY(port.open(link, "9600,n,8,1"));
        raw->failing = decltype(raw->failing)(how);
        if (!how)
            first.closeMaster();
        // Once, naming the device: init() fails a second warning.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(link)));
        if (writes)
            QVERIFY(!port.write(kFrame));
        QTRY_VERIFY(!port.isOpen()); // without a write, noticed by the event loop
        QVERIFY(!port.write(kFrame));
        QTest::qWait(100); // nothing more may come from the dead line
        QCOMPARE(lost.count(), 1);
        QVERIFY(port.errorString().contains(link) && lost[0][0] == port.errorString());

        raw->failing = FailingPort::Works;
        std::list<PtyPair> others; // the lowest free number goes to the next one made
        do
            others.emplace_back();
        while (others.size() < 20
               && (others.back().slavePath() == first.slavePath()) != sameNumber);
        if ((others.back().slavePath() == first.slavePath()) != sameNumber)
            QSKIP("another program holds the pseudo-terminal number");
        PtyPair &other = others.back();
        QVERIFY(QFile::remove(link) && QFile::link(other.slavePath(), link));
        QVERIFY(!port.reopenIfLost() && !port.reopenIfLost() && port.wasLost());
        QVERIFY(!port.write(kFrame) && other.drain().isEmpty());
        PtyPair &device = how ? first : other; // the user may still choose whatever is there now
        if (how) {
            // Unplugged: the attempt fails quietly and the loss is kept; plugged in, it is back.
            QVERIFY(QFile::remove(link) && !port.reopenIfLost() && port.wasLost());
            QVERIFY(QFile::link(first.slavePath(), link));
            QTest::ignoreMessage(QtInfoMsg,
                                 qPrintable("The serial port " + link + " works again."));
            QVERIFY2(port.reopenIfLost(), qPrintable(port.errorString()));
            QVERIFY(port.write(kFrame));
            QCOMPARE(first.read(2000, kFrameSize), kFrame);
            QVERIFY(!port.reopenIfLost()); // open and not lost: nothing to do
        }
        // Closed by the user, twice: it stays closed, and the device is free for the next opening.
        port.close();
        port.close();
        QVERIFY(!port.reopenIfLost());
        QVERIFY2(port.open(link, "9600,n,8,1"), qPrintable(port.errorString()));
        // Lost again, the user picks a port that does not open: that choice stands, untried.
        device.closeMaster();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(".*"));
        QVERIFY(!port.write(kFrame));
        QVERIFY(!port.open(dir.filePath("no-such-device"), "9600,n,8,1"));
        QVERIFY(port.errorString().contains("no-such-device"));
        QVERIFY(!port.wasLost());
    }
};

QTEST_GUILESS_MAIN(TestSync)
#include "tst_sync.moc"
