#include "Application.h"

#include "MainWindow.h"
#include "dialogs/MessageBox.h"
#include "settings/IniFile.h"
#include "system/SignalPipe.h"
#include "zones/Clock.h"
#include "zones/TimeZoneSource.h"

#include <QApplication>
#include <QCommandLineParser>

#include <csignal>
#include <cstdio>
#include <cstring>

namespace mrv {

namespace {

const char *const kUsage =
        "Usage: mirovalent [--config FILE]\n"
        "\n"
        "Shows GMT and four time zones, lives in the system tray, and keeps a serial\n"
        "multi-zone wall-clock display in step.\n"
        "\n"
        "Options:\n"
        "  --config FILE  use this settings file instead of mrvl.ini in the usual place\n"
        "  -h, --help     show this help and exit\n"
        "  --version      show the version and exit\n"
        "\n"
        "Settings: $XDG_CONFIG_HOME/mirovalent/mrvl.ini (~/.config/mirovalent/mrvl.ini), or\n"
        "mrvl.ini beside a portable copy of the program.\n";

bool hasDisplay()
{
    auto set = [](const char *name) {
        const char *value = std::getenv(name);
        return value && *value;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

} // namespace

int runApplication(int argc, char **argv, const std::function<void(MainWindow &)> &driveTicks)
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::printf("mirovalent %s\n", MIROVALENT_VERSION);
            return 0;
        }
    }
    if (!hasDisplay()) {
        std::fputs("mirovalent: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); start "
                   "it from a desktop session.\n",
                   stderr);
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("mirovalent"));
    QApplication::setApplicationVersion(QStringLiteral(MIROVALENT_VERSION));
    QApplication::setOrganizationName(QStringLiteral("mirovalent"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/mirovalent-32.png")));
    // Hidden in the tray is not the end: the program ends on Exit, on closing the shown
    // window, and at session end.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    QCommandLineOption config(QStringLiteral("config"), QStringLiteral("Use this settings file."),
                              QStringLiteral("FILE"));
    parser.addOption(config);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "mirovalent: unexpected argument '%s' (see --help)\n",
                     qPrintable(parser.positionalArguments().first()));
        return 2;
    }

    // SIGTERM, SIGINT and SIGHUP end the program the same way as "Exit": settings saved, port
    // closed. A modal box (the start-up port error) runs its own event loop before the main
    // one starts, and quit() only ends the main one: close the boxes too.
    bool signalled = false;
    SignalPipe signalPipe;
    signalPipe.watch({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&signalPipe, &SignalPipe::caught, &app, [&signalled, &app] {
        signalled = true;
        while (QWidget *modal = QApplication::activeModalWidget()) {
            if (!modal->close())
                break;
        }
        app.quit();
    });

    SystemClock clock;
    SystemTimeZoneSource zones;
    QtMessageBoxes boxes;
    MainWindow::Dependencies deps;
    deps.clock = &clock;
    deps.zones = &zones;
    deps.boxes = &boxes;
    deps.iniPath = parser.isSet(config) ? parser.value(config) : defaultIniFilePath();
    deps.tick = !driveTicks;

    MainWindow window(deps);
    QObject::connect(&window, &MainWindow::quitRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, &MainWindow::shutDown);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&window, &app] {
        window.shutDown();
        app.quit();
    });
    if (driveTicks)
        driveTicks(window);

    const bool inTray = window.start();
    if (signalled) {
        window.shutDown();
        return 0;
    }
    if (!inTray)
        window.show();
    return app.exec();
}

} // namespace mrv
