// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "ByteSource.h"
#include "ReadThread.h"
#include "domain/LineSettings.h"

#include <QSerialPort>

namespace mrv {

// A serial device, read on a descriptor of the monitor's own. The serial port object holds the
// device's lock and sets its line; it is opened for writing only and never written, so that it
// does not read the line itself and take bytes from under the reading thread.
class SerialSource final : public ByteSource
{
    Q_OBJECT

public:
    explicit SerialSource(QObject *parent = nullptr);
    ~SerialSource() override;

    bool open(const QString &device, const LineSettings &line, QString *error);

private:
    bool deviceGone(int error) const;

    QString m_device;
    QSerialPort m_port;
    int m_fd = -1;
    ReadThread m_reader;
};

} // namespace mrv
