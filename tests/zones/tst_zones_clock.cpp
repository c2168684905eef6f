#include "ZoneTestSupport.h"
#include "state/ProgramState.h"
#include "zones/ClockTick.h"
#include "zones/ZoneClock.h"

#include <QTest>

using namespace mrv;

class TestZoneClock : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void zoneTime_data();
    void zoneTime();
    void localOffset_data();
    void localOffset();
    void systemZoneChangeShowsAtNextCall();
    void windowOnDayWithoutMidnight();
    void tick_data();
    void tick();
    void eachTickedSlotHasItsOwnWindow();
    void formatClock_data();
    void formatClock();
};

void TestZoneClock::zoneTime_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("offset");
    QTest::newRow("London") << 13 << 0;
    QTest::newRow("no row") << -1 << 0;
    QTest::newRow("past the table") << 32 << 0;
    QTest::newRow("Kathmandu") << 22 << 20700;
    QTest::newRow("Newfoundland") << 9 << -12600;
}

void TestZoneClock::zoneTime()
{
    QFETCH(int, row);
    QFETCH(int, offset);
    const FixedClock clock(localAt("2026-03-01 12:00:00").addMSecs(750));
    const FixedZone zone(3600);
    const ZoneClock zones(clock, zone);

    const QDateTime gmt = zones.getGMT(); // milliseconds dropped
    QCOMPARE(gmt, QDateTime(QDate(2026, 3, 1), QTime(11, 0), Qt::UTC));
    QCOMPARE(zones.getZoneTime(row), gmt.addSecs(offset));
}

void TestZoneClock::localOffset_data()
{
    QTest::addColumn<QByteArray>("tz");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<int>("standard");
    QTest::addColumn<int>("daylight");
    const auto add = [](const char *name, const char *tz, const char *now, int std, int dst) {
        QTest::newRow(name) << QByteArray(tz) << localAt(now) << std << dst;
    };
    add("London winter", "Europe/London", "2026-01-15 12:00:00", 0, 0);
    add("London summer", "Europe/London", "2026-07-15 12:00:00", 0, 3600);
    add("London first second of summer", "Europe/London", "2026-03-29 02:00:00", 0, 3600);
    add("St John's summer", "America/St_Johns", "2026-07-15 12:00:00", -12600, 3600);
    add("Kathmandu", "Asia/Kathmandu", "2026-07-15 12:00:00", 20700, 0);
    add("Lord Howe summer", "Australia/Lord_Howe", "2026-01-15 12:00:00", 37800, 1800);
}

void TestZoneClock::localOffset()
{
    QFETCH(QByteArray, tz);
    QFETCH(QDateTime, now);
    QFETCH(int, standard);
    QFETCH(int, daylight);
    const ScopedTz scopedTz(tz);
    const FixedClock clock(now);
    const SystemTimeZoneSource source;
    const ZoneClock zones(clock, source);

    const LocalZoneFacts facts = source.factsAt(clock.localNow());
    QCOMPARE(facts.standardOffsetSeconds, standard);
    QCOMPARE(facts.daylightAdjustmentSeconds, daylight);
    QCOMPARE(zones.getLocalOffset(), standard + daylight);
    QCOMPARE(zones.getGMT(), clock.localNow().toUTC());
}

void TestZoneClock::systemZoneChangeShowsAtNextCall()
{
    const FixedClock clock(localAt("2026-01-15 12:00:00"));
    const SystemTimeZoneSource source;
    const ZoneClock zones(clock, source);
    {
        const ScopedTz tz("Asia/Kathmandu");
        QCOMPARE(zones.getLocalOffset(), 20700);
    }
    const ScopedTz tz("America/St_Johns");
    QCOMPARE(zones.getLocalOffset(), -12600);
}

void TestZoneClock::windowOnDayWithoutMidnight()
{
    // Chile moves its clocks at midnight: 8 Sep 2024 began at 01:00.
    const ScopedTz tz("America/Santiago");
    const FixedClock clock(localAt("2024-09-08 01:00:00"));
    const FixedZone zone;
    const ZoneClock zones(clock, zone);
    QVERIFY(zones.isDST(QDateTime(QDate(2024, 9, 8), QTime(0, 0)),
                        QDateTime(QDate(2025, 4, 6), QTime(0, 0))));
}

struct TickCase
{
    const char *now = "2026-06-01 12:00:00"; // local wall clock
    int row = 22;
    int check = 1;
    const char *start = "28 Mar 2026";
    const char *end = "31 Oct 2026";
    int localOffset = 0;
};
Q_DECLARE_METATYPE(TickCase)

void TestZoneClock::tick_data()
{
    QTest::addColumn<TickCase>("in");
    QTest::addColumn<QTime>("shown");
    QTest::addColumn<int>("code");
    const auto add = [](const char *name, TickCase in, const char *shown, int code) {
        QTest::newRow(name) << in << QTime::fromString(shown) << code;
    };
    add("inside window", {}, "18:45:00", 150);
    add("outside window", {.now = "2026-12-01 12:00:00"}, "17:45:00", 22);
    add("box cleared", {.check = 0}, "17:45:00", 22);
    add("box greyed", {.check = 2}, "17:45:00", 22);
    add("no stored start date", {.start = "--"}, "17:45:00", 22);
    add("no row", {.row = -1, .check = 0}, "12:00:00", 13);
    add("no row, daylight saving", {.row = -1}, "13:00:00", 141);
    add("row past the table", {.row = 32, .check = 0}, "12:00:00", 13);
    add("second before start", {.now = "2026-03-27 23:59:59", .row = 13}, "23:59:59", 13);
    add("first second of start", {.now = "2026-03-28 00:00:00", .row = 13}, "01:00:00", 141);
    add("second before end", {.now = "2026-10-30 23:59:59", .row = 13}, "00:59:59", 141);
    add("first second of end", {.now = "2026-10-31 00:00:00", .row = 13}, "00:00:00", 13);
    add("start equals end", {.row = 13, .end = "28 Mar 2026"}, "12:00:00", 13);
    add("across New Year", {"2027-01-15 12:00:00", 13, 1, "01 Oct 2026", "01 Apr 2027"}, "13:00:00",
        141);
    add("same days, one year", {"2027-01-15 12:00:00", 13, 1, "01 Oct 2027", "01 Apr 2027"},
        "12:00:00", 13);
    add("shift across midnight", {.now = "2026-06-01 11:30:00", .row = 31}, "00:30:00", 159);
    // Local midnight at +5:45 is 18:15 GMT the day before: the window follows local time.
    add("judged on local time", {.now = "2026-03-28 00:00:00", .row = 13, .localOffset = 20700},
        "19:15:00", 141);
}

void TestZoneClock::tick()
{
    QFETCH(TickCase, in);
    QFETCH(QTime, shown);
    QFETCH(int, code);
    const ScopedTz tz("UTC");
    const QDateTime now = localAt(in.now);
    const FixedClock clock(now);
    const FixedZone zone(in.localOffset);
    const ZoneClock zones(clock, zone);
    ProgramState state;
    const SlotInput slot {in.row, in.check, in.start, in.end};

    const TickOutput out = updateClocks(zones, state, {slot, slot, slot, slot}, QLocale("en_GB"));

    QCOMPARE(state.GMTTime, QDateTime(now.date(), now.time(), Qt::UTC).addSecs(-in.localOffset));
    QCOMPARE(out.gmtShown, state.GMTTime.time());
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(out.slots[k].shown, shown);
        QCOMPARE(int(out.slots[k].code), code);
        QCOMPARE(out.slots[k].daylight, code >= 128);
        QCOMPARE(int(state.ZoneCode[k]), code);
    }
}

void TestZoneClock::eachTickedSlotHasItsOwnWindow()
{
    const ScopedTz tz("UTC");
    const FixedClock clock(localAt("2026-06-01 12:00:00"));
    const FixedZone zone;
    const ZoneClock zones(clock, zone);
    ProgramState state;
    const std::array<SlotInput, 4> inputs {{
            {29, 1, "01 Oct 2026", "01 Apr 2027"}, // southern window, outside in June
            {4, 1, "08 Mar 2026", "01 Nov 2026"}, // northern window, inside
            {7, 0, "01 Jan 2026", "31 Dec 2026"}, // cleared and greyed: labels not read
            {20, 2, "01 Jan 2026", "31 Dec 2026"},
    }};

    const TickOutput out = updateClocks(zones, state, inputs, QLocale("en_GB"));

    QCOMPARE(state.ZoneCode, (std::array<quint8, 4> {29, 4 + 128, 7, 20}));
    QCOMPARE(out.slots[0].shown, QTime(22, 0));
    QCOMPARE(out.slots[1].shown, QTime(5, 0));
    QCOMPARE(state.DSTStart, QDateTime(QDate(2026, 3, 8), QTime(0, 0)));
    QCOMPARE(state.DSTEnd, QDateTime(QDate(2026, 11, 1), QTime(0, 0)));
}

void TestZoneClock::formatClock_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QString>("text");
    QTest::newRow("British") << "en_GB" << QTime(9, 5, 7) << "09:05:07";
    QTest::newRow("American stays 24-hour") << "en_US" << QTime(23, 59, 59) << "23:59:59";
    QTest::newRow("Finnish dots") << "fi_FI" << QTime(9, 5, 7) << "09.05.07";
    QTest::newRow("words fall back to colons") << "fr_CA" << QTime(0, 0) << "00:00:00";
}

void TestZoneClock::formatClock()
{
    QFETCH(QString, locale);
    QFETCH(QTime, time);
    QFETCH(QString, text);
    QCOMPARE(mrv::formatClock(time, QLocale(locale)), text);
}

QTEST_GUILESS_MAIN(TestZoneClock)
#include "tst_zones_clock.moc"
