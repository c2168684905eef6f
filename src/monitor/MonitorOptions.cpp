// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "MonitorOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cmath>

namespace mrv {

namespace {

ParsedOptions failure(const QString &reason)
{
    ParsedOptions parsed;
    parsed.action = ParsedOptions::Action::Error;
    parsed.text = reason;
    return parsed;
}

} // namespace

ParsedOptions parseMonitorOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
            "monitor",
            "Shows the sync frames that Mirovalent sends to a wall-clock display, as that "
            "display would read them."));
    const QCommandLineOption helpOption(
            {QStringLiteral("h"), QStringLiteral("help")},
            QCoreApplication::translate("monitor", "Show this help and exit."));
    const QCommandLineOption versionOption(
            QStringLiteral("version"),
            QCoreApplication::translate("monitor", "Show the version and exit."));
    const QCommandLineOption settingsOption(
            QStringLiteral("settings"),
            QCoreApplication::translate("monitor", "Line settings of the device (default %1).")
                    .arg(MonitorOptions().settingsText),
            QStringLiteral("baud,parity,data,stop"));
    const QCommandLineOption ptyOption(
            QStringLiteral("pty"),
            QCoreApplication::translate("monitor",
                                        "Create a pseudo-terminal, print its path and listen on "
                                        "it instead of a device."));
    const QCommandLineOption linkOption(
            QStringLiteral("link"),
            QCoreApplication::translate("monitor",
                                        "With --pty: make PATH a symlink to the pseudo-terminal."),
            QStringLiteral("PATH"));
    const QCommandLineOption jsonOption(
            QStringLiteral("json"),
            QCoreApplication::translate("monitor", "Print one JSON object per frame and line."));
    const QCommandLineOption countOption(
            QStringLiteral("count"),
            QCoreApplication::translate("monitor", "Exit (status 0) after N frames."),
            QStringLiteral("N"));
    const QCommandLineOption timeoutOption(
            QStringLiteral("timeout"),
            QCoreApplication::translate("monitor",
                                        "Exit (status 1) when no frame came for S seconds."),
            QStringLiteral("S"));
    parser.addOptions({helpOption, versionOption, settingsOption, ptyOption, linkOption, jsonOption,
                       countOption, timeoutOption});
    parser.addPositionalArgument(
            QStringLiteral("device"),
            QCoreApplication::translate("monitor", "Serial device to read, e.g. /dev/ttyUSB1."),
            QStringLiteral("[device]"));

    if (!parser.parse(arguments))
        return failure(parser.errorText());

    ParsedOptions parsed;
    if (parser.isSet(helpOption)) {
        parsed.action = ParsedOptions::Action::Help;
        parsed.text = parser.helpText();
        return parsed;
    }
    if (parser.isSet(versionOption)) {
        parsed.action = ParsedOptions::Action::Version;
        parsed.text = QStringLiteral("%1 %2").arg(QCoreApplication::applicationName(),
                                                  QCoreApplication::applicationVersion());
        return parsed;
    }

    MonitorOptions &options = parsed.options;
    options.pty = parser.isSet(ptyOption);
    options.json = parser.isSet(jsonOption);
    options.link = parser.value(linkOption);
    const QStringList positional = parser.positionalArguments();
    if (options.pty && !positional.isEmpty())
        return failure(QCoreApplication::translate("monitor", "give either a device or --pty"));
    if (!options.pty && positional.size() != 1)
        return failure(
                positional.isEmpty()
                        ? QCoreApplication::translate("monitor", "no device given (or use --pty)")
                        : QCoreApplication::translate("monitor", "more than one device"));
    if (!options.pty)
        options.device = positional.first();
    if (parser.isSet(linkOption) && (!options.pty || options.link.isEmpty()))
        return failure(QCoreApplication::translate("monitor", "--link needs --pty and a path"));

    if (parser.isSet(settingsOption))
        options.settingsText = parser.value(settingsOption);
    const LineSettingsResult line = parseLineSettings(options.settingsText);
    if (!line.settings)
        return failure(QCoreApplication::translate("monitor", "bad line settings \"%1\": %2")
                               .arg(options.settingsText, line.error));
    options.line = *line.settings;

    if (parser.isSet(countOption)) {
        bool ok = false;
        options.count = parser.value(countOption).toLongLong(&ok);
        if (!ok || options.count <= 0)
            return failure(
                    QCoreApplication::translate("monitor", "--count needs a whole number above 0"));
    }
    if (parser.isSet(timeoutOption)) {
        bool ok = false;
        const double seconds = parser.value(timeoutOption).toDouble(&ok);
        // A day is far beyond any sync interval; the cap keeps the timer's int in range.
        if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > 86400)
            return failure(QCoreApplication::translate(
                    "monitor", "--timeout needs a number of seconds above 0, at most 86400"));
        options.timeoutMs = qMax<qint64>(1, std::llround(seconds * 1000));
    }

    parsed.action = ParsedOptions::Action::Run;
    return parsed;
}

} // namespace mrv
