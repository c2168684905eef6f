#include "zones/ProgramState.h"
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

// The next time of its script at each call, then the last again; local, in the TZ in force.
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

const QDateTime kNoon(QDate(2026, 6, 1), QTime(12, 0), Qt::UTC); // its wall clock counts

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

class TestZones : public QObject
{
    Q_OBJECT
    static void setTz(const char *zone) { qputenv("TZ", zone), ::tzset(); }

private Q_SLOTS:
    void init() { setTz("UTC"); }

    void tick_data() // local time | row | box (1: ticked) | start | end | TZ | shown | zone code
    {
        // Row 13 (London) with the box cleared shows GMT, so these read back the local offset.
        addRows({"2026-03-29 00:59:59|13|0|||Europe/London|00:59:59|13",
                 "2026-03-29 02:00:00|13|0|||Europe/London|01:00:00|13",
                 "2026-07-15 12:00:00|13|0|||Asia/Kathmandu|06:15:00|13",
                 "2026-01-15 12:00:00|13|0|||Australia/Lord_Howe|01:00:00|13",
                 // Rows -1 and 32 are none, so London; the window is judged on whole seconds.
                 "2026-06-01 12:00:00|22|1|--|31 Oct 2026|UTC|17:45:00|22",
                 "2026-06-01 12:00:00|-1|1|28 Mar 2026|31 Oct 2026|UTC|13:00:00|141",
                 "2026-06-01 12:00:00|32|0|28 Mar 2026|31 Oct 2026|UTC|12:00:00|13",
                 "2026-06-01 11:30:00|31|1|28 Mar 2026|31 Oct 2026|UTC|00:30:00|159",
                 "2026-03-27 23:59:59|13|1|28 Mar 2026|31 Oct 2026|UTC|23:59:59|13",
                 "2026-03-28 00:00:00|13|1|28 Mar 2026|31 Oct 2026|UTC|01:00:00|141",
                 "2026-10-30 23:59:59|13|1|28 Mar 2026|31 Oct 2026|UTC|00:59:59|141",
                 "2026-10-31 00:00:00|13|1|28 Mar 2026|31 Oct 2026|UTC|00:00:00|13",
                 "2026-06-01 12:00:00|13|1|28 Mar 2026|28 Mar 2026|UTC|12:00:00|13",
                 "2027-01-15 12:00:00|13|1|01 Oct 2026|01 Apr 2027|UTC|13:00:00|141",
                 // Chile moves its clocks at midnight: 8 Sep 2024 began at 01:00.
                 "2024-09-08 01:00:00|13|1|08 Sept 2024|06 Apr 2025|America/Santiago|05:00:00|141",
                 // Local midnight at +5:45 is 18:15 GMT the day before: the window is local.
                 "2026-03-28 00:00:00|13|1|28 Mar 2026|31 Oct 2026|Asia/Kathmandu|19:15:00|141"});
    }
    void tick()
    {
        QFETCH(QStringList, f);
        setTz(qPrintable(f[5]));
        const QDateTime now = QDateTime::fromString(f[0], "yyyy-MM-dd HH:mm:ss");
        const ScriptedClock clock({now.addMSecs(750)});
        const SystemTimeZoneSource source;
        ProgramState state;
        const SlotInput slot {f[1].toInt(), f[2].toInt(), f[3], f[4]};
        const TickOutput out = updateClocks(ZoneClock(clock, source), state,
                                            {slot, slot, slot, slot}, QLocale("en_GB"));
        QCOMPARE(state.GMTTime, now.toUTC()); // whole seconds
        QCOMPARE(out.gmtShown, state.GMTTime.time());
        for (int k = 0; k < 4; ++k) {
            QCOMPARE(out.slots[k].shown, QTime::fromString(f[6]));
            QCOMPARE(QString::number(out.slots[k].code), f[7]);
            QCOMPARE(out.slots[k].daylight, f[7].toInt() >= 128);
            QCOMPARE(state.ZoneCode[k], out.slots[k].code);
        }
    }

    void eachTickedSlotHasItsOwnWindow()
    {
        const ScriptedClock clock({kNoon});
        const SystemTimeZoneSource source;
        const ZoneClock zones(clock, source);
        ProgramState state;
        updateClocks(zones, state,
                     {{{29, kDstTicked, "01 Oct 2026", "01 Apr 2027"}, // southern: not in June
                       {4, kDstTicked, "08 Mar 2026", "01 Nov 2026"},
                       {7, kDstCleared, "01 Jan 2026", "31 Dec 2026"},
                       {20, kDstGreyed, "01 Jan 2026", "31 Dec 2026"}}},
                     QLocale("en_GB"));
        QCOMPARE(state.ZoneCode, (std::array<quint8, 4> {29, 4 + 128, 7, 20}));
        setTz("Asia/Kathmandu"); // read afresh: shows at the next call
        QCOMPARE(zones.getLocalOffset(), 20700);
    }

    void formatClock()
    {
        QCOMPARE(mrv::formatClock(QTime(23, 59, 59), QLocale("en_US")), "23:59:59"); // no AM/PM
        QCOMPARE(mrv::formatClock(QTime(9, 5, 7), QLocale("fi_FI")), "09.05.07");
        QCOMPARE(mrv::formatClock(QTime(0, 0), QLocale("fr_CA")), "00:00:00"); // "h": colons
        QCOMPARE(formatStoredDayMonth(QDate(2026, 9, 30)), "30 Sep"); // English, three letters
    }

    void parseDates_data() // label or stored | locale | text | reads as ("jui": juin, juillet)
    {
        addRows({"label|en_GB|28 Mar 2026|28/3/2026", "label|fr_FR|06 juil. 2026|6/7/2026",
                 "label|de_DE|01 März 2026|1/3/2026", "label|en_GB|--|", "label|en_GB|31 Feb 2026|",
                 "stored|en_GB|  31 OCT  |31/10", "stored|en_GB|29 Feb|29/2",
                 "stored|en_GB|31 Feb|", "stored|en_GB|Jul 06|", "stored|en_GB|06 Ju|",
                 "stored|fr_FR|06 Jul|6/7", "stored|fr_FR|06 jui|", "stored|fr_FR|06 juil.|6/7",
                 "stored|fr_FR|24 DÉC|24/12", "stored|de_DE|29 Mär|29/3", "stored|de_DE|01 Mrz|"});
    }
    void parseDates()
    {
        QFETCH(QStringList, f);
        const QLocale locale(f[1]);
        if (f[0] == "stored") {
            QCOMPARE(parseStoredDayMonth(f[2], locale), dm(f[3]));
            return;
        }
        QCOMPARE(parseDateLabel(f[2], locale), date(f[3]));
        QCOMPARE(parseDateLabel(f[2].toUpper(), locale), date(f[3]));
        if (date(f[3]))
            QCOMPARE(formatDateLabel(*date(f[3]), locale), f[2]);
    }

    void completeYears_data() // today | start | end | completed start | completed end
    {
        // Across New Year, either side of its end; then within a year, equal days, a side
        // missing, 29 Feb in a common and in a leap year.
        addRows({"6/12/2026|1/10|1/4|1/10/2026|1/4/2027", "31/3/2027|1/10|1/4|1/10/2026|1/4/2027",
                 "1/4/2027|1/10|1/4|1/10/2027|1/4/2028",
                 "5/12/2026|28/3|31/10|28/3/2026|31/10/2026", "5/5/2026|1/4|1/4|1/4/2026|1/4/2026",
                 "5/5/2026||1/4||1/4/2026", "5/1/2027|29/2|31/10|28/2/2027|31/10/2027",
                 "5/1/2028|29/2|31/10|29/2/2028|31/10/2028"});
    }
    void completeYears()
    {
        QFETCH(QStringList, f);
        const CompletedWindow window = mrv::completeYears(dm(f[1]), dm(f[2]), *date(f[0]));
        QCOMPARE(window.start, date(f[3]));
        QCOMPARE(window.end, date(f[4]));
    }

    void oneTickPerSecond_data()
    {
        QTest::addColumn<QString>("script"); // seconds after noon, read when armed and when fired
        QTest::addColumn<int>("ticks");
        // A wrongly emitted tick re-arms for a whole second, so later scripted ticks go missing.
        QTest::newRow("on time") << "0.995 1 1.995 2.001 2.995" << 2;
        QTest::newRow("woken just before a boundary") << "0.99 0.995 1.001 1.99 2.001 2.995" << 2;
        QTest::newRow("woken early after a tick") << "0.99 1 1.99 1.95 2.001 2.99 3.001 3.995" << 3;
        QTest::newRow("clock stepped back an hour") << "0.995 1 1.995 -3598 -3597.005" << 2;
    }
    void oneTickPerSecond()
    {
        QFETCH(QString, script);
        QFETCH(int, ticks);
        QCOMPARE(SecondTicker::msecsToNextSecond(kNoon), 1000); // that second has begun
        QCOMPARE(SecondTicker::msecsToNextSecond(kNoon.addMSecs(1)), 999);
        QCOMPARE(SecondTicker::msecsToNextSecond(kNoon.addMSecs(-1)), 1);
        QList<QDateTime> times;
        for (const QString &s : script.split(' '))
            times << kNoon.addMSecs(qRound64(s.toDouble() * 1000));
        const ScriptedClock clock(times);
        SecondTicker ticker(clock);
        QSignalSpy spy(&ticker, &SecondTicker::tick);
        ticker.start();
        QTest::qWait(150);
        QCOMPARE(spy.count(), ticks);
    }
};

QTEST_GUILESS_MAIN(TestZones)
#include "tst_zones.moc"
