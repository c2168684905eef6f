// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QSerialPort>
#include <QString>

#include <optional>

namespace mrv {

// Speed and framing of the serial line, parsed from "baud,parity,data,stop" ("9600,n,8,1").
struct LineSettings
{
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    bool operator==(const LineSettings &) const = default;
};

struct LineSettingsResult
{
    std::optional<LineSettings> settings;
    QString error; // why the text is unusable, for the user; empty on success
};

// Baud a positive whole number; parity n, e, o, m, s in either case; data bits 5..8; stop bits
// 1 or 2; blanks around fields allowed. 1.5 stop bits, which a serial line here cannot do, are
// an error with a reason of their own, never a silent fallback.
LineSettingsResult parseLineSettings(const QString &text);

// Hands the settings to a port (before or after it is opened), with no flow control: the
// display never answers, so there is nothing to hold the line for. False when the port
// refuses one of them.
bool applyLineSettings(QSerialPort &port, const LineSettings &settings);

} // namespace mrv
