#pragma once

namespace mrv {

// The whole program: command line, display check, main window, signals, event loop.
int runApplication(int argc, char **argv);

} // namespace mrv
