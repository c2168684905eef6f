#include "Application.h"

#include "dialogs/MessageBox.h"
#include "frmMain.h"
#include "settings/IniFile.h"
#include "zones/Clock.h"
#include "zones/TimeZoneSource.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace mrv {

namespace {

int g_signalFd = -1;

void onSignal(int)
{
    // Only async-signal-safe work here: tell the event loop, which does the rest.
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalFd, &byte, 1);
}

// Turns SIGTERM, SIGINT and SIGHUP into an orderly quit through a self-pipe, so the settings
// are saved and the port closed the same way as on "Exit".
class SignalWatcher
{
public:
    explicit SignalWatcher(QApplication &app)
    {
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
            return;
        g_signalFd = fds[0];
        m_readFd = fds[1];
        m_notifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, &app);
        QObject::connect(m_notifier, &QSocketNotifier::activated, &app, [this, &app] {
            char buf[16];
            [[maybe_unused]] const ssize_t n = ::read(m_readFd, buf, sizeof buf);
            m_received = true;
            // A modal box (the start-up port error) runs its own event loop before the main one
            // starts, and quit() only ends the main one: close the boxes too.
            while (QWidget *modal = QApplication::activeModalWidget()) {
                if (!modal->close())
                    break;
            }
            app.quit();
        });
        struct sigaction action
        {
        };
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int sig : {SIGTERM, SIGINT, SIGHUP})
            ::sigaction(sig, &action, nullptr);
    }

    // Whether a signal came, perhaps before the main event loop ran.
    bool received() const { return m_received; }

private:
    bool m_received = false;
    int m_readFd = -1;
    QSocketNotifier *m_notifier = nullptr;
};

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

int runApplication(int argc, char **argv)
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

    SignalWatcher signalWatcher(app);
    SystemClock clock;
    SystemTimeZoneSource zones;
    QtMessageBoxes boxes;
    frmMain::Dependencies deps;
    deps.clock = &clock;
    deps.zones = &zones;
    deps.boxes = &boxes;
    deps.iniPath = parser.isSet(config) ? parser.value(config) : defaultIniFilePath();
    // Benchmarks compare against the old free-running timers with this switch.
    deps.freeRunningTimers = qEnvironmentVariableIntValue("MIROVALENT_BASELINE_TIMERS") == 1;

    frmMain window(deps);
    QObject::connect(&window, &frmMain::quitRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, &frmMain::Form_Unload);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&window, &app] {
        window.Form_Unload();
        app.quit();
    });

    const bool inTray = window.Form_Load();
    if (signalWatcher.received()) {
        window.Form_Unload();
        return 0;
    }
    if (!inTray)
        window.show();
    return app.exec();
}

} // namespace mrv
