// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/Service.h"

#include "app/SettingsStore.h"
#include "app/Timekeeper.h"
#include "domain/Clock.h"
#include "domain/Logging.h"
#include "domain/TimeZoneSource.h"
#include "platform/IniFile.h"
#include "platform/SignalPipe.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <csignal>
#include <cstdio>

namespace mrv {

namespace {

// Reloads asked for in a burst (a flood of SIGHUPs, an editor saving in steps) are taken as
// one, at most once a second, so that the strings keep their seconds.
constexpr int kReloadEveryMs = 1000;

void sayWhatToSet(const QString &path)
{
    qCWarning(lcService).noquote()
            << "the settings of" << path
            << "name no port: set CommPort in [Settings] (or Port in [Display2] .. [Display8]), "
               "then reload (systemctl reload mirovalent-sync)";
}

} // namespace

int runService(int argc, char **argv, const QString &iniPath)
{
    // One line per event, category first: what a journal shows well.
    qSetMessagePattern(QStringLiteral("%{category}: %{message}"));
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mirovalent"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MIROVALENT_VERSION));

    const QString path = iniPath.isEmpty() ? defaultIniFilePath() : iniPath;
    SystemClock clock;
    SystemTimeZoneSource zones;
    SettingsStore store(path, SettingsStore::Defaults::Service);
    store.load(QLocale());
    Timekeeper keeper(clock, zones, store);

    SignalPipe signalPipe;
    if (!signalPipe.watchEndSignals()) {
        std::fprintf(stderr, "mirovalent.service: cannot catch signals; not starting\n");
        return 1;
    }
    QTimer reloadTimer;
    reloadTimer.setSingleShot(true);
    QElapsedTimer sinceReload;
    QObject::connect(&reloadTimer, &QTimer::timeout, &app, [&] {
        sinceReload.start();
        const QList<DisplaySettings> before = store.displays();
        const Settings settingsBefore = store.settings();
        QString reason;
        if (!keeper.reload(QLocale(), &reason)) {
            qCWarning(lcService).noquote()
                    << "cannot read" << path << "(" + reason + "); the settings stay as they were";
            return;
        }
        if (before != store.displays() || !(settingsBefore == store.settings()))
            qCInfo(lcService).noquote() << "settings read again from" << path;
        if (!store.namesAnyPort())
            sayWhatToSet(path);
        keeper.syncNow();
    });
    QObject::connect(&signalPipe, &SignalPipe::caught, &app, [&](int signal) {
        if (signal != SIGHUP) {
            app.quit();
            return;
        }
        if (reloadTimer.isActive())
            return;
        const qint64 wait = sinceReload.isValid() ? kReloadEveryMs - sinceReload.elapsed() : 0;
        reloadTimer.start(int(qMax<qint64>(wait, 0)));
    });

    qCInfo(lcService).noquote() << "keeping the displays in step with the settings of" << path;
    if (!store.namesAnyPort())
        sayWhatToSet(path);
    QStringList reasons;
    // Nobody to show a box to: say it once per display, then keep looking for its port.
    if (!keeper.openDisplays(&reasons))
        for (const QString &reason : std::as_const(reasons))
            qCWarning(lcService).noquote() << reason;
    keeper.syncNow();
    keeper.startTicking();
    const int status = app.exec();
    keeper.stopTicking();
    keeper.closeDisplays();
    return status;
}

} // namespace mrv
