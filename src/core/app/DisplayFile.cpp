// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/DisplayFile.h"

#include "app/SettingsTable.h"
#include "domain/DisplayFormat.h"
#include "domain/LineSettings.h"
#include "domain/Logging.h"
#include "platform/PortMap.h"

#include <QCoreApplication>

namespace mrv {

namespace {

namespace key = settings::display;

// One display's keys as a section holds them, and where to say that one is unusable.
class SectionReader
{
public:
    SectionReader(const IniFile &file, QString section)
        : m_file(file)
        , m_section(std::move(section))
    { }

    QString text(const char *name) const
    {
        return m_file.read(m_section, QLatin1String(name)).trimmed();
    }

    void warn(const char *name, const QString &value, const QString &why,
              const QString &fallback) const
    {
        qCWarning(lcSettings).noquote() << QStringLiteral("[%1] %2 in %3 is \"%4\": %5; %6")
                                                   .arg(m_section, QLatin1String(name),
                                                        m_file.path(), value, why, fallback);
    }

    // A value the parser takes, or the default with one warning.
    template<typename T, typename Parse>
    T value(const char *name, T fallback, const QString &fallbackText, Parse parse) const
    {
        const QString stored = text(name);
        if (stored.isEmpty())
            return fallback;
        QString why;
        if (const std::optional<T> parsed = parse(stored, &why))
            return *parsed;
        warn(name, stored, why,
             QCoreApplication::translate("mrv::DisplayFile", "using %1").arg(fallbackText));
        return fallback;
    }

    int number(const char *name, int fallback, int minimum, int maximum) const
    {
        return value<int>(name, fallback, QString::number(fallback),
                          [minimum, maximum](const QString &stored, QString *why) {
                              const std::optional<qint64> n = parseWholeNumber(stored);
                              if (n && *n >= minimum && *n <= maximum)
                                  return std::optional<int>(int(*n));
                              *why = QCoreApplication::translate("mrv::DisplayFile",
                                                                 "not a whole number from %1 to %2")
                                             .arg(minimum)
                                             .arg(maximum);
                              return std::optional<int>();
                          });
    }

private:
    const IniFile &m_file;
    QString m_section;
};

// The keys every display may carry besides its port, line settings and interval.
void readCommonKeys(const SectionReader &in, DisplaySettings &display)
{
    display.zone = in.value<DisplayZone>(
            key::Zone, display.zone, QStringLiteral("Local"),
            [](const QString &text, QString *why) { return parseDisplayZone(text, why); });
    display.leadMs = in.number(key::LeadMs, 0, -kMaxLeadMs, kMaxLeadMs);
    display.unsynced = in.value<UnsyncedPolicy>(
            key::Unsynced, UnsyncedPolicy::Mark, QStringLiteral("mark"),
            [](const QString &text, QString *why) {
                const auto policy = parseUnsynced(text);
                if (!policy)
                    *why = QCoreApplication::translate("mrv::DisplayFile",
                                                       "not mark, silent or ignore");
                return policy;
            });
    EncoderOptions &options = display.options;
    if (const QString sentences = in.text(key::Sentences); !sentences.isEmpty())
        options.sentences = sentences.toUpper().remove(QLatin1Char(' ')).split(QLatin1Char(','));
    if (const QString talker = in.text(key::Talker); !talker.isEmpty())
        options.talker = talker;
    if (const QString sign = in.text(key::ZoneSign); !sign.isEmpty()) {
        if (sign.compare(QLatin1String("west"), Qt::CaseInsensitive) == 0)
            options.zoneSignEast = false;
        else if (sign.compare(QLatin1String("east"), Qt::CaseInsensitive) != 0)
            in.warn(key::ZoneSign, sign,
                    QCoreApplication::translate("mrv::DisplayFile", "not east or west"),
                    QCoreApplication::translate("mrv::DisplayFile", "using east"));
    }
    options.templateText = in.text(key::Template);
    if (const QString why = checkEncoderOptions(display.format, options); !why.isEmpty()) {
        in.warn(display.format == DisplayFormat::Template ? key::Template : key::Sentences,
                display.format == DisplayFormat::Template ? options.templateText
                                                          : options.sentences.join(u','),
                why,
                QCoreApplication::translate("mrv::DisplayFile", "using the format's defaults"));
        const QString text = options.templateText;
        options = EncoderOptions();
        if (display.format == DisplayFormat::Template)
            options.templateText = text; // kept for the file; the display sends nothing
    }
}

DisplayFormat readFormat(const SectionReader &in)
{
    return in.value<DisplayFormat>(key::Format, DisplayFormat::Frame, QStringLiteral("frame"),
                                   [](const QString &text, QString *why) {
                                       const auto format = parseFormatName(text);
                                       if (!format)
                                           *why = QCoreApplication::translate(
                                                   "mrv::DisplayFile",
                                                   "not frame, nmea, standard, nena or "
                                                   "template");
                                       return format;
                                   });
}

QString lineOrDefault(const SectionReader &in, const char *name, const QString &stored,
                      DisplayFormat format)
{
    const QString fallback = QString::fromLatin1(formatInfo(format).defaultLineSettings);
    if (stored.isEmpty())
        return fallback;
    const QString why = parseLineSettings(stored).error;
    if (why.isEmpty())
        return stored;
    in.warn(name, stored, why,
            QCoreApplication::translate("mrv::DisplayFile", "using %1").arg(fallback));
    return fallback;
}

} // namespace

QString displaySection(int number)
{
    return QLatin1String(key::SectionPrefix) + QString::number(number);
}

DisplaySettings readFirstDisplay(const IniFile &file, const ProgramSettings &program,
                                 bool portNamed)
{
    const SectionReader in(file, QLatin1String(settings::Setting.section));
    DisplaySettings display;
    display.number = 1;
    display.port = portNamed ? program.commPort : QString();
    display.format = readFormat(in);
    // A file without the line settings or the interval gets the format's own; the frame's are
    // the ones the program has always used.
    const bool hasLine = !in.text(settings::Setting.key).isEmpty();
    display.lineSettings =
            hasLine || display.format == DisplayFormat::Frame
                    ? program.lineSettings
                    : QString::fromLatin1(formatInfo(display.format).defaultLineSettings);
    const bool hasInterval = !in.text(settings::SyncInt.key).isEmpty();
    display.intervalSeconds = hasInterval || display.format == DisplayFormat::Frame
                                      ? SyncSchedule::intervalForRow(program.syncIntervalRow)
                                      : formatInfo(display.format).defaultIntervalSeconds;
    readCommonKeys(in, display);
    return display;
}

QString displayLabel(int number)
{
    return QCoreApplication::translate("mrv::DisplayFile", "Display %1 [%2]")
            .arg(number)
            .arg(number == 1 ? QLatin1String(settings::Setting.section) : displaySection(number));
}

std::optional<DisplaySettings> readDisplay(const IniFile &file, int number)
{
    const SectionReader in(file, displaySection(number));
    DisplaySettings display;
    display.number = number;
    display.port = in.text(key::Port);
    if (display.port.isEmpty())
        return std::nullopt;
    if (const QString why = checkPortName(display.port); !why.isEmpty()) {
        in.warn(key::Port, display.port, why,
                QCoreApplication::translate("mrv::DisplayFile", "the display stays off"));
        return std::nullopt;
    }
    display.format = readFormat(in);
    display.lineSettings = lineOrDefault(in, key::Setting, in.text(key::Setting), display.format);
    display.intervalSeconds =
            in.number(key::Interval, formatInfo(display.format).defaultIntervalSeconds,
                      kMinIntervalSeconds, kMaxIntervalSeconds);
    readCommonKeys(in, display);
    return display;
}

QString checkDisplay(const DisplaySettings &display)
{
    if (display.number < 1 || display.number > kMaxDisplays)
        return QCoreApplication::translate("mrv::DisplayFile",
                                           "There is no display %1; displays are numbered 1 to %2.")
                .arg(display.number)
                .arg(kMaxDisplays);
    if (display.number == 1) {
        // The first display lives in keys that older versions read too: a port number and a
        // row of the interval list.
        if (!parsePortNumber(portNumberText(display.port)))
            return QCoreApplication::translate(
                    "mrv::DisplayFile",
                    "Display 1 takes a port COM1 to COM32767; a device path goes in [Ports].");
        if (!SyncSchedule::rowForInterval(display.intervalSeconds))
            return QCoreApplication::translate(
                    "mrv::DisplayFile",
                    "Display 1 sends every second, or every 1, 15, 30 or 60 minutes.");
    } else if (const QString why = checkPortName(display.port);
               !display.port.isEmpty() && !why.isEmpty()) {
        return QCoreApplication::translate("mrv::DisplayFile", "Port \"%1\": %2")
                .arg(display.port, why);
    }
    if (display.intervalSeconds < kMinIntervalSeconds
        || display.intervalSeconds > kMaxIntervalSeconds)
        return QCoreApplication::translate(
                       "mrv::DisplayFile",
                       "The interval is %1 seconds; it must be from 1 to 86400.")
                .arg(display.intervalSeconds);
    if (display.leadMs < -kMaxLeadMs || display.leadMs > kMaxLeadMs)
        return QCoreApplication::translate("mrv::DisplayFile",
                                           "The lead is %1 ms; it must be from -%2 to %2.")
                .arg(display.leadMs)
                .arg(kMaxLeadMs);
    if (const QString why = parseLineSettings(display.lineSettings).error; !why.isEmpty())
        return QCoreApplication::translate("mrv::DisplayFile", "Line settings \"%1\": %2")
                .arg(display.lineSettings, why);
    return checkEncoderOptions(display.format, display.options);
}

QList<IniFile::Entry> displayEntries(const DisplaySettings &display)
{
    QList<IniFile::Entry> entries;
    const QString section = display.number == 1 ? QLatin1String(settings::Setting.section)
                                                : displaySection(display.number);
    const auto put = [&](const char *name, const QString &value) {
        entries.append({section, QLatin1String(name), value});
    };
    if (display.number == 1) {
        put(settings::CommPort.key, portNumberText(display.port));
        put(settings::Setting.key, display.lineSettings);
        put(settings::SyncInt.key,
            QString::number(SyncSchedule::rowForInterval(display.intervalSeconds)
                                    .value_or(kEverySecondRow)));
    } else {
        put(key::Port, display.port);
        put(key::Setting, display.lineSettings);
        put(key::Interval, QString::number(display.intervalSeconds));
    }
    put(key::Format, formatName(display.format));
    put(key::Zone, zoneText(display.zone));
    put(key::LeadMs, QString::number(display.leadMs));
    put(key::Unsynced, unsyncedText(display.unsynced));
    if (display.format == DisplayFormat::Nmea) {
        put(key::Sentences, display.options.sentences.join(u','));
        put(key::Talker, display.options.talker);
        put(key::ZoneSign,
            display.options.zoneSignEast ? QStringLiteral("east") : QStringLiteral("west"));
    }
    if (display.format == DisplayFormat::Template)
        put(key::Template, display.options.templateText);
    return entries;
}

IniFile::Entry displayOffEntry(int number)
{
    return {displaySection(number), QLatin1String(key::Port), QString()};
}

} // namespace mrv
