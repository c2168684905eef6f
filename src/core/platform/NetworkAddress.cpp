// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "platform/NetworkAddress.h"

#include <QCoreApplication>
#include <QUrl>

namespace mrv {

namespace { } // namespace

NetworkAddressResult parseNetworkAddress(const QString &name)
{
    const QString text = name.trimmed();
    const qsizetype separator = text.indexOf(QLatin1String("://"));
    const QString scheme = text.left(separator).toLower();
    NetworkAddress address;
    address.text = text;
    if (scheme == QLatin1String("tcp"))
        address.protocol = NetworkAddress::Protocol::Raw;
    else if (scheme == QLatin1String("rfc2217"))
        address.protocol = NetworkAddress::Protocol::Rfc2217;
    else
        return {std::nullopt,
                QCoreApplication::translate("mrv::NetworkAddress",
                                            "not COM1 to COM32767, a device path, tcp://HOST:PORT "
                                            "or rfc2217://HOST:PORT")};

    const QString form =
            QCoreApplication::translate("mrv::NetworkAddress",
                                        "use %1://HOST:PORT, with an IPv6 address in brackets")
                    .arg(scheme);
    const QUrl url(text, QUrl::StrictMode);
    // Anything beyond host and port (a user, a path, a query) would be silently ignored.
    if (!url.isValid() || url.host().isEmpty() || !url.userInfo().isEmpty() || !url.path().isEmpty()
        || url.hasQuery() || url.hasFragment())
        return {std::nullopt, QCoreApplication::translate("mrv::NetworkAddress",
                                                          "“%1” is not a network address: %2")
                                      .arg(text, form)};
    if (url.port() < 1 || url.port() > 65535)
        return {std::nullopt, QCoreApplication::translate("mrv::NetworkAddress",
                                                          "“%1” has no port 1 to 65535: %2")
                                      .arg(text, form)};
    address.host = url.host();
    address.port = quint16(url.port());
    return {address, QString()};
}

} // namespace mrv
