// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// When the program wakes and what it does then: the wake plan shown and hidden, a stepped
// clock, a suspend, the frames' place in their interval, the system clock's health line, and
// one run of the real wake-up timer.

#include "FakeClock.h"
#include "FakeWakeTimer.h"
#include "Pty.h"
#include "app/MainWindow.h"
#include "dialogs/MessageBox.h"
#include "platform/SerialPort.h"
#include "app/SettingsStore.h"
#include "app/Timekeeper.h"
#include "platform/ClockHealth.h"
#include "platform/WakeTimer.h"
#include "tray/TrayIcon.h"
#include "domain/TimeZoneSource.h"

#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

using namespace mrv;

namespace {

struct FixedZones final : TimeZoneSource
{
    LocalZoneFacts factsAt(const QDateTime &) const override { return {}; }
};

struct FakeHealth final : ClockHealthSource
{
    ClockHealth read() const override
    {
        ++reads;
        return verdict;
    }
    ClockHealth verdict {ClockHealth::State::Synchronised, 2000, 100};
    mutable int reads = 0;
};

struct NoBoxes final : MessageBoxes
{
    void exclamation(QWidget *, const QString &, const QString &) override { }
};

QDateTime at(const char *hms, int ms = 0)
{
    return QDateTime(QDate(2026, 12, 6), QTime::fromString(hms, "HH:mm:ss").addMSecs(ms), Qt::UTC);
}
qint64 secondOf(const char *hms)
{
    return at(hms).toSecsSinceEpoch();
}

// A timekeeper over a scratch settings file and a pseudo-terminal display, on a fake clock in
// UTC, woken only by the test.
struct Keeper
{
    explicit Keeper(int syncInt, bool portThere = true)
    {
        setTz("UTC");
        QFile ini(dir.filePath("mrvl.ini"));
        const QString device = portThere ? display.slavePath() : dir.filePath("missing");
        if (ini.open(QIODevice::WriteOnly))
            ini.write(QStringLiteral("[Settings]\nCommPort=1\nSyncInt=%1\n[Ports]\nCOM1=%2\n")
                              .arg(syncInt)
                              .arg(device)
                              .toUtf8());
        ini.close();
        store = std::make_unique<SettingsStore>(ini.fileName());
        store->load(QLocale::c());
        keeper = std::make_unique<Timekeeper>(clock, zones, *store);
        auto owned = std::make_unique<FakeWakeTimer>();
        wake = owned.get();
        keeper->setWakeTimer(std::move(owned));
        keeper->setClockHealthSource(&health);
        QObject::connect(keeper.get(), &Timekeeper::ticked,
                         [this](const TimeSnapshot &snapshot, bool sent) {
                             if (sent)
                                 frames << snapshot.gmt.time().toString("HH:mm:ss");
                         });
    }
    // Started as the window does: port, "Sync Now", ticking.
    void start(const QDateTime &now, bool shown)
    {
        clock.now = now;
        QStringList why;
        if (keeper->openDisplays(&why))
            keeper->syncNow();
        keeper->setShown(shown);
        keeper->startTicking();
    }
    // The wake-up timer fires at its second, `lateMs` late.
    void wakeUp(int lateMs = 0)
    {
        clock.now = QDateTime::fromMSecsSinceEpoch(wake->armed * 1000 + lateMs, Qt::UTC);
        Q_EMIT wake->woke();
    }
    QString armedFor() const
    {
        return QDateTime::fromSecsSinceEpoch(wake->armed, Qt::UTC).toString("HH:mm:ss");
    }

    QTemporaryDir dir;
    PtyPair display;
    FakeClock clock;
    FixedZones zones;
    FakeHealth health;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<Timekeeper> keeper;
    FakeWakeTimer *wake = nullptr;
    QStringList frames; // the GMT of each frame sent
};

} // namespace

class TestWake : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { setTz("UTC"); }

    // Which second the program sleeps to after its first tick (12:00:01; started at 12:00:00.3,
    // so the health of the clock is next looked at 12:01:00).
    void wakePlan_data()
    {
        QTest::addColumn<bool>("shown");
        QTest::addColumn<int>("syncInt"); // as the settings file holds it
        QTest::addColumn<QString>("port"); // "open", "lost" after the first tick, or "missing"
        QTest::addColumn<QString>("next");
        const auto row = [](const char *name, bool shown, int syncInt, const char *port,
                            const char *next) {
            QTest::newRow(name) << shown << syncInt << QString(port) << QString(next);
        };
        row("shown, 60 minutes: the next second", true, 3, "open", "12:00:02");
        row("shown, 1 minute", true, 0, "open", "12:00:02");
        row("hidden, 60 minutes: the health check, a minute on", false, 3, "open", "12:01:00");
        row("hidden, 1 minute: the frame, the check going along", false, 0, "open", "12:01:01");
        row("hidden, frames every second", false, -1, "open", "12:00:02");
        row("hidden, port lost: looked for every second", false, 3, "lost", "12:00:02");
        row("hidden, port missing at start: looked for every second", false, 3, "missing",
            "12:00:02");
    }
    void wakePlan()
    {
        QFETCH(bool, shown);
        QFETCH(int, syncInt);
        QFETCH(QString, port);
        Keeper k(syncInt, port != "missing");
        k.start(at("12:00:00", 300), shown);
        QCOMPARE(k.armedFor(), "12:00:01"); // the first tick: the next whole second
        k.wakeUp(0);
        QCOMPARE(k.frames, port == "missing" ? QStringList() : QStringList {"12:00:01"});
        if (port == "lost") {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("stopped working"));
            k.display.closeMaster();
            QTRY_VERIFY(k.keeper->display(1)->port().wasLost());
        }
        QTEST(k.armedFor(), "next");
    }

    // Hidden in the tray with a frame an hour: a wake-up a minute for the health check and the
    // frame at its second, nothing in between; the check due a second before the frame waits
    // for it.
    void hiddenHourSleeps()
    {
        Keeper k(3);
        k.start(at("12:00:00", 300), false);
        int wakeUps = 0;
        while (k.wake->armed <= secondOf("13:00:01")) {
            k.wakeUp(1);
            ++wakeUps;
        }
        QCOMPARE(k.frames, QStringList({"12:00:01", "13:00:01"}));
        QCOMPARE(wakeUps, 61); // 12:00:01, 12:01:00 ... 12:59:00 and 13:00:01
        QCOMPARE(k.health.reads, 1 + 60);
    }

    // A frame that fell due while the machine slept goes out at the wake-up, and the frames
    // after it keep their second of the minute, as they do after a late wake-up.
    void suspendAndLateWakeUps()
    {
        Keeper k(0);
        k.start(at("12:00:00", 300), false);
        k.wakeUp(); // 12:00:01
        k.wakeUp(); // 12:01:01
        QCOMPARE(k.armedFor(), "12:02:01");
        k.wakeUp(3200); // a busy machine: 3.2 s late
        QCOMPARE(k.armedFor(), "12:03:01");
        k.clock.now = at("14:17:42", 400); // suspended at 12:02:30, resumed now
        Q_EMIT k.wake->woke();
        QCOMPARE(k.armedFor(), "14:18:01");
        k.wakeUp();
        QCOMPARE(k.frames,
                 QStringList({"12:00:01", "12:01:01", "12:02:04", "14:17:42", "14:18:01"}));
    }

    // The clock set back an hour in mid-second: a tick at once shows the new time, the health
    // is looked at again, ticks are back on the second at the next boundary, and the frames keep
    // their second of the minute.
    void clockStep()
    {
        Keeper k(0);
        k.start(at("12:00:00", 300), true);
        for (int i = 0; i < 30; ++i)
            k.wakeUp(1);
        QCOMPARE(k.armedFor(), "12:00:31");
        const int reads = k.health.reads;
        QSignalSpy ticks(k.keeper.get(), &Timekeeper::ticked);
        k.clock.now = at("11:00:30", 600);
        Q_EMIT k.wake->clockStepped();
        QCOMPARE(ticks.size(), 1);
        QCOMPARE(ticks.at(0).at(0).value<TimeSnapshot>().gmt, at("11:00:30"));
        QCOMPARE(k.health.reads, reads + 1);
        QCOMPARE(k.armedFor(), "11:00:31");
        while (k.wake->armed <= secondOf("11:01:01"))
            k.wakeUp(1);
        QCOMPARE(k.frames, QStringList({"12:00:01", "11:01:01"}));
        // Set forward past a due frame: it goes out at once.
        k.keeper->setShown(false);
        k.clock.now = at("11:05:00", 200);
        Q_EMIT k.wake->clockStepped();
        QCOMPARE(k.frames.last(), "11:05:00");
        QCOMPARE(k.armedFor(), "11:05:01");
    }

    // "Sync Now" wakes a sleeping program for a frame at the next second, and the hour counts
    // afresh from there.
    void syncNowWhileAsleep()
    {
        Keeper k(3);
        k.start(at("12:00:00", 300), false);
        k.wakeUp();
        QCOMPARE(k.armedFor(), "12:01:00");
        k.clock.now = at("12:00:20", 500);
        k.keeper->syncNow();
        QCOMPARE(k.armedFor(), "12:00:21");
        k.wakeUp();
        QCOMPARE(k.frames, QStringList({"12:00:01", "12:00:21"}));
        QCOMPARE(k.keeper->display(1)->nextDue().value_or(-1), secondOf("13:00:21"));
    }

    void healthLine_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<qint64>("maxErrorUs");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("logLevel"); // QtMsgType of the log line
        const auto row = [](const char *name, ClockHealth::State state, qint64 maxError,
                            const char *line, QtMsgType level) {
            QTest::newRow(name) << int(state) << maxError << QString(line) << int(level);
        };
        row("synchronised, bound rounded up", ClockHealth::State::Synchronised, 1001,
            "System clock synchronised (±2 ms)", QtInfoMsg);
        row("synchronised closer than a millisecond", ClockHealth::State::Synchronised, 40,
            "System clock synchronised (±1 ms)", QtInfoMsg);
        row("not synchronised", ClockHealth::State::NotSynchronised, 16000000,
            "System clock not synchronised", QtWarningMsg);
        row("the kernel cannot be asked", ClockHealth::State::Unknown, -1,
            "System clock state unknown", QtInfoMsg);
    }
    void healthLine()
    {
        QFETCH(int, state);
        QFETCH(qint64, maxErrorUs);
        QFETCH(QString, line);
        QFETCH(int, logLevel);
        Keeper k(3);
        QSignalSpy changes(k.keeper.get(), &Timekeeper::clockHealthChanged);
        k.health.verdict = ClockHealth {ClockHealth::State(state), maxErrorUs, 5};
        QTest::ignoreMessage(QtMsgType(logLevel),
                             QRegularExpression("^" + QRegularExpression::escape(line)));
        k.start(at("12:00:00", 300), false);
        QCOMPARE(k.keeper->clockHealth().summary(), line);
        QCOMPARE(changes.size(), 1);
        // A minute on the bound has grown: the line follows, the log does not repeat itself.
        k.health.verdict.maxErrorUs += 10000;
        k.wakeUp(); // 12:00:01
        k.wakeUp(); // 12:01:00
        QCOMPARE(k.health.reads, 2);
        QCOMPARE(changes.size(), state == int(ClockHealth::State::Synchronised) ? 2 : 1);
        // Losing the synchronisation, or getting it back, is logged once.
        const bool wasSynced = state == int(ClockHealth::State::Synchronised);
        k.health.verdict.state =
                wasSynced ? ClockHealth::State::NotSynchronised : ClockHealth::State::Synchronised;
        QTest::ignoreMessage(wasSynced ? QtWarningMsg : QtInfoMsg,
                             QRegularExpression(wasSynced ? "^System clock not synchronised"
                                                          : "^System clock synchronised"));
        k.wakeUp(); // 12:02:00
        QCOMPARE(changes.size(), wasSynced ? 3 : 2);
        QCOMPARE(k.frames, QStringList {"12:00:01"}); // frames go out regardless
    }

    // The window shows the line, in a warning colour when nothing keeps the clock right, puts it
    // in the tray icon's tip, and tells the timekeeper when it is on screen.
    void windowLine()
    {
        QTemporaryDir dir;
        FakeClock clock(at("12:00:00", 300));
        FixedZones zones;
        NoBoxes boxes;
        FakeHealth health;
        MainWindow window({&clock, &zones, &boxes, dir.filePath("mrvl.ini"), false, [] {
                               return false;
                           }});
        Timekeeper &keeper = window.timekeeper();
        keeper.setClockHealthSource(&health);
        auto *label = window.findChild<QLabel *>("lblClockHealth");
        QVERIFY(label);
        QVERIFY(!keeper.isShown());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(keeper.isShown());
        const QColor plain = label->palette().color(QPalette::WindowText);
        keeper.checkClockHealth();
        QCOMPARE(label->text(), "System clock synchronised (±2 ms)");
        QCOMPARE(label->palette().color(QPalette::WindowText), plain);
        QVERIFY(label->isVisible());
        // Within the window, clear of its neighbours.
        const QRect box(label->mapTo(window.centralWidget(), QPoint()), label->size());
        QVERIFY(window.centralWidget()->rect().contains(box));
        QTRY_VERIFY(label->heightForWidth(label->width()) <= label->height());
        health.verdict.state = ClockHealth::State::NotSynchronised;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^System clock not synchronised"));
        keeper.checkClockHealth();
        QCOMPARE(label->text(), "System clock not synchronised");
        QVERIFY(label->palette().color(QPalette::WindowText) != plain);
        QVERIFY(label->toolTip().contains("timedatectl set-ntp true"));
        window.hide();
        QVERIFY(!keeper.isShown());
    }

    // The real timer: a whole second at least 200 ms ahead wakes it after that second began.
    void realTimerFiresAfterItsSecond()
    {
        const SystemClock clock;
        const std::unique_ptr<WakeTimer> timer = makeWakeTimer(clock);
        QSignalSpy woke(timer.get(), &WakeTimer::woke);
        QSignalSpy stepped(timer.get(), &WakeTimer::clockStepped);
        const auto realtimeMs = [] {
            timespec t {};
            ::clock_gettime(CLOCK_REALTIME, &t);
            return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
        };
        const qint64 second = (realtimeMs() + 200) / 1000 + 1;
        // 50 ms ahead of the second, as for a display's lead.
        timer->wakeAt(second, 50'000);
        QVERIFY(woke.wait(3000) || !stepped.isEmpty());
        if (!stepped.isEmpty())
            QSKIP("the system clock was set during the test");
        const qint64 late = realtimeMs() - (second * 1000 - 50);
        QVERIFY2(late >= 0 && late < 900, qPrintable(QString::number(late)));
        QCOMPARE(woke.size(), 1);
        // Armed again and cancelled: no wake-up.
        timer->wakeAt(second + 1, 0);
        timer->cancel();
        QVERIFY(!woke.wait(1500));
    }
};

QTEST_MAIN(TestWake)
#include "tst_wake.moc"
