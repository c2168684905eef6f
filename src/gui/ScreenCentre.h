// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QRect>
#include <QScreen>
#include <QWidget>

namespace mrv {

// Moves a top-level window so that its frame sits in the middle of its screen's free area (the
// part no panel covers). Does nothing before the window has a screen.
inline void centreOnScreen(QWidget *window)
{
    if (const QScreen *screen = window->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

} // namespace mrv
