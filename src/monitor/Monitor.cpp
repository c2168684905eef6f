// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Monitor.h"

#include "PtySource.h"
#include "SerialSource.h"
#include "StringReport.h"
#include "platform/SignalPipe.h"

#include <QCoreApplication>

#include <csignal>
#include <cstring>
#include <utility>

namespace mrv {

namespace {

QString errorLine(const QString &reason)
{
    return QStringLiteral("%1: %2\n").arg(QCoreApplication::applicationName(), reason);
}

} // namespace

Monitor::Monitor(const MonitorOptions &options, std::FILE *out, std::FILE *err, QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_out(out)
    , m_err(err)
    , m_decoder(options.format, options.line.dataBits < QSerialPort::Data8)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        const double seconds = double(m_options.timeoutMs) / 1000.0;
        print(m_err, errorLine(m_options.format == InputFormat::Frame
                                       ? tr("no frame for %1 s").arg(seconds)
                                       : tr("nothing decoded for %1 s").arg(seconds)));
        finish(1);
    });
}

bool Monitor::start(QString *error)
{
    QString where;
    if (m_options.pty) {
        auto *pty = new PtySource(this);
        m_source = pty;
        if (!pty->open(error))
            return false;
        if (!m_options.link.isEmpty() && !pty->linkTo(m_options.link, error))
            return false;
        where = m_options.link.isEmpty()
                        ? pty->slavePath()
                        : tr("%1 (linked from %2)").arg(pty->slavePath(), m_options.link);
    } else {
        auto *serial = new SerialSource(this);
        m_source = serial;
        if (!serial->open(m_options.device, m_options.line, error))
            return false;
        where = tr("%1 (%2)").arg(m_options.device, m_options.settingsText);
    }
    connect(m_source, &ByteSource::bytesArrived, this, &Monitor::take);
    // Frames stop coming: the run ends as one without frames does.
    connect(m_source, &ByteSource::failed, this, [this](const QString &reason) {
        print(m_err, errorLine(reason));
        finish(1);
    });
    // Said on the error stream so that standard output carries nothing but frames.
    print(m_err, tr("listening on %1\n").arg(where));
    if (m_options.timeoutMs > 0)
        m_timeout.start(int(m_options.timeoutMs));
    return true;
}

void Monitor::take(const QByteArray &bytes, const ReadStamp &stamp)
{
    if (m_finished)
        return;
    m_figures.readDelaysUs.add(stamp.delayUs);
    bool decoded = false;
    for (const StreamItem &item : m_decoder.feed(bytes, stamp)) {
        decoded = report(item) || decoded;
        if (m_options.count > 0 && m_decoded >= m_options.count) {
            finish(0);
            return;
        }
    }
    if (decoded && m_options.timeoutMs > 0)
        m_timeout.start(int(m_options.timeoutMs));
}

bool Monitor::report(const StreamItem &item)
{
    if (item.isFrame) {
        // A frame split over reads arrived with the read that completed it: only then has the
        // display all of it.
        const FrameArrival a = frameArrival(item.frame, item.stamp.arrivalUs, item.stamp.delayUs);
        m_figures.offsetsUs.add(a.offsetUs);
        m_figures.wrongDaylightFrames += a.disagreeing().isEmpty() ? 0 : 1;
        print(m_out, m_options.json ? frameJson(a) + QLatin1Char('\n') : frameText(a));
        ++m_decoded;
        return true;
    }
    const StringArrival a = stringArrival(item);
    print(m_out, m_options.json ? stringJson(a) + QLatin1Char('\n') : stringText(a));
    if (!a.string.ok())
        return false;
    // The rest of a second's NMEA group marks no second: its lateness says nothing.
    if (a.onTime)
        m_figures.offsetsUs.add(a.offsetUs);
    ++m_decoded;
    return true;
}

void Monitor::finish(int status)
{
    if (m_finished)
        return;
    m_finished = true;
    m_timeout.stop();
    m_figures.frames = m_decoder.frames();
    m_figures.errors = m_decoder.errors();
    m_figures.discardedBytes = m_decoder.discardedBytes();
    for (const auto &[format, listened] :
         {std::pair {StringFormat::Nmea, InputFormat::Nmea},
          std::pair {StringFormat::Standard, InputFormat::Standard},
          std::pair {StringFormat::Nena, InputFormat::Nena}}) {
        if (m_options.format == InputFormat::Auto || m_options.format == listened)
            m_figures.stringCounts.append({stringFormatName(format), m_decoder.strings(format)});
    }
    print(m_err, summaryText(m_figures) + QLatin1Char('\n'));
    Q_EMIT finished(status);
}

void Monitor::print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

int runMonitor(const QStringList &arguments)
{
    const ParsedOptions parsed = parseMonitorOptions(arguments);
    switch (parsed.action) {
    case ParsedOptions::Action::Help:
    case ParsedOptions::Action::Version:
        std::fputs(qPrintable(parsed.text + QLatin1Char('\n')), stdout);
        return 0;
    case ParsedOptions::Action::Error:
        std::fputs(qPrintable(errorLine(parsed.text)), stderr);
        return 2;
    case ParsedOptions::Action::Run:
        break;
    }

    Monitor monitor(parsed.options, stdout, stderr);
    QObject::connect(&monitor, &Monitor::finished, qApp, &QCoreApplication::exit,
                     Qt::QueuedConnection);

    SignalPipe signalPipe;
    if (!signalPipe.watch({SIGINT, SIGTERM, SIGHUP})) {
        std::fputs(qPrintable(errorLine(
                           QCoreApplication::translate("monitor", "cannot watch signals: %1")
                                   .arg(QString::fromLocal8Bit(std::strerror(errno))))),
                   stderr);
        return 2;
    }
    // Being told to stop is a normal end; the summary still comes.
    QObject::connect(&signalPipe, &SignalPipe::caught, &monitor, [&monitor] { monitor.finish(0); });

    QString error;
    if (!monitor.start(&error)) {
        std::fputs(qPrintable(errorLine(error)), stderr);
        return 2;
    }
    return QCoreApplication::exec();
}

} // namespace mrv
