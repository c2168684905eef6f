// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "Desktop.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace mrv {

QIcon programIcon()
{
    // The built-in icon at every size the resources have, so that even without a theme a large
    // or high-resolution tray is not drawing an enlarged 32-pixel picture.
    QIcon builtIn;
    const QDir icons(QStringLiteral(":/icons"));
    for (const QFileInfo &file : icons.entryInfoList({QStringLiteral("mirovalent-*.png")}))
        builtIn.addFile(file.filePath());
    return QIcon::fromTheme(QLatin1String(kApplicationId), builtIn);
}

QStringList installTranslations(QCoreApplication &app, const QLocale &locale)
{
    // qtbase holds the texts of Qt's widgets and dialogs; the program's own are built in. Both
    // are looked for in the order of the locale's languages (de_AT, then de).
    const QList<QPair<QString, QString>> catalogues {
            {QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)},
            {QStringLiteral("mirovalent"), QStringLiteral(":/i18n")},
    };
    QStringList loaded;
    for (const auto &[name, folder] : catalogues) {
        auto *translator = new QTranslator(&app);
        if (translator->load(locale, name, QStringLiteral("_"), folder)
            && QCoreApplication::installTranslator(translator)) {
            loaded << translator->filePath();
        } else {
            delete translator;
        }
    }
    return loaded;
}

} // namespace mrv
