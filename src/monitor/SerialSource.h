// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ByteSource.h"
#include "sync/LineSettings.h"

#include <QSerialPort>

namespace mrv {

class Clock;

// A serial device, opened for reading only.
class SerialSource final : public ByteSource
{
    Q_OBJECT

public:
    explicit SerialSource(const Clock &clock, QObject *parent = nullptr);

    bool open(const QString &device, const LineSettings &line, QString *error);

private:
    const Clock &m_clock;
    QString m_device;
    QSerialPort m_port;
};

} // namespace mrv
