// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Application.h"

#include "Desktop.h"
#include "MainWindow.h"
#include "SingleInstance.h"
#include "dialogs/MessageBox.h"
#include "platform/IniFile.h"
#include "app/Service.h"
#include "platform/SignalPipe.h"
#include "domain/Clock.h"
#include "domain/TimeZoneSource.h"

#include <QApplication>
#include <QCommandLineParser>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>

namespace mrv {

namespace {

bool hasDisplay()
{
    auto set = [](const char *name) {
        const char *value = std::getenv(name);
        return value && *value;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

// lupdate files the texts under this context, the one they are looked up in at run time.
struct Texts
{
    Q_DECLARE_TR_FUNCTIONS(mrv::Application)
};

void say(const QString &line)
{
    std::fprintf(stderr, "mirovalent: %s\n", qPrintable(line));
}

} // namespace

namespace {

// Help, version and a bad command line are answered without a display. Empty when the program
// is to run.
std::optional<int> answerCommandLine(const CommandLine &line)
{
    switch (line.action) {
    case CommandLine::Help:
        std::fputs(kUsage, stdout);
        return 0;
    case CommandLine::Version:
        std::printf("mirovalent %s\n", MIROVALENT_VERSION);
        return 0;
    case CommandLine::Fail:
        say(line.error);
        return 2;
    case CommandLine::Run:
        break;
    }
    return std::nullopt;
}

void describeApplication(QApplication &app)
{
    QApplication::setApplicationName(QStringLiteral("mirovalent"));
    QApplication::setApplicationVersion(QStringLiteral(MIROVALENT_VERSION));
    QApplication::setOrganizationName(QStringLiteral("mirovalent"));
    // The desktop file's name; on Wayland also the window's application id, by which the
    // compositor finds the window's icon and name.
    QApplication::setDesktopFileName(QLatin1String(kApplicationId));
    QApplication::setWindowIcon(programIcon());
    installTranslations(app, QLocale::system());
    // Hidden in the tray is not the end: the program ends on Exit, on closing the shown
    // window, and at session end.
    QApplication::setQuitOnLastWindowClosed(false);
}

// SIGTERM, SIGINT and SIGHUP end the program the same way as "Exit": settings saved, port
// closed. A modal box (the start-up port error) runs its own event loop before the main one
// starts, and quit() only ends the main one: close the boxes too. `signalled` tells whether one
// came.
void endOnSignals(SignalPipe &signalPipe, QApplication &app, bool &signalled)
{
    if (!signalPipe.watchEndSignals())
        say(Texts::tr("cannot catch signals (%1); SIGTERM will not save the settings.")
                    .arg(QString::fromLocal8Bit(std::strerror(errno))));
    QObject::connect(&signalPipe, &SignalPipe::caught, &app, [&signalled, &app] {
        signalled = true;
        while (QWidget *modal = QApplication::activeModalWidget()) {
            if (!modal->close())
                break;
        }
        app.quit();
    });
}

// The window's part of a run: made, started, and shut down however the run ends.
int runWindow(QApplication &app, SingleInstance &instance, const QString &iniPath,
              const bool &signalled)
{
    SystemClock clock;
    SystemTimeZoneSource zones;
    QtMessageBoxes boxes;
    MainWindow::Dependencies deps;
    deps.clock = &clock;
    deps.zones = &zones;
    deps.boxes = &boxes;
    deps.iniPath = iniPath;

    MainWindow window(deps);
    QObject::connect(&instance, &SingleInstance::activationRequested, &window,
                     &MainWindow::restoreFromTray);
    QObject::connect(&window, &MainWindow::quitRequested, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, &MainWindow::shutDown);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, [&window, &app] {
        window.shutDown();
        app.quit();
    });
    const bool inTray = window.start();
    int status = 0;
    if (!signalled) {
        if (!inTray)
            window.show();
        status = app.exec();
    }
    // A save that failed is an error of the whole run, whichever way it ended.
    return window.shutDown() ? status : 1;
}

} // namespace

int runApplication(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // Everything the command line can say is said before a display is needed.
    const CommandLine line = parseCommandLine(arguments);
    if (const std::optional<int> status = answerCommandLine(line))
        return *status;
    if (line.headless)
        return runService(argc, argv, line.configPath);
    if (!hasDisplay()) {
        say(QStringLiteral("no display (neither DISPLAY nor WAYLAND_DISPLAY is set); start it "
                           "from a desktop session."));
        return 1;
    }

    // Under X11, Qt paints through shared memory and then waits for the server's word that the
    // segment is free again: a second wake-up for every repaint of the ticking clocks. The window
    // is small, so plain image uploads cost nothing and the program wakes once a second.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    QApplication app(argc, argv);
    describeApplication(app);

    const QString iniPath = line.configPath.isEmpty() ? defaultIniFilePath() : line.configPath;
    SingleInstance instance(iniPath);
    if (!instance.claim()) {
        if (instance.activateRunning()) {
            say(Texts::tr("already running for %1; its window is shown.").arg(iniPath));
            return 0;
        }
        say(Texts::tr("another copy holds %1 and does not answer.").arg(iniPath));
        return 1;
    }

    bool signalled = false;
    SignalPipe signalPipe;
    endOnSignals(signalPipe, app, signalled);
    return runWindow(app, instance, iniPath, signalled);
}

} // namespace mrv
