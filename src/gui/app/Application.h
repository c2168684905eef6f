#pragma once

#include <QStringList>

#include <functional>

namespace mrv {

// What the command line asks for. Checked before anything needs a display.
struct CommandLine
{
    enum Action { Run, Help, Version, Fail };
    Action action = Run;
    QString configPath; // empty for the usual place
    QString error; // one line, for Fail
};
CommandLine parseCommandLine(const QStringList &arguments);

class MainWindow;

// The whole program: command line, display check, main window, signals, event loop. Given
// `driveTicks`, the window does not tick by itself: the caller drives it (benchmarks compare
// other timers this way).
int runApplication(int argc, char **argv, const std::function<void(MainWindow &)> &driveTicks = {});

} // namespace mrv
