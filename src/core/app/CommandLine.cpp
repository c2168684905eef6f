// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/CommandLine.h"

#include <QCommandLineParser>

namespace mrv {

const char *const kUsage =
        "Usage: mirovalent [--config FILE]\n"
        "       mirovalent --headless [--config FILE]\n"
        "\n"
        "Shows GMT and four time zones, lives in the system tray, and keeps a serial\n"
        "multi-zone wall-clock display in step.\n"
        "\n"
        "Options:\n"
        "  --config FILE  use this settings file instead of mrvl.ini in the usual place\n"
        "  --headless     no window: only keep the display in step, as a service; the\n"
        "                 settings file is read (again on SIGHUP) and never written\n"
        "  -h, --help     show this help and exit\n"
        "  --version      show the version and exit\n"
        "\n"
        "Settings: $XDG_CONFIG_HOME/mirovalent/mrvl.ini (~/.config/mirovalent/mrvl.ini), or\n"
        "mrvl.ini beside a portable copy of the program.\n";

CommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption config(QStringLiteral("config"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption help(QStringList {QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption headless(QStringLiteral("headless"));
    parser.addOptions({config, help, version, headless});
    CommandLine line;
    if (!parser.parse(arguments)) {
        QString text = parser.errorText();
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
        if (!text.isEmpty())
            text[0] = text[0].toLower();
        line.error = text + QStringLiteral(" (see --help)");
    } else if (parser.isSet(help)) {
        line.action = CommandLine::Help;
    } else if (parser.isSet(version)) {
        line.action = CommandLine::Version;
    } else if (!parser.positionalArguments().isEmpty()) {
        line.error = QStringLiteral("unexpected argument '%1' (see --help)")
                             .arg(parser.positionalArguments().constFirst());
    } else if (parser.isSet(config) && parser.value(config).trimmed().isEmpty()) {
        line.error = QStringLiteral("--config needs the path of a settings file");
    } else {
        line.configPath = parser.value(config);
        line.headless = parser.isSet(headless);
    }
    if (!line.error.isEmpty())
        line.action = CommandLine::Fail;
    return line;
}

} // namespace mrv
