// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "MonitorOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace mrv {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("monitor", text);
}

ParsedOptions failure(const QString &reason)
{
    ParsedOptions parsed;
    parsed.action = ParsedOptions::Action::Error;
    parsed.text = reason;
    return parsed;
}

constexpr std::array<std::pair<const char *, InputFormat>, 5> kFormatNames {{
        {"auto", InputFormat::Auto},
        {"frame", InputFormat::Frame},
        {"nmea", InputFormat::Nmea},
        {"standard", InputFormat::Standard},
        {"nena", InputFormat::Nena},
}};

// The command line's options, declared once for the parser and for reading their values.
struct OptionSet
{
    QCommandLineOption help {{QStringLiteral("h"), QStringLiteral("help")},
                             tr("Show this help and exit.")};
    QCommandLineOption version {QStringLiteral("version"), tr("Show the version and exit.")};
    QCommandLineOption settings {QStringLiteral("settings"),
                                 tr("Line settings of the device (default %1); with 7 data bits "
                                    "the high bit of each byte is dropped.")
                                         .arg(MonitorOptions().settingsText),
                                 QStringLiteral("baud,parity,data,stop")};
    QCommandLineOption pty {QStringLiteral("pty"),
                            tr("Create a pseudo-terminal, print its path and listen on it "
                               "instead of a device.")};
    QCommandLineOption link {QStringLiteral("link"),
                             tr("With --pty: make PATH a symlink to the pseudo-terminal."),
                             QStringLiteral("PATH")};
    QCommandLineOption format {QStringLiteral("format"),
                               tr("What the display is sent: frame, nmea, standard, nena, or "
                                  "auto (default) for any of them, told apart string by string."),
                               QStringLiteral("auto|frame|nmea|standard|nena")};
    QCommandLineOption json {QStringLiteral("json"),
                             tr("Print one JSON object per frame or string and line.")};
    QCommandLineOption count {QStringLiteral("count"),
                              tr("Exit (status 0) after N frames or strings."),
                              QStringLiteral("N")};
    QCommandLineOption timeout {QStringLiteral("timeout"),
                                tr("Exit (status 1) when nothing decoded for S seconds."),
                                QStringLiteral("S")};
};

// Where to listen: a device, or a pseudo-terminal and its link. An error text, or nothing.
QString readSource(const QCommandLineParser &parser, const OptionSet &o, MonitorOptions &options)
{
    options.pty = parser.isSet(o.pty);
    options.link = parser.value(o.link);
    const QStringList positional = parser.positionalArguments();
    if (options.pty && !positional.isEmpty())
        return tr("give either a device or --pty");
    if (!options.pty && positional.size() != 1)
        return positional.isEmpty() ? tr("no device given (or use --pty)")
                                    : tr("more than one device");
    if (!options.pty)
        options.device = positional.first();
    if (parser.isSet(o.link) && (!options.pty || options.link.isEmpty()))
        return tr("--link needs --pty and a path");
    return {};
}

// How to read and when to stop. An error text, or nothing.
QString readSettings(const QCommandLineParser &parser, const OptionSet &o, MonitorOptions &options)
{
    if (parser.isSet(o.settings))
        options.settingsText = parser.value(o.settings);
    const LineSettingsResult line = parseLineSettings(options.settingsText);
    if (!line.settings)
        return tr("bad line settings \"%1\": %2").arg(options.settingsText, line.error);
    options.line = *line.settings;

    if (parser.isSet(o.format)) {
        const QString name = parser.value(o.format);
        const auto *known = std::find_if(kFormatNames.begin(), kFormatNames.end(),
                                         [&](const auto &row) { return name == row.first; });
        if (known == kFormatNames.end())
            return tr("--format needs one of auto, frame, nmea, standard, nena");
        options.format = known->second;
    }
    if (parser.isSet(o.count)) {
        bool ok = false;
        options.count = parser.value(o.count).toLongLong(&ok);
        if (!ok || options.count <= 0)
            return tr("--count needs a whole number above 0");
    }
    if (parser.isSet(o.timeout)) {
        bool ok = false;
        const double seconds = parser.value(o.timeout).toDouble(&ok);
        // A day is far beyond any sync interval; the cap keeps the timer's int in range.
        if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > 86400)
            return tr("--timeout needs a number of seconds above 0, at most 86400");
        options.timeoutMs = qMax<qint64>(1, std::llround(seconds * 1000));
    }
    return {};
}

} // namespace

ParsedOptions parseMonitorOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
            tr("Shows the sync frames and time strings that Mirovalent sends to a wall-clock "
               "display, as that display would read them."));
    const OptionSet o;
    parser.addOptions(
            {o.help, o.version, o.settings, o.pty, o.link, o.format, o.json, o.count, o.timeout});
    parser.addPositionalArgument(QStringLiteral("device"),
                                 tr("Serial device to read, e.g. /dev/ttyUSB1."),
                                 QStringLiteral("[device]"));
    if (!parser.parse(arguments))
        return failure(parser.errorText());

    ParsedOptions parsed;
    if (parser.isSet(o.help)) {
        parsed.action = ParsedOptions::Action::Help;
        parsed.text = parser.helpText();
        return parsed;
    }
    if (parser.isSet(o.version)) {
        parsed.action = ParsedOptions::Action::Version;
        parsed.text = QStringLiteral("%1 %2").arg(QCoreApplication::applicationName(),
                                                  QCoreApplication::applicationVersion());
        return parsed;
    }
    parsed.options.json = parser.isSet(o.json);
    if (const QString error = readSource(parser, o, parsed.options); !error.isEmpty())
        return failure(error);
    if (const QString error = readSettings(parser, o, parsed.options); !error.isEmpty())
        return failure(error);
    parsed.action = ParsedOptions::Action::Run;
    return parsed;
}

} // namespace mrv
