// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The program as it was driven before the second-aligned tick: the same window and timekeeper,
// ticked by a free-running 1000 ms timer that keeps whatever phase it started with. Only the
// benchmarks run it, as a baseline to measure the aligned tick against; it takes --config FILE
// and nothing else of the program's command line.

#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/Timekeeper.h"
#include "dialogs/MessageBox.h"
#include "domain/Clock.h"
#include "domain/TimeZoneSource.h"
#include "platform/IniFile.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const mrv::CommandLine line = mrv::parseCommandLine(QCoreApplication::arguments());
    mrv::SystemClock clock;
    mrv::SystemTimeZoneSource zones;
    mrv::QtMessageBoxes boxes;
    mrv::MainWindow::Dependencies deps;
    deps.clock = &clock;
    deps.zones = &zones;
    deps.boxes = &boxes;
    deps.iniPath = line.configPath.isEmpty() ? mrv::defaultIniFilePath() : line.configPath;
    deps.tick = false;
    mrv::MainWindow window(deps);
    QObject::connect(&window, &mrv::MainWindow::quitRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &window.timekeeper(), &mrv::Timekeeper::tick);
    timer.start(1000);
    if (!window.start())
        window.show();
    const int status = app.exec();
    return window.shutDown() ? status : 1;
}
