// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "FrameReport.h"
#include "MonitorOptions.h"
#include "ReadThread.h"
#include "StreamDecoder.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <cstdio>

namespace mrv {

class ByteSource;

// Listens like a wall-clock display would: reads the line, decodes frames and time strings,
// prints each one (and each broken string) and keeps the figures for the summary.
class Monitor final : public QObject
{
    Q_OBJECT

public:
    Monitor(const MonitorOptions &options, std::FILE *out, std::FILE *err,
            QObject *parent = nullptr);

    // Opens the device or creates the pseudo-terminal and says where it listens. False, with the
    // reason, when that fails.
    bool start(QString *error);

    // Stops with `status`: prints the summary once and emits finished().
    void finish(int status);

Q_SIGNALS:
    void finished(int status);

private:
    void take(const QByteArray &bytes, const ReadStamp &stamp);
    // Prints the item and adds it to the figures; true when it decoded.
    bool report(const StreamItem &item);
    void print(std::FILE *stream, const QString &text);

    MonitorOptions m_options;
    std::FILE *m_out;
    std::FILE *m_err;
    ByteSource *m_source = nullptr;
    StreamDecoder m_decoder;
    RunFigures m_figures;
    qint64 m_decoded = 0; // frames and strings
    QTimer m_timeout;
    bool m_finished = false;
};

// The whole program: parses `arguments`, runs the event loop, returns the exit status (0 done,
// 1 timed out or the device went away, 2 unusable command line or device).
int runMonitor(const QStringList &arguments);

} // namespace mrv
