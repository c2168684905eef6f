// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/Service.h"

#include "domain/Logging.h"

#include "platform/IniFile.h"
#include "platform/SerialPort.h"
#include "app/Timekeeper.h"
#include "platform/SignalPipe.h"
#include "domain/Clock.h"
#include "domain/TimeZoneSource.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <csignal>
#include <cstdio>

namespace mrv {

namespace { } // namespace

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
    Timekeeper keeper(clock, zones, path);

    SignalPipe signalPipe;
    if (!signalPipe.watchEndSignals()) {
        std::fprintf(stderr, "mirovalent.service: cannot catch signals; not starting\n");
        return 1;
    }
    QObject::connect(&signalPipe, &SignalPipe::caught, &app, [&](int signal) {
        if (signal != SIGHUP) {
            app.quit();
            return;
        }
        QString reason;
        if (keeper.reload(QLocale(), &reason))
            qCInfo(lcService).noquote() << "settings read again from" << path;
        else
            qCWarning(lcService).noquote()
                    << "cannot read" << path << "(" + reason + "); the settings stay as they were";
    });

    keeper.load(QLocale());
    qCInfo(lcService).noquote() << "keeping the display in step with the settings of" << path;
    QString reason;
    if (keeper.openPort(&reason)) {
        keeper.syncNow();
    } else {
        // Nobody to show a box to: say it once, then keep looking for the port.
        qCWarning(lcService).noquote() << reason;
        keeper.keepTryingPort();
    }
    keeper.startTicking();
    const int status = app.exec();
    keeper.stopTicking();
    keeper.port().close();
    return status;
}

} // namespace mrv
