#include "zones/Clock.h"
#include "zones/SecondTicker.h"

#include <QSignalSpy>
#include <QTest>

using namespace mrv;

namespace {

QDateTime at(double secondsAfterNoon)
{
    const QDateTime noon(QDate(2026, 6, 1), QTime(12, 0), Qt::UTC);
    return noon.addMSecs(qRound64(secondsAfterNoon * 1000));
}

// Answers each call with the next scripted time, then keeps the last. The clock is read once
// when the timer is armed and once when it fires; scripts keep each wait to a few ms.
class ScriptedClock final : public Clock
{
public:
    explicit ScriptedClock(const QString &script)
        : m_script(script.split(' '))
    { }
    QDateTime localNow() const override
    {
        return at(m_script.at(std::min<qsizetype>(m_calls++, m_script.size() - 1)).toDouble());
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
    void msecsToNextSecond_data();
    void msecsToNextSecond();
    void oneTickPerSecond_data();
    void oneTickPerSecond();
    void systemClockTicksJustAfterBoundaries();
};

void TestSecondTicker::msecsToNextSecond_data()
{
    QTest::addColumn<double>("now");
    QTest::addColumn<int>("msecs");
    QTest::newRow("on a boundary") << 0.0 << 1000;
    QTest::newRow("just after") << 0.001 << 999;
    QTest::newRow("just before") << 0.999 << 1;
    QTest::newRow("before midnight") << 43199.999 << 1;
}

void TestSecondTicker::msecsToNextSecond()
{
    QFETCH(double, now);
    QFETCH(int, msecs);
    QCOMPARE(SecondTicker::msecsToNextSecond(at(now)), msecs);
}

void TestSecondTicker::oneTickPerSecond_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("ticks");
    // A wrongly emitted tick re-arms for a whole second, so later scripted ticks go missing.
    QTest::newRow("on time") << "0.995 1.000 1.995 2.001 2.995" << 2;
    QTest::newRow("woken just before a boundary") << "0.990 0.995 1.001 1.990 2.001 2.995" << 2;
    QTest::newRow("woken early after a tick")
            << "0.990 1.000 1.990 1.950 2.001 2.990 3.001 3.995" << 3;
    QTest::newRow("clock stepped back an hour") << "0.995 1.000 1.995 -3598 -3597.005" << 2;
}

void TestSecondTicker::oneTickPerSecond()
{
    QFETCH(QString, script);
    QFETCH(int, ticks);
    const ScriptedClock clock(script);
    SecondTicker ticker(clock);
    QSignalSpy spy(&ticker, &SecondTicker::tick);

    ticker.start();
    QVERIFY(ticker.isActive());
    QTest::qWait(150);
    QCOMPARE(spy.count(), ticks);
}

void TestSecondTicker::systemClockTicksJustAfterBoundaries()
{
    const SystemClock clock;
    SecondTicker ticker(clock);
    QList<QDateTime> seen;
    connect(&ticker, &SecondTicker::tick, this, [&] { seen << clock.localNow(); });

    ticker.start();
    QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 2, 3000);
    // Generous bound: a loaded machine may run the tick late, but never early.
    for (const QDateTime &t : seen)
        QVERIFY2(t.time().msec() < 100, qPrintable(t.toString("HH:mm:ss.zzz")));
    const auto whole = [](const QDateTime &t) {
        return t.addMSecs(-t.time().msec());
    };
    QCOMPARE(whole(seen[0]).secsTo(whole(seen[1])), 1);
}

QTEST_GUILESS_MAIN(TestSecondTicker)
#include "tst_zones_ticker.moc"
