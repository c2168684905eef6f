// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Displays as the settings file describes them, what the store's intents write to it, and the
// timekeeper serving several displays: one wake-up ahead of the second, each write at its lead,
// and a reload that applies what changed and refuses a file that holds nothing.

#include "FakeClock.h"
#include "FakeWakeTimer.h"
#include "Pty.h"
#include "app/SettingsStore.h"
#include "app/Timekeeper.h"
#include "domain/TimeZoneSource.h"
#include "platform/SerialPort.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <termios.h>

using namespace mrv;

namespace {

struct UtcZones final : TimeZoneSource
{
    LocalZoneFacts factsAt(const QDateTime &) const override { return {}; }
};

struct Synchronised final : ClockHealthSource
{
    ClockHealth read() const override { return {ClockHealth::State::Synchronised, 2000, 100}; }
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// One line per display, as a person would check it.
QStringList describe(const QList<DisplaySettings> &displays)
{
    QStringList lines;
    for (const DisplaySettings &d : displays)
        lines << QStringLiteral("%1 %2 %3 %4 %5s %6 %7ms %8")
                         .arg(d.number)
                         .arg(d.port, formatName(d.format), d.lineSettings)
                         .arg(d.intervalSeconds)
                         .arg(zoneText(d.zone))
                         .arg(d.leadMs)
                         .arg(unsyncedText(d.unsynced));
    return lines;
}

enum class Intent { AddNmea, ChangeFirst, FirstEveryTwoMinutes, Remove, PortAndInterval };

} // namespace

class TestDisplays : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { setTz("UTC"); }

    void fromTheFile_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("service");
        QTest::addColumn<QStringList>("displays");
        QTest::addColumn<QStringList>("warnings"); // one each, naming section, key and value
        const QString first = "1 1 frame 9600,n,8,1 60s Local 0ms mark";
        QTest::newRow("a file of today: the frame, every 30 minutes")
                << QByteArray("[Settings]\nCommPort=3\nSyncInt=2\n") << false
                << QStringList {"1 3 frame 9600,n,8,1 1800s Local 0ms mark"} << QStringList();
        QTest::newRow("no file: COM 1 in the window program")
                << QByteArray() << false << QStringList {first} << QStringList();
        QTest::newRow("no port named: the service sends nothing")
                << QByteArray("[Zone]\nZone1=3\n") << true << QStringList() << QStringList();
        QTest::newRow("display 1 speaks NMEA at its own speed and interval")
                << QByteArray("[Settings]\nCommPort=1\nFormat=nmea\nZone=UTC\nLeadMs=-3\n"
                              "Unsynced=ignore\n")
                << true << QStringList {"1 1 nmea 4800,n,8,1 1s UTC -3ms ignore"} << QStringList();
        QTest::newRow("sections of their own, in any order")
                << QByteArray("[Display3]\nPort=/dev/ttyUSB1\nFormat=standard\nZone=panel2\n"
                              "[display2]\nport=COM4\nFormat=NENA\nInterval=900\n"
                              "Setting=19200,e,7,2\nZone=Europe/Berlin\n")
                << false
                << QStringList {first, "2 COM4 nena 19200,e,7,2 900s Europe/Berlin 0ms mark",
                                "3 /dev/ttyUSB1 standard 9600,n,8,1 1s Panel2 0ms mark"}
                << QStringList();
        QTest::newRow("keywords in any case, blanks around them")
                << QByteArray("[Display2]\nPort=/dev/x\nFormat= NMEA \nZone= utc \n"
                              "Unsynced= Silent\n")
                << true << QStringList {"2 /dev/x nmea 4800,n,8,1 1s UTC 0ms silent"}
                << QStringList();
        QTest::newRow("values that cannot be used run as the defaults")
                << QByteArray("[Display2]\nPort=/dev/x\nFormat=morse\nInterval=0\nZone=Panel5\n"
                              "LeadMs=5000\nUnsynced=loud\nSetting=9600,n,8,1.5\n")
                << true << QStringList {"2 /dev/x frame 9600,n,8,1 60s Local 0ms mark"}
                << QStringList {"\\[Display2\\] Format .*\"morse\"",
                                "\\[Display2\\] Setting .*\"9600,n,8,1.5\"",
                                "\\[Display2\\] Interval .*\"0\"",
                                "\\[Display2\\] Zone .*\"Panel5\"",
                                "\\[Display2\\] LeadMs .*\"5000\"",
                                "\\[Display2\\] Unsynced .*\"loud\""};
        QTest::newRow("a port that cannot be used keeps the display off")
                << QByteArray("[Display2]\nPort=ttyUSB0\nFormat=nmea\n") << true << QStringList()
                << QStringList {"\\[Display2\\] Port .*\"ttyUSB0\".*stays off"};
        QTest::newRow("a template with an unknown code sends nothing")
                << QByteArray("[Display2]\nPort=/dev/x\nFormat=template\nTemplate=%H:%q\n") << true
                << QStringList {"2 /dev/x template 9600,n,8,1 1s Local 0ms mark"}
                << QStringList {"\\[Display2\\] Template .*%q"};
        QTest::newRow("a daylight-saving rule that does not fit its row is said once")
                << QByteArray("[Zone]\nZone1=13\nDST1=1\nDSTRule1=America/New_York\n") << true
                << QStringList() << QStringList {"Zone panel 1 \\(row 13.*America/New_York"};
    }
    void fromTheFile()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, service);
        QFETCH(QStringList, warnings);
        for (const QString &warning : warnings)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
        QTemporaryDir dir;
        const QString path = dir.filePath("mrvl.ini");
        if (!ini.isNull())
            writeFile(path, ini);
        SettingsStore store(path, service ? SettingsStore::Defaults::Service
                                          : SettingsStore::Defaults::Desktop);
        const FakeClock clock(QDateTime(QDate(2027, 1, 10), QTime(12, 0)));
        const UtcZones zones;
        const Timekeeper keeper(clock, zones, store);
        store.load(QLocale::c());
        QTEST(describe(store.displays()), "displays");
        QCOMPARE(readFile(path), ini); // reading never writes
    }

    // Each intent writes what the user changed, at once where the Displays window saves, and
    // nothing else: comments, unknown keys and sections stay byte for byte.
    void intents_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("intent");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QByteArray>("after");
        const QByteArray mine = "; mine\n[Other]\nKey=1\n[Settings]\nCommPort=1\nSyncInt=0\n"
                                "Setting=9600,n,8,1\nUnknown=kept\n";
        QTest::newRow("a display added")
                << mine << int(Intent::AddNmea) << true
                << mine
                           + "[Display2]\nPort=/dev/ttyUSB0\nSetting=4800,n,8,1\nInterval=1\n"
                             "Format=nmea\nZone=UTC\nLeadMs=0\nUnsynced=mark\nSentences=RMC,GGA\n"
                             "Talker=GP\nZoneSign=west\n";
        QTest::newRow("display 1 changed: its keys of today, and the new ones beside them")
                << mine << int(Intent::ChangeFirst) << true
                << QByteArray("; mine\n[Other]\nKey=1\n[Settings]\nCommPort=2\nSyncInt=-1\n"
                              "Setting=9600,e,7,2\nUnknown=kept\nFormat=standard\nZone=Panel1\n"
                              "LeadMs=5\nUnsynced=silent\n");
        QTest::newRow("display 1 at an interval older readers cannot hold")
                << mine << int(Intent::FirstEveryTwoMinutes) << false << mine;
        QTest::newRow("a display removed: switched off, its other keys left")
                << QByteArray("[Display2]\nPort=/dev/x\nFormat=nena\n") << int(Intent::Remove)
                << true << QByteArray("[Display2]\nPort=\nFormat=nena\n");
        QTest::newRow("a port and an interval picked: written at shut-down")
                << mine << int(Intent::PortAndInterval) << true
                << QByteArray(mine).replace("CommPort=1", "CommPort=5")
                                   .replace("SyncInt=0", "SyncInt=2")
                           + "[Zone]\nZone1=-1\nZone2=-1\nZone3=-1\nZone4=-1\nDST1=0\nDST2=0\n"
                             "DST3=0\nDST4=0\n";
    }
    void intents()
    {
        QFETCH(QByteArray, before);
        QFETCH(int, intent);
        QTemporaryDir dir;
        const QString path = dir.filePath("mrvl.ini");
        writeFile(path, before);
        SettingsStore store(path);
        store.load(QLocale::c());
        QString why;
        bool taken = true;
        DisplaySettings display = *store.display(1);
        switch (Intent(intent)) {
        case Intent::AddNmea:
            display.number = store.freeDisplayNumber();
            display.port = "/dev/ttyUSB0";
            display.format = DisplayFormat::Nmea;
            display.lineSettings = "4800,n,8,1";
            display.intervalSeconds = 1;
            display.zone = {DisplayZone::Kind::Utc, 0, {}};
            display.options.sentences = QStringList {"RMC", "GGA"};
            display.options.zoneSignEast = false;
            taken = store.setDisplay(display, &why);
            break;
        case Intent::ChangeFirst:
        case Intent::FirstEveryTwoMinutes:
            display.port = "COM2";
            display.format = DisplayFormat::Standard;
            display.lineSettings = "9600,e,7,2";
            display.intervalSeconds = Intent(intent) == Intent::ChangeFirst ? 1 : 120;
            display.zone = {DisplayZone::Kind::Panel, 1, {}};
            display.leadMs = 5;
            display.unsynced = UnsyncedPolicy::Silent;
            taken = store.setDisplay(display, &why);
            break;
        case Intent::Remove:
            taken = store.removeDisplay(2, &why);
            QCOMPARE(store.displays().size(), 1);
            break;
        case Intent::PortAndInterval:
            store.choosePort(5);
            store.chooseInterval(2);
            QCOMPARE(readFile(path), before);
            taken = store.save(QDateTime(QDate(2027, 1, 10), QTime(12, 0), Qt::UTC));
            break;
        }
        QTEST(taken, "taken");
        QVERIFY2(taken == why.isEmpty(), qPrintable(why));
        QTEST(readFile(path), "after");
        // What the file now says is what the store holds.
        SettingsStore again(path);
        again.load(QLocale::c());
        QCOMPARE(describe(again.displays()), describe(store.displays()));
    }

    // The write of a string starts so that its on-time character leaves at the second: the one
    // wake-up comes as early as the longest lead, and each other display waits for its own.
    void leadsOfOneWakeUp()
    {
        setTz("America/New_York"); // five hours behind: every string says whose time it carries
        PtyPair standard, templated, nmea, frame;
        QTemporaryDir dir;
        const QString path = dir.filePath("mrvl.ini");
        writeFile(path, QStringLiteral("[Settings]\nCommPort=1\nSyncInt=-1\nFormat=standard\n"
                                       "Setting=9600,e,7,2\nLeadMs=5\n[Ports]\nCOM1=%1\n"
                                       "[Display2]\nPort=%2\nFormat=template\nTemplate=ab%^c\n"
                                       "[Display3]\nPort=%3\nFormat=nmea\nSentences=ZDA\n"
                                       "[Display4]\nPort=%4\nInterval=1\n[Zone]\nZone1=7\n")
                                .arg(standard.slavePath(), templated.slavePath(), nmea.slavePath(),
                                     frame.slavePath())
                                .toUtf8());
        FakeClock clock(QDateTime(QDate(2026, 12, 6), QTime(12, 0, 0, 300)));
        SystemTimeZoneSource zones;
        Synchronised health;
        SettingsStore store(path);
        store.load(QLocale::c());
        Timekeeper keeper(clock, zones, store);
        auto owned = std::make_unique<FakeWakeTimer>();
        FakeWakeTimer &wake = *owned;
        keeper.setWakeTimer(std::move(owned));
        keeper.setClockHealthSource(&health);
        QStringList why;
        QVERIFY2(keeper.openDisplays(&why), qPrintable(why.join('\n')));
        keeper.startTicking();
        const auto fire = [&](qint64 msBefore) {
            clock.now = QDateTime::fromMSecsSinceEpoch(wake.armed * 1000 - msBefore);
            Q_EMIT wake.woke();
        };
        fire(0); // the first tick comes at the boundary
        const qint64 second =
                QDateTime(QDate(2026, 12, 6), QTime(17, 0, 2), Qt::UTC).toSecsSinceEpoch();
        QCOMPARE(wake.armed, second);
        // 5 ms of trim with STX first; two 10-bit characters before the marked one at 9600.
        QCOMPARE(wake.armedEarlyUs, 5000);
        wake.waits.clear();
        fire(5);
        QCOMPARE(wake.waits,
                 (QList<std::pair<qint64, qint64>> {{second, 2083}, {second, 0}, {second, 0}}));
        for (PtyPair *pty : {&standard, &templated, &nmea, &frame})
            pty->drain();
        fire(5);
        QCOMPARE(standard.read(1000, 32), QByteArray("\x02"
                                                     "D:06.12.26;T:7;U:12.00.03;    \x03"));
        QCOMPARE(templated.read(1000, 3), QByteArray("abc"));
        QCOMPARE(nmea.read(1000, 38), QByteArray("$GPZDA,170003.00,06,12,2026,-05,00*48\r\n"));
        QCOMPARE(frame.read(1000, 9).toHex(' '), "fe 03 00 11 07 0d 0d 0d ff"); // GMT
    }

    // Two displays on one device: the second is refused, and the reason points at the settings,
    // not at a service.
    void samePortTwice()
    {
        PtyPair display;
        QTemporaryDir dir;
        const QString path = dir.filePath("mrvl.ini");
        writeFile(path, QStringLiteral("[Display2]\nPort=%1\n[Display3]\nPort=%1\n")
                                .arg(display.slavePath())
                                .toUtf8());
        FakeClock clock;
        UtcZones zones;
        SettingsStore store(path, SettingsStore::Defaults::Service);
        store.load(QLocale::c());
        Timekeeper keeper(clock, zones, store);
        QStringList why;
        QVERIFY(!keeper.openDisplays(&why));
        QCOMPARE(why.size(), 1);
        QVERIFY2(why.first().startsWith("Display 3 [Display3]: ")
                         && why.first().contains("Another display")
                         && !why.first().contains("service"),
                 qPrintable(why.first()));
    }

    // A reload applies changed line settings and takes a device that came back under its name;
    // a file that holds no setting at all keeps everything.
    void reload()
    {
        PtyPair first;
        QTemporaryDir dir;
        const QString path = dir.filePath("mrvl.ini");
        const QString link = dir.filePath("display");
        QVERIFY(QFile::link(first.slavePath(), link));
        const QByteArray ini =
                QStringLiteral("[Display2]\nPort=%1\nFormat=nena\n").arg(link).toUtf8();
        writeFile(path, ini);
        FakeClock clock;
        UtcZones zones;
        SettingsStore store(path, SettingsStore::Defaults::Service);
        store.load(QLocale::c());
        Timekeeper keeper(clock, zones, store);
        QStringList why;
        QVERIFY(keeper.openDisplays(&why));
        const auto speed = [](const PtyPair &pty) {
            termios t {};
            ::tcgetattr(pty.masterFd(), &t);
            return ::cfgetospeed(&t);
        };
        QCOMPARE(speed(first), speed_t(B9600));

        writeFile(path, ini + "Setting=4800,n,8,1\n");
        QString reason;
        QVERIFY(keeper.reload(QLocale::c(), &reason));
        QCOMPARE(speed(first), speed_t(B4800));

        for (const QByteArray &nothing :
             {QByteArray(), QByteArray("\x01\xff junk\n"), QByteArray(1000, '\0')}) {
            writeFile(path, nothing);
            QVERIFY(!keeper.reload(QLocale::c(), &reason));
            QVERIFY(reason.contains("no setting"));
            QCOMPARE(store.displays().size(), 1);
            QVERIFY(keeper.display(2)->isOpen());
        }

        // The bridge behind the name made a new device: only a reload on purpose takes it.
        writeFile(path, ini);
        first.closeMaster();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(".*"));
        QTRY_VERIFY(keeper.display(2)->port().wasLost());
        PtyPair second;
        QVERIFY(QFile::remove(link) && QFile::link(second.slavePath(), link));
        QVERIFY(!keeper.display(2)->port().reopenIfLost());
        QVERIFY(keeper.reload(QLocale::c(), &reason));
        QVERIFY(keeper.display(2)->isOpen());
    }
};

QTEST_GUILESS_MAIN(TestDisplays)
#include "tst_displays.moc"
