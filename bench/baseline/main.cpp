// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// The program as it was driven before the second-aligned tick: the same window and timekeeper,
// ticked by a free-running 1000 ms timer that keeps whatever phase it started with. Only the
// benchmarks run it, as a baseline to measure the aligned tick against.

#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/Timekeeper.h"

#include <QTimer>

int main(int argc, char **argv)
{
    return mrv::runApplication(argc, argv, [](mrv::MainWindow &window) {
        auto *timer = new QTimer(&window);
        QObject::connect(timer, &QTimer::timeout, &window.timekeeper(), &mrv::Timekeeper::tick);
        timer->start(1000);
    });
}
