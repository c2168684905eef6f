// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

// Where mrvl.ini lives: beside the program for a portable copy, in the user's configuration
// folder otherwise.

#include "platform/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace mrv {

namespace {

QString withOneSeparator(const QString &folder)
{
    QString clean = QDir::cleanPath(QDir::fromNativeSeparators(folder));
    if (!clean.endsWith(u'/'))
        clean += u'/';
    return clean;
}

// A folder that a package manager or an administrator installed the program into. Such a
// folder may be writable (running as root), but settings written there would be shared by all
// users and lost or clobbered on the next upgrade. A folder named bin next to our desktop entry
// is an installed tree even outside the usual prefixes, such as a package unpacked for a look.
bool isInstalledLocation(const QString &folder)
{
    const QString canonical = withOneSeparator(QFileInfo(folder).canonicalFilePath());
    for (const QString &path : {folder, canonical}) {
        if (path == u"/usr/bin/" || path == u"/usr/local/bin/" || path == u"/bin/"
            || (path.startsWith(u"/opt/") && path.size() > 5))
            return true;
    }
    return QDir(folder).dirName() == u"bin"
           && QFileInfo::exists(
                   folder
                   + QStringLiteral("../share/applications/org.mirovalent.Mirovalent.desktop"));
}

QString configHomeOr(const QString &given)
{
    const QString home = QDir::fromNativeSeparators(given);
    if (home.isEmpty() || QDir::isRelativePath(home))
        return QDir::homePath() + QStringLiteral("/.config");
    return home;
}

} // namespace

QString iniFolderFor(const QString &programFolder, const QString &configHome)
{
    if (!programFolder.isEmpty()) {
        const QString folder = withOneSeparator(programFolder);
        if (QFileInfo::exists(folder + QStringLiteral("mrvl.ini"))
            || (QFileInfo(folder).isWritable() && !isInstalledLocation(folder)))
            return folder;
    }
    return withOneSeparator(configHomeOr(configHome) + QStringLiteral("/mirovalent"));
}

QString configHome()
{
    return configHomeOr(qEnvironmentVariable("XDG_CONFIG_HOME"));
}

QString settingsFolder()
{
    return iniFolderFor(QCoreApplication::applicationDirPath(),
                        qEnvironmentVariable("XDG_CONFIG_HOME"));
}

QString defaultIniFilePath()
{
    return settingsFolder() + QStringLiteral("mrvl.ini");
}

} // namespace mrv
