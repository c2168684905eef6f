#include "ZoneTestSupport.h"
#include "zones/SecondTicker.h"

#include <QSignalSpy>
#include <QTest>

using namespace mrv;

namespace {

QDateTime at(const QString &time)
{
    return QDateTime(QDate(2026, 6, 1), QTime::fromString(time, QStringLiteral("HH:mm:ss.zzz")));
}

// Answers each call with the next scripted time and then keeps the last one. Every script
// keeps the waits it causes to a few milliseconds.
class ScriptedClock final : public Clock
{
public:
    explicit ScriptedClock(const QStringList &script)
        : m_script(script)
    { }
    QDateTime localNow() const override
    {
        const QString &next = m_script.at(std::min<qsizetype>(m_calls++, m_script.size() - 1));
        return at(next);
    }

private:
    QStringList m_script;
    mutable qsizetype m_calls = 0;
};

} // namespace

class TestSecondTicker : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void msecsToNextSecond_data();
    void msecsToNextSecond();
    void oneTickPerSecond_data();
    void oneTickPerSecond();
    void stopFromTickStops();
    void systemClockTicksJustAfterBoundaries();
};

void TestSecondTicker::initTestCase()
{
    // Local wall-clock times in these tests must all exist.
    ::setenv("TZ", "UTC", 1);
    ::tzset();
}

void TestSecondTicker::msecsToNextSecond_data()
{
    QTest::addColumn<QString>("now");
    QTest::addColumn<int>("msecs");
    QTest::newRow("on a boundary") << "12:00:00.000" << 1000;
    QTest::newRow("just after") << "12:00:00.001" << 999;
    QTest::newRow("halfway") << "12:00:00.500" << 500;
    QTest::newRow("just before") << "12:00:00.999" << 1;
    QTest::newRow("before midnight") << "23:59:59.999" << 1;
}

void TestSecondTicker::msecsToNextSecond()
{
    QFETCH(QString, now);
    QFETCH(int, msecs);
    QCOMPARE(SecondTicker::msecsToNextSecond(at(now)), msecs);
}

void TestSecondTicker::oneTickPerSecond_data()
{
    // The clock is read once when the timer is armed and once when it fires.
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<int>("ticks");
    QTest::newRow("on time") << QStringList {"12:00:00.995", "12:00:01.000", "12:00:01.995",
                                             "12:00:02.001", "12:00:02.995"}
                             << 2;
    QTest::newRow("woken just before the first boundary")
            << QStringList {"12:00:00.990", "12:00:00.995", "12:00:01.001", "12:00:01.995"} << 1;
    QTest::newRow("woken early after a tick")
            << QStringList {"12:00:00.990", "12:00:01.000", "12:00:01.990",
                            "12:00:01.950", "12:00:02.001", "12:00:02.995"}
            << 2;
    QTest::newRow("late wake-up still ticks")
            << QStringList {"12:00:00.995", "12:00:01.600", "12:00:01.995", "12:00:02.003",
                            "12:00:02.995"}
            << 2;
    QTest::newRow("clock stepped back an hour")
            << QStringList {"12:00:00.995", "12:00:01.000", "12:00:01.995", "11:00:02.000",
                            "11:00:02.995"}
            << 2;
}

void TestSecondTicker::oneTickPerSecond()
{
    QFETCH(QStringList, script);
    QFETCH(int, ticks);
    const ScriptedClock clock(script);
    SecondTicker ticker(clock);
    QSignalSpy spy(&ticker, &SecondTicker::tick);

    ticker.start();
    QVERIFY(ticker.isActive());
    QTest::qWait(150);
    QCOMPARE(spy.count(), ticks);
}

void TestSecondTicker::stopFromTickStops()
{
    const ScriptedClock clock({"12:00:00.995", "12:00:01.000", "12:00:01.995"});
    SecondTicker ticker(clock);
    QSignalSpy spy(&ticker, &SecondTicker::tick);
    connect(&ticker, &SecondTicker::tick, &ticker, &SecondTicker::stop);

    ticker.start();
    QTRY_COMPARE(spy.count(), 1);
    QVERIFY(!ticker.isActive());
}

void TestSecondTicker::systemClockTicksJustAfterBoundaries()
{
    const SystemClock clock;
    SecondTicker ticker(clock);
    QList<QDateTime> seen;
    connect(&ticker, &SecondTicker::tick, this, [&] { seen << clock.localNow(); });

    ticker.start();
    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 2, 3000);
    ticker.stop();
    // Generous bound: a loaded machine may be slow to run the tick, but never early.
    for (const QDateTime &t : seen)
        QVERIFY2(t.time().msec() < 100, qPrintable(t.toString("HH:mm:ss.zzz")));
    const auto whole = [](const QDateTime &t) {
        return t.addMSecs(-t.time().msec());
    };
    QCOMPARE(whole(seen[0]).secsTo(whole(seen[1])), 1);
}

QTEST_GUILESS_MAIN(TestSecondTicker)
#include "tst_zones_ticker.moc"
