// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QStringList>

class QCoreApplication;
class QIcon;
class QLocale;

namespace mrv {

// The program's name on the desktop: its desktop file, its icon in the icon theme, its autostart
// entry and, on Wayland, the application id the compositor matches the window with.
inline constexpr char kApplicationId[] = "org.mirovalent.Mirovalent";

// The program's icon from the desktop's icon theme, drawn at every size the theme has (sharp in
// a tray on a high-resolution screen); the built-in one where the theme lacks it.
QIcon programIcon();

// Qt's own texts (standard buttons, the calendar, message boxes) and the program's texts in the
// language of `locale`, as far as translations for it exist. Returns the files loaded.
QStringList installTranslations(QCoreApplication &app, const QLocale &locale);

} // namespace mrv
