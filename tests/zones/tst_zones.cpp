#include "state/ProgramState.h"
#include "zones/Clock.h"
#include "zones/ClockTick.h"
#include "zones/DstDates.h"
#include "zones/SecondTicker.h"
#include "zones/TimeZoneSource.h"
#include "zones/ZoneClock.h"

#include <QSignalSpy>
#include <QTest>

#include <ctime>

using namespace mrv;

namespace {

// Answers each call with the next time of its script, then keeps the last. Rebuilt from the
// wall-clock fields on each call, so that it follows the TZ in force.
struct ScriptedClock final : Clock
{
    explicit ScriptedClock(const QList<QDateTime> &times) { script = times; }
    QDateTime localNow() const override
    {
        const QDateTime t = script.at(std::min(calls++, script.size() - 1));
        return QDateTime(t.date(), t.time());
    }
    QList<QDateTime> script;
    mutable qsizetype calls = 0;
};

void setTz(const char *zone)
{
    qputenv("TZ", zone);
    ::tzset();
}

QDateTime afterNoon(double seconds)
{
    return QDateTime(QDate(2026, 6, 1), QTime(12, 0)).addMSecs(qRound64(seconds * 1000));
}

struct TickCase
{
    const char *now = "2026-06-01 12:00:00"; // local wall clock
    int row = 22;
    int check = kDstTicked;
    const char *start = "28 Mar 2026";
    const char *end = "31 Oct 2026";
    const char *tz = "UTC";
};

// "d/m" as stored day and month; anything else for none.
std::optional<DayMonth> dm(const QString &t)
{
    const QStringList p = t.split('/');
    return p.size() == 2 ? std::optional(DayMonth {p[0].toInt(), p[1].toInt()}) : std::nullopt;
}

std::optional<QDate> date(const QString &text)
{
    const QDate d = QDate::fromString(text, "d/M/yyyy");
    return d.isValid() ? std::optional(d) : std::nullopt;
}

// Table rows of fields split at '|', so that blanks inside a field stay.
void addRows(std::initializer_list<const char *> rows)
{
    QTest::addColumn<QStringList>("f");
    for (const char *row : rows)
        QTest::newRow(row) << QString::fromUtf8(row).split('|');
}

} // namespace

Q_DECLARE_METATYPE(TickCase)

class TestZones : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { setTz("UTC"); }
    void tick_data();
    void tick();
    void eachTickedSlotHasItsOwnWindow();
    void formatClock();
    void parseDates_data();
    void parseDates();
    void completeYears_data();
    void completeYears();
    void oneTickPerSecond_data();
    void oneTickPerSecond();
};

void TestZones::tick_data()
{
    QTest::addColumn<TickCase>("in");
    QTest::addColumn<QTime>("shown");
    QTest::addColumn<int>("code");
    const auto add = [](const char *name, TickCase in, const char *shown, int code) {
        QTest::newRow(name) << in << QTime::fromString(shown) << code;
    };
    // Row 13 (London) with the box cleared shows GMT, so these read back the local offset.
    const auto gmt = [&](const char *name, const char *tz, const char *now, const char *shown) {
        add(name, {.now = now, .row = 13, .check = kDstCleared, .tz = tz}, shown, 13);
    };
    gmt("London winter", "Europe/London", "2026-01-15 12:00:00", "12:00:00");
    gmt("London summer", "Europe/London", "2026-07-15 12:00:00", "11:00:00");
    gmt("London first second of summer", "Europe/London", "2026-03-29 02:00:00", "01:00:00");
    gmt("St John's summer", "America/St_Johns", "2026-07-15 12:00:00", "14:30:00");
    gmt("Kathmandu", "Asia/Kathmandu", "2026-07-15 12:00:00", "06:15:00");
    gmt("Lord Howe summer", "Australia/Lord_Howe", "2026-01-15 12:00:00", "01:00:00");

    add("inside window", {}, "18:45:00", 150);
    add("no stored start date", {.start = "--"}, "17:45:00", 22);
    add("no row, daylight saving", {.row = -1}, "13:00:00", 141);
    add("row past the table", {.row = 32, .check = kDstCleared}, "12:00:00", 13);
    add("second before start", {.now = "2026-03-27 23:59:59", .row = 13}, "23:59:59", 13);
    add("first second of start", {.now = "2026-03-28 00:00:00", .row = 13}, "01:00:00", 141);
    add("second before end", {.now = "2026-10-30 23:59:59", .row = 13}, "00:59:59", 141);
    add("first second of end", {.now = "2026-10-31 00:00:00", .row = 13}, "00:00:00", 13);
    add("start equals end", {.row = 13, .end = "28 Mar 2026"}, "12:00:00", 13);
    add("New Year", {"2027-01-15 12:00:00", 13, 1, "01 Oct 2026", "01 Apr 2027"}, "13:00:00", 141);
    add("shift across midnight", {.now = "2026-06-01 11:30:00", .row = 31}, "00:30:00", 159);
    // Local midnight at +5:45 is 18:15 GMT the day before: the window follows local time.
    add("judged on local time", {.now = "2026-03-28 00:00:00", .row = 13, .tz = "Asia/Kathmandu"},
        "19:15:00", 141);
    // Chile moves its clocks at midnight: 8 Sep 2024 began at 01:00.
    add("window starts on a day without midnight",
        {"2024-09-08 01:00:00", 13, 1, "08 Sept 2024", "06 Apr 2025", "America/Santiago"},
        "05:00:00", 141);
}

void TestZones::tick()
{
    QFETCH(TickCase, in);
    QFETCH(QTime, shown);
    QFETCH(int, code);
    setTz(in.tz);
    const QDateTime now = QDateTime::fromString(in.now, "yyyy-MM-dd HH:mm:ss");
    const ScriptedClock clock({now.addMSecs(750)});
    const SystemTimeZoneSource source;
    const ZoneClock zones(clock, source);
    ProgramState state;
    const SlotInput slot {in.row, in.check, in.start, in.end};
    const TickOutput out = updateClocks(zones, state, {slot, slot, slot, slot}, QLocale("en_GB"));
    QCOMPARE(state.GMTTime, now.toUTC()); // whole seconds
    QCOMPARE(out.gmtShown, state.GMTTime.time());
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(out.slots[k].shown, shown);
        QCOMPARE(int(out.slots[k].code), code);
        QCOMPARE(out.slots[k].daylight, code >= 128);
        QCOMPARE(int(state.ZoneCode[k]), code);
    }
}

void TestZones::eachTickedSlotHasItsOwnWindow()
{
    const ScriptedClock clock({afterNoon(0)});
    const SystemTimeZoneSource source;
    const ZoneClock zones(clock, source);
    ProgramState state;
    updateClocks(zones, state,
                 {{{29, kDstTicked, "01 Oct 2026", "01 Apr 2027"}, // southern, outside in June
                   {4, kDstTicked, "08 Mar 2026", "01 Nov 2026"},
                   {7, kDstCleared, "01 Jan 2026", "31 Dec 2026"},
                   {20, kDstGreyed, "01 Jan 2026", "31 Dec 2026"}}},
                 QLocale("en_GB"));
    QCOMPARE(state.ZoneCode, (std::array<quint8, 4> {29, 4 + 128, 7, 20}));
    setTz("Asia/Kathmandu"); // read afresh: shows at the next call
    QCOMPARE(zones.getLocalOffset(), 20700);
}

void TestZones::formatClock()
{
    QCOMPARE(mrv::formatClock(QTime(23, 59, 59), QLocale("en_US")), "23:59:59"); // never AM/PM
    QCOMPARE(mrv::formatClock(QTime(9, 5, 7), QLocale("fi_FI")), "09.05.07");
    QCOMPARE(mrv::formatClock(QTime(0, 0), QLocale("fr_CA")), "00:00:00"); // "h" words: colons
}

void TestZones::parseDates_data() // label or stored | locale | text | what it reads as
{
    // French "jui" could be juin or juillet.
    addRows({"label|en_GB|28 Mar 2026|28/3/2026", "label|fr_FR|06 juil. 2026|6/7/2026",
             "label|de_DE|01 März 2026|1/3/2026", "label|en_GB|--|", "label|en_GB|31 Feb 2026|",
             "stored|en_GB|  31 OCT  |31/10", "stored|en_GB|29 Feb|29/2", "stored|en_GB|31 Feb|",
             "stored|en_GB|Jul 06|", "stored|en_GB|06 Ju|", "stored|fr_FR|06 Jul|6/7",
             "stored|fr_FR|06 jui|", "stored|fr_FR|06 juil.|6/7", "stored|fr_FR|24 DÉC|24/12",
             "stored|de_DE|29 Mär|29/3", "stored|de_DE|01 Mrz|"});
}

void TestZones::parseDates()
{
    QFETCH(QStringList, f);
    const QLocale locale(f[1]);
    // Stored in English whatever the locale, three letters even for September.
    QCOMPARE(formatStoredDayMonth(QDate(2026, 9, 30)), "30 Sep");
    if (f[0] == "stored") {
        QCOMPARE(parseStoredDayMonth(f[2], locale), dm(f[3]));
        return;
    }
    QCOMPARE(parseDateLabel(f[2], locale), date(f[3]));
    QCOMPARE(parseDateLabel(f[2].toUpper(), locale), date(f[3]));
    if (date(f[3]))
        QCOMPARE(formatDateLabel(*date(f[3]), locale), f[2]);
}

void TestZones::completeYears_data() // today | start | end | completed start | completed end
{
    // A southern window, from 01 Oct to 01 Apr; then a northern one, equal days, a side missing,
    // 29 Feb in a common and in a leap year.
    addRows({"6/12/2026|1/10|1/4|1/10/2026|1/4/2027", "15/6/2027|1/10|1/4|1/10/2027|1/4/2028",
             "31/3/2027|1/10|1/4|1/10/2026|1/4/2027", "1/4/2027|1/10|1/4|1/10/2027|1/4/2028",
             "1/10/2027|1/10|1/4|1/10/2027|1/4/2028", "5/12/2026|28/3|31/10|28/3/2026|31/10/2026",
             "5/5/2026|1/4|1/4|1/4/2026|1/4/2026", "5/5/2026||1/4||1/4/2026",
             "5/1/2027|29/2|31/10|28/2/2027|31/10/2027",
             "5/1/2028|29/2|31/10|29/2/2028|31/10/2028"});
}

void TestZones::completeYears()
{
    QFETCH(QStringList, f);
    const CompletedWindow window = mrv::completeYears(dm(f[1]), dm(f[2]), *date(f[0]));
    QCOMPARE(window.start, date(f[3]));
    QCOMPARE(window.end, date(f[4]));
}

void TestZones::oneTickPerSecond_data()
{
    QTest::addColumn<QString>("script"); // seconds after noon, read when armed and when fired
    QTest::addColumn<int>("ticks");
    // A wrongly emitted tick re-arms for a whole second, so later scripted ticks go missing.
    QTest::newRow("on time") << "0.995 1 1.995 2.001 2.995" << 2;
    QTest::newRow("woken just before a boundary") << "0.99 0.995 1.001 1.99 2.001 2.995" << 2;
    QTest::newRow("woken early after a tick") << "0.99 1 1.99 1.95 2.001 2.99 3.001 3.995" << 3;
    QTest::newRow("clock stepped back an hour") << "0.995 1 1.995 -3598 -3597.005" << 2;
}

void TestZones::oneTickPerSecond()
{
    QFETCH(QString, script);
    QFETCH(int, ticks);
    QCOMPARE(SecondTicker::msecsToNextSecond(afterNoon(0)), 1000); // that second has begun
    QCOMPARE(SecondTicker::msecsToNextSecond(afterNoon(0.001)), 999);
    QCOMPARE(SecondTicker::msecsToNextSecond(afterNoon(-0.001)), 1);
    QList<QDateTime> times;
    for (const QString &s : script.split(' '))
        times << afterNoon(s.toDouble());
    const ScriptedClock clock(times);
    SecondTicker ticker(clock);
    QSignalSpy spy(&ticker, &SecondTicker::tick);
    ticker.start();
    QTest::qWait(150);
    QCOMPARE(spy.count(), ticks);
}

QTEST_GUILESS_MAIN(TestZones)
#include "tst_zones.moc"
