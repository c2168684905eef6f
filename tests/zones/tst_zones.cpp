// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Zone times, daylight-saving windows and the dates they are stored and shown as, and the
// second tick.

#include "FakeClock.h"
#include "domain/DstDates.h"
#include "domain/DstRule.h"
#include "platform/SecondTicker.h"
#include "domain/TimeEngine.h"
#include "domain/TimeZoneSource.h"

#include <functional>

#include <QSignalSpy>
#include <QTimeZone>
#include <QTest>

using namespace mrv;

using OptionalDayMonth = std::optional<DayMonth>;
Q_DECLARE_METATYPE(OptionalDayMonth)
Q_DECLARE_METATYPE(DstBox)

namespace {

const QDateTime kNoon(QDate(2026, 6, 1), QTime(12, 0), Qt::UTC); // its wall clock counts

OptionalDayMonth dm(int day, int month)
{
    return DayMonth {day, month};
}

std::optional<QDate> optionalDate(const QDate &date)
{
    return date.isValid() ? std::optional(date) : std::nullopt;
}

QDate iso(const char *date)
{
    return QDate::fromString(date, Qt::ISODate);
}

// The rules as the countries publish them, worked out here by hand rather than asked of the
// database: the n-th (or, with n = -1, the last) Sunday of a month, at a wall-clock time in
// force before the change, as an instant in UTC.
QDateTime sundayChange(int year, int month, int n, QTime wall, int offsetBeforeHours)
{
    QDate day;
    if (n > 0) {
        day = QDate(year, month, 1);
        day = day.addDays((7 - day.dayOfWeek()) % 7 + 7 * (n - 1));
    } else {
        day = QDate(year, month, 1).addMonths(1).addDays(-1);
        day = day.addDays(-(day.dayOfWeek() % 7));
    }
    return QDateTime(day, wall, Qt::UTC).addSecs(-3600 * offsetBeforeHours);
}

struct Rule
{
    const char *zone;
    int row;
    int standardHours;
    // start and end of daylight saving in a year
    std::function<QDateTime(int)> start, end;
};

const QList<Rule> &publishedRules()
{
    static const QList<Rule> rules {
            // Second Sunday of March, 02:00 standard; first Sunday of November, 02:00 daylight.
            {"America/New_York", 7, -5,
             [](int y) { return sundayChange(y, 3, 2, QTime(2, 0), -5); },
             [](int y) {
                 return sundayChange(y, 11, 1, QTime(2, 0), -4);
             }},
            // Last Sundays of March and October, 01:00 GMT.
            {"Europe/London", 13, 0, [](int y) { return sundayChange(y, 3, -1, QTime(1, 0), 0); },
             [](int y) {
                 return sundayChange(y, 10, -1, QTime(1, 0), 0);
             }},
            // First Sunday of October, 02:00 standard; first Sunday of April, 03:00 daylight.
            {"Australia/Sydney", 29, 10,
             [](int y) { return sundayChange(y, 10, 1, QTime(2, 0), 10); },
             [](int y) {
                 return sundayChange(y, 4, 1, QTime(3, 0), 11);
             }},
            // Last Sunday of September, 02:00 standard; first Sunday of April, 03:00 daylight.
            {"Pacific/Auckland", 31, 12,
             [](int y) { return sundayChange(y, 9, -1, QTime(2, 0), 12); },
             [](int y) {
                 return sundayChange(y, 4, 1, QTime(3, 0), 13);
             }},
    };
    return rules;
}

} // namespace

class TestZones : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { setTz("UTC"); }

    void tick_data()
    {
        QTest::addColumn<QString>("local"); // the wall clock, in the system zone `tz`
        QTest::addColumn<QByteArray>("tz");
        QTest::addColumn<int>("row");
        QTest::addColumn<DstBox>("box");
        QTest::addColumn<QDate>("start"); // picked dates
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("code");
        const auto row = [](const char *name, const char *local, const char *tz, int row,
                            DstBox box, QDate start, QDate end, const char *shown, int code) {
            QTest::newRow(name) << local << QByteArray(tz) << row << box << start << end << shown
                                << code;
        };
        using enum DstBox;
        const QDate mar28(2026, 3, 28), oct31(2026, 10, 31), none;
        // London with the box cleared shows GMT, so these read back the system zone's offset.
        row("system zone at +5:45", "2026-07-15T12:00:00", "Asia/Kathmandu", 13, Cleared, none,
            none, "06:15:00", 13);
        row("system zone with a 30-minute shift", "2026-01-15T12:00:00", "Australia/Lord_Howe", 13,
            Cleared, none, none, "01:00:00", 13);
        row("a missing start date is never daylight saving", "2026-06-01T12:00:00", "UTC", 22,
            Ticked, none, oct31, "17:45:00", 22);
        row("a greyed box never applies", "2026-06-01T12:00:00", "UTC", 7, Greyed, mar28, oct31,
            "07:00:00", 7);
        row("a cleared box never applies", "2026-06-01T12:00:00", "UTC", 7, Cleared, mar28, oct31,
            "07:00:00", 7);
        row("no row shows GMT as London", "2026-06-01T12:00:00", "UTC", -1, Ticked, mar28, oct31,
            "13:00:00", 141);
        row("a row past the table is none", "2026-06-01T12:00:00", "UTC", 32, Cleared, none, none,
            "12:00:00", 13);
        row("the day rolls over in the zone", "2026-06-01T11:30:00", "UTC", 31, Ticked, mar28,
            oct31, "00:30:00", 159);
        row("last second before the window", "2026-03-27T23:59:59", "UTC", 13, Ticked, mar28, oct31,
            "23:59:59", 13);
        row("first second of the window", "2026-03-28T00:00:00", "UTC", 13, Ticked, mar28, oct31,
            "01:00:00", 141);
        row("last second of the window", "2026-10-30T23:59:59", "UTC", 13, Ticked, mar28, oct31,
            "00:59:59", 141);
        row("the window is over at the start of its end day", "2026-10-31T00:00:00", "UTC", 13,
            Ticked, mar28, oct31, "00:00:00", 13);
        row("an empty window", "2026-06-01T12:00:00", "UTC", 13, Ticked, mar28, mar28, "12:00:00",
            13);
        row("a picked window across New Year", "2027-01-15T12:00:00", "UTC", 13, Ticked,
            iso("2026-10-01"), iso("2027-04-01"), "13:00:00", 141);
        // Chile moves its clocks at midnight: 8 Sep 2024 began at 01:00.
        row("a window from a day whose midnight does not exist", "2024-09-08T01:00:00",
            "America/Santiago", 13, Ticked, iso("2024-09-08"), iso("2025-04-06"), "05:00:00", 141);
        // Local midnight at +5:45 is 18:15 GMT the day before: the window is local.
        row("the window is on the local calendar", "2026-03-28T00:00:00", "Asia/Kathmandu", 13,
            Ticked, mar28, oct31, "19:15:00", 141);
    }
    void tick()
    {
        QFETCH(QString, local);
        QFETCH(QByteArray, tz);
        QFETCH(int, row);
        QFETCH(DstBox, box);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(int, code);
        setTz(tz.constData());
        const QDateTime wall = QDateTime::fromString(local, Qt::ISODate);
        const FakeClock clock(wall.addMSecs(750));
        static const SystemTimeZoneSource source; // one for every row: it reads the zone afresh
        ZonePanelSettings panel;
        panel.row = row;
        panel.observeDst = box;
        panel.start.picked = optionalDate(start);
        panel.end.picked = optionalDate(end);
        const TimeSnapshot snapshot = TimeEngine(clock, source).now({panel, panel, panel, panel});
        QCOMPARE(clock.calls, 1);
        QCOMPARE(snapshot.gmt, wall.toUTC()); // whole seconds
        for (const ZoneTime &zone : snapshot.zones) {
            QTEST(zone.shown.toString("HH:mm:ss"), "shown");
            QCOMPARE(int(zone.code), code);
            QCOMPARE(zone.daylight, code >= 128);
        }
    }

    void followsTheRuleToTheSecond_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("standardHours");
        QTest::addColumn<QDateTime>("change"); // the instant of a change, UTC
        QTest::addColumn<bool>("toDaylight");
        QTest::addColumn<QDateTime>("following"); // the change after it
        for (const Rule &rule : publishedRules()) {
            for (int year : {2027, 2028}) {
                const QDateTime start = rule.start(year), end = rule.end(year);
                // In the south the period that starts in a year ends in the next one.
                const bool south = end < start;
                QTest::addRow("%s starts %d", rule.zone, year)
                        << QByteArray(rule.zone) << rule.row << rule.standardHours << start << true
                        << (south ? rule.end(year + 1) : end);
                QTest::addRow("%s ends %d", rule.zone, year)
                        << QByteArray(rule.zone) << rule.row << rule.standardHours << end << false
                        << (south ? start : rule.start(year + 1));
            }
        }
    }
    void followsTheRuleToTheSecond()
    {
        QFETCH(QByteArray, zone);
        QFETCH(int, row);
        QFETCH(int, standardHours);
        QFETCH(QDateTime, change);
        QFETCH(bool, toDaylight);
        QFETCH(QDateTime, following);
        ZonePanelSettings panel;
        panel.row = row;
        panel.observeDst = DstBox::Ticked;
        panel.dstRule = zone;
        // Manual dates that would say otherwise: the rule wins.
        panel.start.stored = DayMonth {1, 1};
        panel.end.stored = DayMonth {2, 1};
        const SystemTimeZoneSource source;
        const QTimeZone tz(zone);
        for (int before : {1, 0}) {
            const QDateTime instant = change.addSecs(-before);
            const bool daylight = toDaylight != (before == 1);
            const FakeClock clock(instant.addMSecs(1));
            const ZoneTime shown =
                    TimeEngine(clock, source).now({panel, panel, panel, panel}).zones[0];
            const QString when = instant.toString(Qt::ISODate);
            QVERIFY2(shown.daylight == daylight, qPrintable(when));
            QCOMPARE(int(shown.code), row + (daylight ? 128 : 0));
            QCOMPARE(shown.shown,
                     instant.addSecs(3600 * (standardHours + (daylight ? 1 : 0))).time());
            // The labels show the period the instant is in, or the next one, as the zone's
            // own dates; the tooltip's next change is this change until it has happened.
            const QDateTime next = before ? change : following;
            QCOMPARE(shown.nextChange.toUTC(), next);
            const auto day = [&tz](const QDateTime &at) {
                return at.toTimeZone(tz).date();
            };
            if (daylight) {
                QCOMPARE(shown.window.end, day(next));
                if (toDaylight)
                    QCOMPARE(shown.window.start, day(change));
            } else {
                QCOMPARE(shown.window.start, day(next));
            }
        }
    }

    // A change at or near local midnight is dated by the wall clock as it runs up to it: the
    // labels and the dates written for other readers agree. Every database zone that changes
    // within an hour of midnight, with the period the panel shows on 1 February 2027 (or at
    // the instant given).
    void changeDays_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QDateTime>("at");
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        const QDateTime feb(QDate(2027, 2, 1), QTime(0, 0), Qt::UTC);
        const auto row = [](const char *zone, const QDateTime &at, QDate start, QDate end) {
            QTest::newRow(zone) << QByteArray(zone) << at << start << end;
        };
        // 24:00 into summer: in force since 00:00 -04 on 6 Sep, ends at 24:00 on 3 Apr, which is
        // 00:00 on 4 Apr as the summer clock runs (03:00 UTC).
        row("America/Santiago", feb, QDate(2026, 9, 6), QDate(2027, 4, 4));
        QTest::newRow("America/Santiago, a second before the end")
                << QByteArray("America/Santiago")
                << QDateTime(QDate(2027, 4, 4), QTime(2, 59, 59), Qt::UTC) << QDate(2026, 9, 6)
                << QDate(2027, 4, 4);
        QTest::newRow("America/Santiago, once it has ended")
                << QByteArray("America/Santiago")
                << QDateTime(QDate(2027, 4, 4), QTime(3, 0), Qt::UTC) << QDate(2027, 9, 5)
                << QDate(2028, 4, 2);
        row("Africa/Cairo", feb, QDate(2027, 4, 30), QDate(2027, 10, 29));
        row("Asia/Beirut", feb, QDate(2027, 3, 28), QDate(2027, 10, 31));
        // 23:00 -02 into 00:00 -01 on Saturday 27 March; 00:00 -01 back to 23:00 on 31 October.
        row("America/Nuuk", feb, QDate(2027, 3, 27), QDate(2027, 10, 31));
        row("America/Scoresbysund", feb, QDate(2027, 3, 27), QDate(2027, 10, 31));
        row("America/Havana", feb, QDate(2027, 3, 14), QDate(2027, 11, 7));
        row("Atlantic/Azores", feb, QDate(2027, 3, 28), QDate(2027, 10, 31));
    }
    void changeDays()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QDateTime, at);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        ZonePanelSettings panel;
        panel.observeDst = DstBox::Ticked;
        panel.dstRule = zone;
        const auto written = ruleDates(panel, at);
        QVERIFY(written);
        QCOMPARE(written->first, (DayMonth {start.day(), start.month()}));
        QCOMPARE(written->second, (DayMonth {end.day(), end.month()}));
        const FakeClock clock(at);
        const SystemTimeZoneSource source;
        const DstWindow shown =
                TimeEngine(clock, source).now({panel, panel, panel, panel}).zones[0].window;
        QCOMPARE(shown.start, std::optional(start));
        QCOMPARE(shown.end, std::optional(end));
    }

    // A rule fits a row whose standard time it keeps and whose display adds its one hour.
    void dstRuleMisfit_data()
    {
        QTest::addColumn<QByteArray>("rule");
        QTest::addColumn<int>("row");
        QTest::addColumn<DstBox>("box");
        QTest::addColumn<QString>("why"); // empty: it fits
        const auto row = [](const char *name, const char *rule, int row, const char *why,
                            DstBox box = DstBox::Ticked) {
            QTest::newRow(name) << QByteArray(rule) << row << box << QString(why);
        };
        row("namesake", "America/New_York", 7, "");
        row("another zone of the row", "America/Toronto", 7, "");
        row("southern zone in its summer", "Australia/Sydney", 29, "");
        row("another row's zone", "America/New_York", 13,
            "Zone panel 2 (row 13, (GMT) London): the daylight-saving rule America/New_York does "
            "not fit: its standard time is GMT-05:00, the row's is GMT+00:00.");
        row("half-hour daylight saving, half an hour off the row", "Australia/Lord_Howe", 29,
            "Zone panel 2 (row 29, (GMT + 10:00) Brisbane,Sydney): the daylight-saving rule "
            "Australia/Lord_Howe does not fit: its standard time is GMT+10:30, the row's is "
            "GMT+10:00.");
        row("no daylight saving", "Asia/Tokyo", 27,
            "Zone panel 2 (row 27, (GMT + 9:00) Tokyo,Seoul): the daylight-saving rule Asia/Tokyo "
            "does not fit: it keeps no daylight saving within a year.");
        row("two hours of daylight saving", "Antarctica/Troll", 13,
            "Zone panel 2 (row 13, (GMT) London): the daylight-saving rule Antarctica/Troll does "
            "not fit: it moves its clocks by 120 minutes, the display by 60.");
        row("no row", "Europe/London", -1,
            "Zone panel 2 (no row): the daylight-saving rule Europe/London does not fit: no zone "
            "is chosen.");
        row("a rule the panel does not follow", "America/New_York", 13, "", DstBox::Cleared);
    }
    void dstRuleMisfit()
    {
        QFETCH(QByteArray, rule);
        QFETCH(int, row);
        QFETCH(DstBox, box);
        ZonePanelSettings panel;
        panel.row = row;
        panel.observeDst = box;
        panel.dstRule = rule;
        const QDateTime at(QDate(2027, 1, 10), QTime(12, 0), Qt::UTC);
        QTEST(mrv::dstRuleMisfit(panel, 2, at), "why");
    }

    void formats()
    {
        QCOMPARE(formatClock(QTime(23, 59, 59), QLocale("en_US")), "23:59:59"); // no AM/PM
        QCOMPARE(formatClock(QTime(9, 5, 7), QLocale("fi_FI")), "09.05.07");
        QCOMPARE(formatClock(QTime(0, 0), QLocale("fr_CA")), "00:00:00"); // "h": colons
        QCOMPARE(formatDateLabel(QDate(2026, 7, 6), QLocale("fr_FR")), "06 juil. 2026");
    }

    void dates_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<OptionalDayMonth>("reads"); // none: refused
        const auto row = [](const char *name, const char *locale, const char *stored,
                            OptionalDayMonth reads = {}) {
            QTest::newRow(name) << locale << stored << reads;
        };
        row("blanks and capitals", "en_GB", "  31 OCT  ", dm(31, 10));
        row("29 February", "en_GB", "29 Feb", dm(29, 2));
        row("31 February", "en_GB", "31 Feb");
        row("month first", "en_GB", "Jul 06");
        row("two letters", "en_GB", "06 Ju");
        row("English in French", "fr_FR", "06 Jul", dm(6, 7));
        row("juin or juillet", "fr_FR", "06 jui");
        row("French abbreviation", "fr_FR", "06 juil.", dm(6, 7));
        row("French capitals", "fr_FR", "24 DÉC", dm(24, 12));
        row("German", "de_DE", "29 Mär", dm(29, 3));
        row("not a German abbreviation", "de_DE", "01 Mrz");
    }
    void dates()
    {
        QFETCH(QString, locale);
        QFETCH(QString, stored);
        QFETCH(OptionalDayMonth, reads);
        QCOMPARE(parseStoredDayMonth(stored, QLocale(locale)), reads);
        if (reads) // always written in English, three letters
            QCOMPARE(parseStoredDayMonth(formatStoredDayMonth(*reads), QLocale("C")), reads);
    }

    void windows_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<OptionalDayMonth>("start");
        QTest::addColumn<OptionalDayMonth>("end");
        QTest::addColumn<QDate>("picked"); // a picked end date, or none
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        const auto row = [](const char *name, const char *today, OptionalDayMonth start,
                            OptionalDayMonth end, const char *from, const char *to,
                            const char *picked = "") {
            QTest::newRow(name) << iso(today) << start << end << iso(picked) << iso(from)
                                << iso(to);
        };
        row("across New Year, in its first part", "2026-12-06", dm(1, 10), dm(1, 4), "2026-10-01",
            "2027-04-01");
        row("across New Year, its last day", "2027-03-31", dm(1, 10), dm(1, 4), "2026-10-01",
            "2027-04-01");
        row("across New Year, after its end: the next one", "2027-04-01", dm(1, 10), dm(1, 4),
            "2027-10-01", "2028-04-01");
        row("within the year, before it", "2026-01-05", dm(28, 3), dm(31, 10), "2026-03-28",
            "2026-10-31");
        row("within the year, after it: next year's", "2026-10-31", dm(28, 3), dm(31, 10),
            "2027-03-28", "2027-10-31");
        row("a missing side", "2026-05-05", {}, dm(1, 4), "", "2026-04-01");
        row("29 February in a common year", "2027-01-05", dm(29, 2), dm(31, 10), "2027-02-28",
            "2027-10-31");
        row("29 February in a leap year", "2028-01-05", dm(29, 2), dm(31, 10), "2028-02-29",
            "2028-10-31");
        row("a picked end keeps its year", "2027-12-05", dm(1, 10), dm(1, 4), "2027-10-01",
            "2027-04-05", "2027-04-05");
    }
    void windows()
    {
        QFETCH(QDate, today);
        QFETCH(OptionalDayMonth, start);
        QFETCH(OptionalDayMonth, end);
        QFETCH(QDate, picked);
        const DstWindow window =
                windowOn({start, std::nullopt}, {end, optionalDate(picked)}, today);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QCOMPARE(window.start, optionalDate(from));
        QCOMPARE(window.end, optionalDate(to));
    }

    void oneTickPerSecond_data()
    {
        QTest::addColumn<QList<double>>("script"); // seconds after noon, read when armed and fired
        QTest::addColumn<int>("ticks");
        // A wrongly emitted tick re-arms for a whole second, so later scripted ticks go missing.
        QTest::newRow("on time") << QList {0.995, 1.0, 1.995, 2.001, 2.995} << 2;
        QTest::newRow("woken just before a boundary")
                << QList {0.99, 0.995, 1.001, 1.99, 2.001, 2.995} << 2;
        QTest::newRow("woken early after a tick")
                << QList {0.99, 1.0, 1.99, 1.95, 2.001, 2.99, 3.001, 3.995} << 3;
        QTest::newRow("clock stepped back an hour")
                << QList {0.995, 1.0, 1.995, -3598.0, -3597.005} << 2;
    }
    void oneTickPerSecond()
    {
        QFETCH(QList<double>, script);
        QCOMPARE(SecondTicker::msecsToNextSecond(kNoon), 1000); // that second has begun
        QCOMPARE(SecondTicker::msecsToNextSecond(kNoon.addMSecs(1)), 999);
        QCOMPARE(SecondTicker::msecsToNextSecond(kNoon.addMSecs(-1)), 1);
        QList<QDateTime> times;
        for (double s : script)
            times << kNoon.addMSecs(qRound64(s * 1000));
        const FakeClock clock(times);
        SecondTicker ticker(clock);
        QSignalSpy spy(&ticker, &SecondTicker::tick);
        ticker.start();
        QTest::qWait(150);
        QTEST(int(spy.count()), "ticks");
    }
};

QTEST_GUILESS_MAIN(TestZones)
#include "tst_zones.moc"
