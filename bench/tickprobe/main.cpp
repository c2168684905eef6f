// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The program exactly as shipped (same start-up, same tick, same window), plus a passive
// observer that logs when each second reached the window. Only the benchmarks run it; the log
// goes to the file named by MIROVALENT_TICK_LOG, one line per event:
//
//   tick  SECOND  US   the window's clocks were set for GMT second SECOND (seconds since the
//                      epoch), US microseconds after that second began
//   paint SECOND  US   the GMT clock began painting that second
//
// The observer runs after the window's own handler of the same tick and after the frame went
// out, so it delays neither. A hidden window paints nothing and logs only ticks.

#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/Timekeeper.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

qint64 realtimeMicros()
{
    timespec t {};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return qint64(t.tv_sec) * 1'000'000 + t.tv_nsec / 1000;
}

class TickProbe final : public QObject
{
public:
    TickProbe(std::FILE *log, mrv::MainWindow &window)
        : QObject(&window)
        , m_log(log)
    {
        connect(&window.timekeeper(), &mrv::Timekeeper::ticked, this,
                [this](const mrv::TimeSnapshot &snapshot) {
                    const qint64 now = realtimeMicros();
                    m_second = snapshot.gmt.toSecsSinceEpoch();
                    write("tick", now);
                });
        if (auto *gmt = window.findChild<QLabel *>(QStringLiteral("lblGMT")))
            gmt->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_second >= 0 && m_second != m_painted) {
            write("paint", realtimeMicros());
            m_painted = m_second;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void write(const char *what, qint64 nowUs)
    {
        std::fprintf(m_log, "%s %lld %lld\n", what, static_cast<long long>(m_second),
                     static_cast<long long>(nowUs - m_second * 1'000'000));
        std::fflush(m_log);
    }

    std::FILE *m_log;
    qint64 m_second = -1;
    qint64 m_painted = -1;
};

// Runs once the event loop has started, by which time the window exists.
void attachProbe()
{
    const QByteArray path = qgetenv("MIROVALENT_TICK_LOG");
    if (path.isEmpty())
        return;
    QTimer::singleShot(0, qApp, [path] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (auto *window = qobject_cast<mrv::MainWindow *>(widget)) {
                if (std::FILE *log = std::fopen(path.constData(), "a"))
                    new TickProbe(log, *window);
                return;
            }
        }
    });
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(attachProbe)

int main(int argc, char **argv)
{
    return mrv::runApplication(argc, argv);
}
