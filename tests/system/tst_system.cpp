// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/SignalPipe.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <unistd.h>

using namespace mrv;

class TestSystem : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A storm of signals must neither block the process in the handler nor flood the event loop:
    // every watcher hears each of its signals once, and errno survives the handler. SignalPipes
    // made one after another, or side by side, each hear their own.
    void signalStorm()
    {
        {
            SignalPipe earlier;
            QVERIFY(earlier.watch({SIGTERM}));
        }
        SignalPipe pipe, other;
        QVERIFY(pipe.watch({SIGTERM, SIGUSR1}) && other.watch({SIGUSR1}));
        QSignalSpy caught(&pipe, &SignalPipe::caught), otherCaught(&other, &SignalPipe::caught);
        for (int i = 0; i < 100000; ++i) { // far more than a pipe holds
            errno = ERANGE;
            QVERIFY(::raise(SIGTERM) == 0 && errno == ERANGE);
        }
        QVERIFY(::kill(::getpid(), SIGUSR1) == 0);
        QTRY_COMPARE(caught.size(), 2);
        QTest::qWait(50); // and nothing more
        QCOMPARE((QList {caught[0][0], caught[1][0]}), (QList<QVariant> {SIGUSR1, SIGTERM}));
        QCOMPARE(otherCaught.size(), 1);
        QCOMPARE(otherCaught[0][0], QVariant(SIGUSR1));
    }

    // The last SignalPipe may go from its own slot; the signal then gets its old handling back.
    void lastWatcherLeaves()
    {
        QPointer pipe = new SignalPipe;
        QVERIFY(pipe->watch({SIGUSR2}));
        connect(pipe, &SignalPipe::caught, pipe, [&pipe] { delete pipe; });
        QVERIFY(::raise(SIGUSR2) == 0);
        QTRY_VERIFY(!pipe);
        struct sigaction now
        {
        };
        QVERIFY(::sigaction(SIGUSR2, nullptr, &now) == 0 && now.sa_handler == SIG_DFL);
    }
};

QTEST_GUILESS_MAIN(TestSystem)
#include "tst_system.moc"
