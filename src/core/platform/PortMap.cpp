// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/PortMap.h"

#include "platform/IniFile.h"
#include "platform/NetworkAddress.h"

#include <QCoreApplication>

#include <limits>

namespace mrv {

namespace {
// Read only: COMn=device.
constexpr auto kPortsSection = QLatin1String("Ports");

// A serial device server's address, or something meant as one.
bool isNetworkName(const QString &text)
{
    return text.contains(QLatin1String("://"));
}
} // namespace

std::optional<int> parsePortNumber(const QString &text)
{
    bool ok = false;
    const int number = text.trimmed().toInt(&ok);
    if (!ok || number <= 0 || number > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return number;
}

PortDevice deviceForPort(const QString &commPortNumber, const IniFile &file)
{
    const std::optional<int> number = parsePortNumber(commPortNumber);
    if (!number) {
        return {QString(), QCoreApplication::translate("mrv::PortMap", "“%1” is not a port number")
                                   .arg(commPortNumber)};
    }

    const QString name = QStringLiteral("COM%1").arg(*number);
    const QString configured = file.read(kPortsSection, name);
    if (!configured.trimmed().isEmpty())
        return {configured.trimmed(), QString()};
    return {QStringLiteral("/dev/ttyS%1").arg(*number - 1), QString()};
}

QString portNumberText(const QString &port)
{
    const QString text = port.trimmed();
    if (text.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return text.mid(3);
    return text;
}

QString checkPortName(const QString &port)
{
    const QString text = port.trimmed();
    if (text.startsWith(u'/'))
        return QString();
    if (isNetworkName(text))
        return parseNetworkAddress(text).error;
    if (parsePortNumber(portNumberText(text)))
        return QString();
    return QCoreApplication::translate(
            "mrv::PortMap",
            "not COM1 to COM32767, a device path, tcp://HOST:PORT or rfc2217://HOST:PORT");
}

PortDevice deviceForPortName(const QString &port, const IniFile &file)
{
    const QString text = port.trimmed();
    if (text.startsWith(u'/') || isNetworkName(text))
        return {text, QString()};
    return deviceForPort(portNumberText(text), file);
}

} // namespace mrv
