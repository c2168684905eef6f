// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The timekeeper without a window: start-up and shut-down files, and a whole year of ticks of
// a program that keeps running, checked against an oracle written as data.

#include "FakeClock.h"
#include "app/SettingsStore.h"
#include "app/Timekeeper.h"
#include "domain/TimeZoneSource.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace mrv;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A stored daylight-saving window as the oracle knows it: in force from the start of its first
// local day to the start of its end day, every year; an end before the start runs across New
// Year.
struct Window
{
    int startMonth, startDay, endMonth, endDay;

    bool holds(const QDate &localDay) const
    {
        const auto day = std::pair(localDay.month(), localDay.day());
        const auto from = std::pair(startMonth, startDay), to = std::pair(endMonth, endDay);
        return from < to ? day >= from && day < to : day >= from || day < to;
    }
};

struct Panel
{
    int row;
    int offsetSeconds; // the row's offset from GMT
    std::optional<Window> window; // observed window, none when the box is cleared
    const char *stored; // how the settings file holds it
};

// Sydney and Auckland across New Year, New York within the year, and a panel with no zone.
const std::array<Panel, 4> kPanels {{
        {29, 36000, Window {10, 1, 4, 1}, "Zone1=29\nDST1=1\nDSS1=01 Oct\nDSE1=01 Apr\n"},
        {7, -18000, Window {3, 14, 11, 7}, "Zone2=7\nDST2=1\nDSS2=14 Mar\nDSE2=07 Nov\n"},
        {31, 43200, Window {9, 27, 4, 4}, "Zone3=31\nDST3=1\nDSS3=27 Sep\nDSE3=04 Apr\n"},
        {13, 0, std::nullopt, "Zone4=-1\n"},
}};

// The system zone's offset changes, as instants in UTC and the offset that follows each.
struct OffsetChange
{
    QDateTime at;
    int offsetSeconds;
};
QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC);
}
const QList<OffsetChange> kLondon {
        {utc(2026, 10, 25, 1), 0}, {utc(2027, 3, 28, 1), 3600}, {utc(2027, 10, 31, 1), 0}};
const QList<OffsetChange> kSydney {
        {utc(2026, 10, 3, 16), 39600}, {utc(2027, 4, 3, 16), 36000}, {utc(2027, 10, 2, 16), 39600}};

int offsetAt(const QList<OffsetChange> &changes, const QDateTime &instant)
{
    int offset = 0;
    for (const OffsetChange &change : changes)
        if (instant >= change.at)
            offset = change.offsetSeconds;
    return offset;
}

} // namespace

class TestTimekeeper : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { setTz("UTC"); }

    void shutDownFile_data()
    {
        QTest::addColumn<QByteArray>("before"); // null: no file yet
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QStringList>("warnings"); // one each, naming the key and the value
        // What the changes below add to a file that has none of their keys.
        const QByteArray settings = "[Settings]\nCommPort=1\nSyncInt=0\nSetting=9600,n,8,1\n";
        const QByteArray zones = "Zone1=14\nZone2=22\nZone3=-1\nZone4=-1\nDST1=0\nDST2=1\nDST3=0\n"
                                 "DST4=1\nDSS2=28 Mar\nDSE2=31 Oct\n";
        QTest::newRow("first start")
                << QByteArray() << settings + "[Zone]\n" + zones << QStringList();
        // Values change in place with the file's own spelling, spacing and line ends; new keys
        // go after the last key of their section; everything else stays byte for byte, the
        // line settings above all, whose quotes a rewrite would drop.
        const QByteArray edited = "; edited by hand\r\n[Settings]\r\nCommPort = 3\r\n"
                                  "Setting=\"4800,n,8,1\"\r\nSyncInt=\"1\"\r\n\r\n[Ports]\r\n"
                                  "COM3=/nonexistent/display\r\n[zone]\r\nzone1=13\r\nDST1=1\r\n"
                                  "DSS1=05 Jul\r\nDSE1=06 Aug\r\nDST3=0\r\nDSS3=01 Jan\r\n"
                                  "Extra=keep me ; really\r\n";
        QTest::newRow("edited by hand")
                << edited
                << QByteArray(edited)
                           .replace("SyncInt=\"1\"", "SyncInt=1")
                           .replace("zone1=13", "zone1=14")
                           .append("Zone2=22\r\nZone3=-1\r\nZone4=-1\r\nDST2=1\r\nDST4=1\r\n"
                                   "DSS2=28 Mar\r\nDSE2=31 Oct\r\n")
                << QStringList();
        QTest::newRow("a port number and line settings that cannot be used stay as written")
                << QByteArray("[Settings]\nCommPort=abc\nSetting=abc\n")
                << "[Settings]\nCommPort=abc\nSetting=abc\nSyncInt=0\n[Zone]\n" + zones
                << QStringList {"CommPort in .* is \"abc\": not a port number",
                                "Setting in .* is \"abc\""};
        const QByteArray leap = "[Zone]\nDST3=1\nDSS3=29 Feb\nDSE3=31 Oct\n";
        QTest::newRow("29 February stays 29 February in a common year")
                << leap << leap + QByteArray(zones).replace("DST3=0\n", "") + settings
                << QStringList();
    }
    void shutDownFile()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, warnings);
        for (const QString &warning : warnings)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
        QTemporaryDir dir;
        const QString path = dir.filePath("mrvl.ini");
        if (QFile file(path); !before.isNull() && file.open(QIODevice::WriteOnly))
            file.write(before);
        const FakeClock clock(QDateTime(QDate(2027, 1, 10), QTime(12, 0)));
        const SystemTimeZoneSource zones;
        SettingsStore store(path);
        store.load(QLocale::c());
        Timekeeper keeper(clock, zones, store);
        QCOMPARE(readFile(path), before); // start-up never writes
        QCOMPARE(QFile::exists(path), !before.isNull());
        const QDateTime at = clock.now.toUTC();
        store.chooseRow(1, 14, at);
        store.chooseRow(2, 22, at);
        store.chooseObserveDst(2, DstBox::Ticked, at);
        store.pickDstDate(2, true, QDate(2026, 3, 28));
        store.pickDstDate(2, false, QDate(2026, 10, 31));
        store.chooseObserveDst(4, DstBox::Ticked, at); // no dates
        QVERIFY(store.save(at));
        QTEST(readFile(path), "after");
    }

    void aRunningProgramFollowsEveryWindowThroughTheYear_data()
    {
        QTest::addColumn<QByteArray>("tz");
        QTest::newRow("London") << QByteArray("Europe/London");
        QTest::newRow("Sydney") << QByteArray("Australia/Sydney");
    }
    void aRunningProgramFollowsEveryWindowThroughTheYear()
    {
        QFETCH(QByteArray, tz);
        setTz(tz.constData());
        const QList<OffsetChange> &system = tz == "Europe/London" ? kLondon : kSydney;

        // Every instant that matters, in UTC: around each window's first and end day, around
        // New Year on both sides, and around the system zone's own changes.
        QList<QDateTime> instants;
        QList<QDate> days {QDate(2027, 1, 1), QDate(2028, 1, 1)};
        for (const Panel &panel : kPanels)
            if (const std::optional<Window> &w = panel.window)
                days << QDate(2027, w->startMonth, w->startDay)
                     << QDate(2027, w->endMonth, w->endDay);
        for (const QDate &day : days) {
            // Local midnight of that day in the system zone, and the moments around it.
            const QDateTime midnight(day, QTime(0, 0), Qt::UTC);
            const QDateTime atUtc = midnight.addSecs(-offsetAt(system, midnight));
            for (qint64 s : {-86400 - 43200, -1, 0, 1, 86400 + 43200})
                instants << atUtc.addSecs(s);
        }
        for (const OffsetChange &change : system)
            if (change.at.date().year() == 2027)
                instants << change.at.addSecs(-1) << change.at;
        std::sort(instants.begin(), instants.end());

        QTemporaryDir dir;
        const QString path = dir.filePath("mrvl.ini");
        QByteArray ini = "[Zone]\n";
        for (const Panel &panel : kPanels)
            ini += panel.stored;
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(ini) == ini.size());
        file.close();

        FakeClock clock;
        const SystemTimeZoneSource zones;
        clock.now = instants.first().toLocalTime();
        SettingsStore store(path);
        store.load(QLocale::c()); // started once, then left running
        Timekeeper keeper(clock, zones, store);
        for (const QDateTime &instant : instants) {
            const QDateTime wall = instant.addSecs(offsetAt(system, instant));
            clock.now = QDateTime::fromMSecsSinceEpoch(instant.toMSecsSinceEpoch() + 250,
                                                       Qt::LocalTime);
            keeper.tick();
            const TimeSnapshot &seen = keeper.lastTick();
            QCOMPARE(clock.now.toString("yyyy-MM-dd HH:mm:ss"), // the oracle's system zone
                     wall.toString("yyyy-MM-dd HH:mm:ss"));
            QCOMPARE(seen.gmt, instant);
            for (std::size_t k = 0; k < kPanels.size(); ++k) {
                const Panel &panel = kPanels[k];
                const bool daylight = panel.window && panel.window->holds(wall.date());
                const QTime shown =
                        instant.addSecs(panel.offsetSeconds + (daylight ? 3600 : 0)).time();
                const ZoneTime &zone = seen.zones[k];
                const QString what =
                        QStringLiteral("panel %1 at %2: shows %3 code %4")
                                .arg(k + 1)
                                .arg(instant.toString(Qt::ISODate), zone.shown.toString())
                                .arg(zone.code);
                QVERIFY2(zone.shown == shown && zone.daylight == daylight
                                 && zone.code == panel.row + (daylight ? 128 : 0),
                         qPrintable(what));
                // The labels show the window in force, or else the next one.
                if (panel.window)
                    QVERIFY2(zone.window.start && zone.window.end && *zone.window.end > wall.date()
                                     && panel.window->holds(*zone.window.start)
                                     && !panel.window->holds(*zone.window.end)
                                     && zone.window.start->daysTo(*zone.window.end) < 366,
                             qPrintable(what));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestTimekeeper)
#include "tst_timekeeper.moc"
