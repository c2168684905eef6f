// Zone times, daylight-saving windows and the dates they are stored and shown as, and the
// second tick.

#include "FakeClock.h"
#include "zones/DstDates.h"
#include "zones/SecondTicker.h"
#include "zones/TimeEngine.h"
#include "zones/TimeZoneSource.h"

#include <QSignalSpy>
#include <QTest>

#include <ctime>

using namespace mrv;

using OptionalDayMonth = std::optional<DayMonth>;
Q_DECLARE_METATYPE(OptionalDayMonth)

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

void setTz(const char *zone)
{
    qputenv("TZ", zone);
    ::tzset();
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
        QTest::addColumn<QDate>("start"); // picked dates; with neither, the box is cleared
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("code");
        const auto row = [](const char *name, const char *local, const char *tz, int row,
                            QDate start, QDate end, const char *shown, int code) {
            QTest::newRow(name) << local << QByteArray(tz) << row << start << end << shown << code;
        };
        const QDate mar28(2026, 3, 28), oct31(2026, 10, 31), none;
        // London with the box cleared shows GMT, so these read back the local offset.
        row("London, last second of winter time", "2026-03-29T00:59:59", "Europe/London", 13, none,
            none, "00:59:59", 13);
        row("London, first second of summer time", "2026-03-29T02:00:00", "Europe/London", 13, none,
            none, "01:00:00", 13);
        row("system zone at +5:45", "2026-07-15T12:00:00", "Asia/Kathmandu", 13, none, none,
            "06:15:00", 13);
        row("system zone with a 30-minute shift", "2026-01-15T12:00:00", "Australia/Lord_Howe", 13,
            none, none, "01:00:00", 13);
        row("a missing start date is never daylight saving", "2026-06-01T12:00:00", "UTC", 22, none,
            oct31, "17:45:00", 22);
        row("no row shows GMT as London", "2026-06-01T12:00:00", "UTC", -1, mar28, oct31,
            "13:00:00", 141);
        row("a row past the table is none", "2026-06-01T12:00:00", "UTC", 32, none, none,
            "12:00:00", 13);
        row("the day rolls over in the zone", "2026-06-01T11:30:00", "UTC", 31, mar28, oct31,
            "00:30:00", 159);
        row("last second before the window", "2026-03-27T23:59:59", "UTC", 13, mar28, oct31,
            "23:59:59", 13);
        row("first second of the window", "2026-03-28T00:00:00", "UTC", 13, mar28, oct31,
            "01:00:00", 141);
        row("last second of the window", "2026-10-30T23:59:59", "UTC", 13, mar28, oct31, "00:59:59",
            141);
        row("the window is over at the start of its end day", "2026-10-31T00:00:00", "UTC", 13,
            mar28, oct31, "00:00:00", 13);
        row("an empty window", "2026-06-01T12:00:00", "UTC", 13, mar28, mar28, "12:00:00", 13);
        row("a picked window across New Year", "2027-01-15T12:00:00", "UTC", 13, QDate(2026, 10, 1),
            QDate(2027, 4, 1), "13:00:00", 141);
        // Chile moves its clocks at midnight: 8 Sep 2024 began at 01:00.
        row("a window from a day whose midnight does not exist", "2024-09-08T01:00:00",
            "America/Santiago", 13, QDate(2024, 9, 8), QDate(2025, 4, 6), "05:00:00", 141);
        // Local midnight at +5:45 is 18:15 GMT the day before: the window is local.
        row("the window is on the local calendar", "2026-03-28T00:00:00", "Asia/Kathmandu", 13,
            mar28, oct31, "19:15:00", 141);
    }
    void tick()
    {
        QFETCH(QString, local);
        QFETCH(QByteArray, tz);
        QFETCH(int, row);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QString, shown);
        QFETCH(int, code);
        setTz(tz.constData());
        const QDateTime wall = QDateTime::fromString(local, Qt::ISODate);
        const FakeClock clock(wall.addMSecs(750));
        const SystemTimeZoneSource source;
        ZonePanelSettings panel {row,
                                 start.isValid() || end.isValid() ? DstBox::Ticked
                                                                  : DstBox::Cleared,
                                 {std::nullopt, optionalDate(start)},
                                 {std::nullopt, optionalDate(end)}};
        const TimeSnapshot snapshot = TimeEngine(clock, source).now({panel, panel, panel, panel});
        QCOMPARE(clock.calls, 1);
        QCOMPARE(snapshot.gmt, wall.toUTC()); // whole seconds
        for (const ZoneTime &zone : snapshot.zones) {
            QCOMPARE(zone.shown.toString("HH:mm:ss"), shown);
            QCOMPARE(int(zone.code), code);
            QCOMPARE(zone.daylight, code >= 128);
        }
    }

    void greyedAndClearedBoxesNeverApply()
    {
        const FakeClock clock(kNoon);
        const SystemTimeZoneSource source;
        std::array<ZonePanelSettings, 4> panels;
        for (ZonePanelSettings &panel : panels) {
            panel.row = 7;
            panel.start.stored = dm(1, 1);
            panel.end.stored = dm(31, 12);
        }
        panels[0].observeDst = DstBox::Ticked;
        panels[2].observeDst = DstBox::Greyed;
        const TimeSnapshot snapshot = TimeEngine(clock, source).now(panels);
        QCOMPARE(snapshot.codes(), (std::array<quint8, 4> {7 + 128, 7, 7, 7}));
        setTz("Asia/Kathmandu"); // read afresh: shows at the next reading
        QCOMPARE(TimeEngine(clock, source).now(panels).gmt.time(), QTime(6, 15));
    }

    void formatClock()
    {
        QCOMPARE(mrv::formatClock(QTime(23, 59, 59), QLocale("en_US")), "23:59:59"); // no AM/PM
        QCOMPARE(mrv::formatClock(QTime(9, 5, 7), QLocale("fi_FI")), "09.05.07");
        QCOMPARE(mrv::formatClock(QTime(0, 0), QLocale("fr_CA")), "00:00:00"); // "h": colons
    }

    void dates_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<OptionalDayMonth>("reads");
        QTest::newRow("blanks and capitals") << "en_GB"
                                             << "  31 OCT  " << dm(31, 10);
        QTest::newRow("29 February") << "en_GB"
                                     << "29 Feb" << dm(29, 2);
        QTest::newRow("31 February") << "en_GB"
                                     << "31 Feb" << OptionalDayMonth();
        QTest::newRow("month first") << "en_GB"
                                     << "Jul 06" << OptionalDayMonth();
        QTest::newRow("two letters") << "en_GB"
                                     << "06 Ju" << OptionalDayMonth();
        QTest::newRow("English in French") << "fr_FR"
                                           << "06 Jul" << dm(6, 7);
        QTest::newRow("juin or juillet") << "fr_FR"
                                         << "06 jui" << OptionalDayMonth();
        QTest::newRow("French abbreviation") << "fr_FR"
                                             << "06 juil." << dm(6, 7);
        QTest::newRow("French capitals") << "fr_FR"
                                         << "24 DÉC" << dm(24, 12);
        QTest::newRow("German") << "de_DE"
                                << "29 Mär" << dm(29, 3);
        QTest::newRow("not a German abbreviation") << "de_DE"
                                                   << "01 Mrz" << OptionalDayMonth();
    }
    void dates()
    {
        QFETCH(QString, locale);
        QFETCH(QString, stored);
        QFETCH(OptionalDayMonth, reads);
        QCOMPARE(parseStoredDayMonth(stored, QLocale(locale)), reads);
        if (reads) // always written in English, three letters
            QCOMPARE(parseStoredDayMonth(formatStoredDayMonth(*reads), QLocale("C")), reads);
        QCOMPARE(formatStoredDayMonth(DayMonth {30, 9}), "30 Sep");
        QCOMPARE(formatDateLabel(QDate(2026, 7, 6), QLocale("fr_FR")), "06 juil. 2026");
    }

    void windows_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<OptionalDayMonth>("start");
        QTest::addColumn<OptionalDayMonth>("end");
        QTest::addColumn<QDate>("picked"); // a picked end date, or none
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        const OptionalDayMonth none;
        QTest::newRow("across New Year, in its first part")
                << QDate(2026, 12, 6) << dm(1, 10) << dm(1, 4) << QDate() << QDate(2026, 10, 1)
                << QDate(2027, 4, 1);
        QTest::newRow("across New Year, its last day")
                << QDate(2027, 3, 31) << dm(1, 10) << dm(1, 4) << QDate() << QDate(2026, 10, 1)
                << QDate(2027, 4, 1);
        QTest::newRow("across New Year, after its end: the next one")
                << QDate(2027, 4, 1) << dm(1, 10) << dm(1, 4) << QDate() << QDate(2027, 10, 1)
                << QDate(2028, 4, 1);
        QTest::newRow("within the year, before it")
                << QDate(2026, 1, 5) << dm(28, 3) << dm(31, 10) << QDate() << QDate(2026, 3, 28)
                << QDate(2026, 10, 31);
        QTest::newRow("within the year, after it: next year's")
                << QDate(2026, 10, 31) << dm(28, 3) << dm(31, 10) << QDate() << QDate(2027, 3, 28)
                << QDate(2027, 10, 31);
        QTest::newRow("a missing side")
                << QDate(2026, 5, 5) << none << dm(1, 4) << QDate() << QDate() << QDate(2026, 4, 1);
        QTest::newRow("29 February in a common year")
                << QDate(2027, 1, 5) << dm(29, 2) << dm(31, 10) << QDate() << QDate(2027, 2, 28)
                << QDate(2027, 10, 31);
        QTest::newRow("29 February in a leap year")
                << QDate(2028, 1, 5) << dm(29, 2) << dm(31, 10) << QDate() << QDate(2028, 2, 29)
                << QDate(2028, 10, 31);
        QTest::newRow("a picked end keeps its year")
                << QDate(2027, 12, 5) << dm(1, 10) << dm(1, 4) << QDate(2027, 4, 5)
                << QDate(2027, 10, 1) << QDate(2027, 4, 5);
    }
    void windows()
    {
        QFETCH(QDate, today);
        QFETCH(OptionalDayMonth, start);
        QFETCH(OptionalDayMonth, end);
        QFETCH(QDate, picked);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        const DstWindow window =
                windowOn({start, std::nullopt}, {end, optionalDate(picked)}, today);
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
        QFETCH(int, ticks);
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
        QCOMPARE(spy.count(), ticks);
    }
};

QTEST_GUILESS_MAIN(TestZones)
#include "tst_zones.moc"
