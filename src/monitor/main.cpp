// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Monitor.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mirovalent-monitor"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MIROVALENT_VERSION));
    return mrv::runMonitor(QCoreApplication::arguments());
}
