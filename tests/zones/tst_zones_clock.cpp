#include "ZoneTestSupport.h"
#include "state/ProgramState.h"
#include "zones/ClockTick.h"
#include "zones/ZoneClock.h"
#include "zones/ZoneTable.h"

#include <QTest>

using namespace mrv;

namespace {

QDateTime local(const QString &text)
{
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QDateTime utc(const QString &text)
{
    QDateTime dt = local(text);
    dt.setTimeSpec(Qt::UTC);
    return dt;
}

} // namespace

class TestZoneClock : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void zoneTime_data();
    void zoneTime();
    void localOffset_data();
    void localOffset();
    void systemZoneChangeShowsAtNextCall();
    void isDST_data();
    void isDST();
    void tick_data();
    void tick();
    void windowStateFollowsLastTickedSlot();
    void formatClock_data();
    void formatClock();
};

void TestZoneClock::zoneTime_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("offset");
    QTest::newRow("London is GMT") << 13 << 0;
    QTest::newRow("no row is GMT") << -1 << 0;
    QTest::newRow("past the table is GMT") << 32 << 0;
    QTest::newRow("Kathmandu +5:45") << 22 << 20700;
    QTest::newRow("Newfoundland -3:30") << 9 << -12600;
    QTest::newRow("first row -12:00") << 0 << -43200;
    QTest::newRow("last row +12:00") << 31 << 43200;
}

void TestZoneClock::zoneTime()
{
    QFETCH(int, row);
    QFETCH(int, offset);
    // Local 12:00:00.750 at one hour east of GMT: GMT drops the milliseconds.
    const FixedClock clock(QDate(2026, 3, 1), QTime(12, 0, 0, 750));
    const FixedZone zone(3600);
    const ZoneClock zones(clock, zone);

    const QDateTime gmt = zones.getGMT();
    QCOMPARE(gmt, utc("2026-03-01 11:00:00"));
    QCOMPARE(gmt.timeSpec(), Qt::UTC);
    QCOMPARE(zones.getZoneTime(row), gmt.addSecs(offset));
}

void TestZoneClock::localOffset_data()
{
    QTest::addColumn<QByteArray>("tz");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("standard");
    QTest::addColumn<int>("daylight");
    QTest::addColumn<QDateTime>("gmt");
    QTest::newRow("London winter") << QByteArray("Europe/London") << local("2026-01-15 12:00:00")
                                   << 0 << 0 << utc("2026-01-15 12:00:00");
    QTest::newRow("London summer") << QByteArray("Europe/London") << local("2026-07-15 12:00:00")
                                   << 0 << 3600 << utc("2026-07-15 11:00:00");
    QTest::newRow("London last second of winter")
            << QByteArray("Europe/London") << local("2026-03-29 00:59:59") << 0 << 0
            << utc("2026-03-29 00:59:59");
    QTest::newRow("London first second of summer")
            << QByteArray("Europe/London") << local("2026-03-29 02:00:00") << 0 << 3600
            << utc("2026-03-29 01:00:00");
    QTest::newRow("St John's winter")
            << QByteArray("America/St_Johns") << local("2026-01-15 12:00:00") << -12600 << 0
            << utc("2026-01-15 15:30:00");
    QTest::newRow("St John's summer")
            << QByteArray("America/St_Johns") << local("2026-07-15 12:00:00") << -12600 << 3600
            << utc("2026-07-15 14:30:00");
    QTest::newRow("Kathmandu, no daylight time")
            << QByteArray("Asia/Kathmandu") << local("2026-07-15 12:00:00") << 20700 << 0
            << utc("2026-07-15 06:15:00");
    QTest::newRow("Lord Howe summer, half-hour shift")
            << QByteArray("Australia/Lord_Howe") << local("2026-01-15 12:00:00") << 37800 << 1800
            << utc("2026-01-15 01:00:00");
    QTest::newRow("Lord Howe winter")
            << QByteArray("Australia/Lord_Howe") << local("2026-07-15 12:00:00") << 37800 << 0
            << utc("2026-07-15 01:30:00");
}

void TestZoneClock::localOffset()
{
    QFETCH(QByteArray, tz);
    QFETCH(QDateTime, now);
    QFETCH(int, standard);
    QFETCH(int, daylight);
    QFETCH(QDateTime, gmt);
    const ScopedTz scopedTz(tz);
    const FixedClock clock(now.date(), now.time());
    const SystemTimeZoneSource source;
    const ZoneClock zones(clock, source);

    const LocalZoneFacts facts = source.factsAt(clock.localNow());
    QCOMPARE(facts.standardOffsetSeconds, standard);
    QCOMPARE(facts.daylightAdjustmentSeconds, daylight);
    QCOMPARE(zones.getLocalOffset(), standard + daylight);
    QCOMPARE(zones.getGMT(), gmt);
}

void TestZoneClock::systemZoneChangeShowsAtNextCall()
{
    const FixedClock clock(QDate(2026, 1, 15), QTime(12, 0));
    const SystemTimeZoneSource source;
    const ZoneClock zones(clock, source);
    {
        const ScopedTz tz("Asia/Kathmandu");
        QCOMPARE(zones.getLocalOffset(), 20700);
    }
    const ScopedTz tz("America/St_Johns");
    QCOMPARE(zones.getLocalOffset(), -12600);
}

void TestZoneClock::isDST_data()
{
    QTest::addColumn<QByteArray>("tz");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QDate>("end");
    QTest::addColumn<bool>("inside");
    const QByteArray utcZone("UTC");
    const QDate mar28(2026, 3, 28), oct31(2026, 10, 31);
    QTest::newRow("second before start")
            << utcZone << local("2026-03-27 23:59:59") << mar28 << oct31 << false;
    QTest::newRow("at start") << utcZone << local("2026-03-28 00:00:00") << mar28 << oct31 << true;
    QTest::newRow("second before end")
            << utcZone << local("2026-10-30 23:59:59") << mar28 << oct31 << true;
    QTest::newRow("at end") << utcZone << local("2026-10-31 00:00:00") << mar28 << oct31 << false;
    QTest::newRow("start equals end")
            << utcZone << local("2026-03-28 12:00:00") << mar28 << mar28 << false;
    QTest::newRow("end before start")
            << utcZone << local("2026-06-01 12:00:00") << oct31 << mar28 << false;
    QTest::newRow("across New Year") << utcZone << local("2027-01-15 12:00:00")
                                     << QDate(2026, 10, 1) << QDate(2027, 4, 1) << true;
    QTest::newRow("no start date")
            << utcZone << local("2026-06-01 12:00:00") << QDate() << oct31 << false;
    // Chile moves its clocks at midnight: 8 Sep 2024 starts at 01:00, its midnight never was.
    QTest::newRow("start day without a midnight")
            << QByteArray("America/Santiago") << local("2024-09-08 01:00:00") << QDate(2024, 9, 8)
            << QDate(2025, 4, 6) << true;
}

void TestZoneClock::isDST()
{
    QFETCH(QByteArray, tz);
    QFETCH(QDateTime, now);
    QFETCH(QDate, start);
    QFETCH(QDate, end);
    QFETCH(bool, inside);
    const ScopedTz scopedTz(tz);
    const FixedClock clock(now.date(), now.time());
    const FixedZone zone;
    const ZoneClock zones(clock, zone);
    const auto midnight = [](QDate d) {
        return d.isValid() ? QDateTime(d, QTime(0, 0)) : QDateTime();
    };

    QCOMPARE(zones.isDST(midnight(start), midnight(end)), inside);
}

void TestZoneClock::tick_data()
{
    QTest::addColumn<QDateTime>("now"); // local wall clock
    QTest::addColumn<int>("localOffset");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("check");
    QTest::addColumn<QString>("startText");
    QTest::addColumn<QString>("endText");
    QTest::addColumn<QTime>("shown");
    QTest::addColumn<int>("code");

    const QDateTime june = local("2026-06-01 12:00:00");
    const QString mar28("28 Mar 2026"), oct31("31 Oct 2026");
    QTest::newRow("Kathmandu inside window")
            << june << 0 << 22 << 1 << mar28 << oct31 << QTime(18, 45) << 150;
    QTest::newRow("Kathmandu outside window") << local("2026-12-01 12:00:00") << 0 << 22 << 1
                                              << mar28 << oct31 << QTime(17, 45) << 22;
    QTest::newRow("box cleared") << june << 0 << 22 << 0 << mar28 << oct31 << QTime(17, 45) << 22;
    QTest::newRow("box greyed") << june << 0 << 22 << 2 << mar28 << oct31 << QTime(17, 45) << 22;
    QTest::newRow("no stored start date")
            << june << 0 << 22 << 1 << QString("--") << oct31 << QTime(17, 45) << 22;
    QTest::newRow("blank and year only")
            << june << 0 << 22 << 1 << QString(" 2026") << oct31 << QTime(17, 45) << 22;
    QTest::newRow("label in other case") << june << 0 << 22 << 1 << QString("28 MAR 2026")
                                         << QString("31 oct 2026") << QTime(18, 45) << 150;
    QTest::newRow("no row shows GMT as London")
            << june << 0 << -1 << 0 << mar28 << oct31 << QTime(12, 0) << 13;
    QTest::newRow("no row with daylight saving")
            << june << 0 << -1 << 1 << mar28 << oct31 << QTime(13, 0) << 141;
    QTest::newRow("row past the table")
            << june << 0 << 32 << 0 << mar28 << oct31 << QTime(12, 0) << 13;
    QTest::newRow("second before start") << local("2026-03-27 23:59:59") << 0 << 13 << 1 << mar28
                                         << oct31 << QTime(23, 59, 59) << 13;
    QTest::newRow("first second of start")
            << local("2026-03-28 00:00:00") << 0 << 13 << 1 << mar28 << oct31 << QTime(1, 0) << 141;
    QTest::newRow("second before end") << local("2026-10-30 23:59:59") << 0 << 13 << 1 << mar28
                                       << oct31 << QTime(0, 59, 59) << 141;
    QTest::newRow("first second of end")
            << local("2026-10-31 00:00:00") << 0 << 13 << 1 << mar28 << oct31 << QTime(0, 0) << 13;
    QTest::newRow("start equals end")
            << june << 0 << 13 << 1 << mar28 << mar28 << QTime(12, 0) << 13;
    QTest::newRow("window across New Year")
            << local("2027-01-15 12:00:00") << 0 << 13 << 1 << QString("01 Oct 2026")
            << QString("01 Apr 2027") << QTime(13, 0) << 141;
    QTest::newRow("same days, one year")
            << local("2027-01-15 12:00:00") << 0 << 13 << 1 << QString("01 Oct 2027")
            << QString("01 Apr 2027") << QTime(12, 0) << 13;
    QTest::newRow("shift across midnight") << local("2026-06-01 11:30:00") << 0 << 31 << 1 << mar28
                                           << oct31 << QTime(0, 30) << 159;
    // Local midnight at +5:45 is 18:15 GMT the day before: the window follows local time.
    QTest::newRow("judged on local time") << local("2026-03-28 00:00:00") << 20700 << 13 << 1
                                          << mar28 << oct31 << QTime(19, 15) << 141;
}

void TestZoneClock::tick()
{
    QFETCH(QDateTime, now);
    QFETCH(int, localOffset);
    QFETCH(int, row);
    QFETCH(int, check);
    QFETCH(QString, startText);
    QFETCH(QString, endText);
    QFETCH(QTime, shown);
    QFETCH(int, code);
    const ScopedTz tz("UTC");
    const FixedClock clock(now.date(), now.time());
    const FixedZone zone(localOffset);
    const ZoneClock zones(clock, zone);
    ProgramState state;
    const SlotInput in {row, check, startText, endText};

    const TickOutput out = updateClocks(zones, state, {in, in, in, in}, QLocale(QLocale::English));

    QCOMPARE(state.GMTTime, QDateTime(now.date(), now.time(), Qt::UTC).addSecs(-localOffset));
    QCOMPARE(out.gmtShown, state.GMTTime.time());
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(out.slots[k].shown, shown);
        QCOMPARE(int(out.slots[k].code), code);
        QCOMPARE(out.slots[k].daylight, code >= 128);
        QCOMPARE(int(state.ZoneCode[k]), code);
    }
}

void TestZoneClock::windowStateFollowsLastTickedSlot()
{
    const ScopedTz tz("UTC");
    const FixedClock clock(QDate(2026, 6, 1), QTime(12, 0));
    const FixedZone zone;
    const ZoneClock zones(clock, zone);
    ProgramState state;
    const std::array<SlotInput, 4> inputs {{
            {29, 1, "01 Oct 2026", "01 Apr 2027"}, // southern window, outside in June
            {4, 1, "08 Mar 2026", "01 Nov 2026"}, // northern window, inside
            {7, 0, "01 Jan 2026", "31 Dec 2026"}, // cleared: its labels are not read
            {20, 2, "01 Jan 2026", "31 Dec 2026"}, // greyed: likewise
    }};

    const TickOutput out = updateClocks(zones, state, inputs, QLocale(QLocale::English));

    QCOMPARE(state.ZoneCode, (std::array<quint8, 4> {29, 4 + 128, 7, 20}));
    QCOMPARE(out.slots[0].shown, QTime(22, 0));
    QCOMPARE(out.slots[1].shown, QTime(5, 0));
    QCOMPARE(state.DSTStart, QDateTime(QDate(2026, 3, 8), QTime(0, 0)));
    QCOMPARE(state.DSTEnd, QDateTime(QDate(2026, 11, 1), QTime(0, 0)));
}

void TestZoneClock::formatClock_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("text");
    QTest::newRow("British") << QLocale("en_GB") << QTime(9, 5, 7) << "09:05:07";
    QTest::newRow("American stays 24-hour") << QLocale("en_US") << QTime(23, 59, 59) << "23:59:59";
    QTest::newRow("Finnish dots") << QLocale("fi_FI") << QTime(9, 5, 7) << "09.05.07";
    QTest::newRow("words fall back to colons") << QLocale("fr_CA") << QTime(0, 0) << "00:00:00";
}

void TestZoneClock::formatClock()
{
    QFETCH(QLocale, locale);
    QFETCH(QTime, time);
    QFETCH(QString, text);
    QCOMPARE(mrv::formatClock(time, locale), text);
}

QTEST_GUILESS_MAIN(TestZoneClock)
#include "tst_zones_clock.moc"
