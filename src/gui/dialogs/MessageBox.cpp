// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "dialogs/MessageBox.h"

#include "ScreenCentre.h"

#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace mrv {

namespace {

// Paths have no blanks, so a label breaks them at a slash or a hyphen. A word joiner after each
// of those keeps a path on one line, and the label is made wide enough for the longest word, as
// far as the screen allows.
QString keepWordsWhole(QMessageBox &box, const QString &details)
{
    static const QRegularExpression breakable(QStringLiteral("([/\\-])"));
    QString joined = details;
    joined.replace(breakable, QStringLiteral("\\1") + QChar(0x2060));
    auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"));
    const QScreen *screen = box.screen();
    if (label && screen) {
        int widest = 0;
        for (const QString &word : details.split(QRegularExpression(QStringLiteral("\\s+"))))
            widest = std::max(widest, label->fontMetrics().horizontalAdvance(word));
        label->setMinimumWidth(std::min(widest + 4, screen->availableGeometry().width() * 3 / 4));
    }
    return joined;
}

} // namespace

namespace {

// A window that is not on screen yet has no place to centre the box on; the screen has.
int execCentred(QMessageBox &box, const QString &details)
{
    box.setObjectName(QStringLiteral("messageBox"));
    box.setInformativeText(details); // makes the label that keepWordsWhole widens
    box.setInformativeText(keepWordsWhole(box, details));
    if (!box.parentWidget()) {
        // Once shown, when the box has its final size.
        QTimer::singleShot(0, &box, [&box] { centreOnScreen(&box); });
    }
    return box.exec();
}

QWidget *placedParent(QWidget *parent)
{
    return parent && parent->isVisible() && !parent->isMinimized() ? parent : nullptr;
}

} // namespace

void QtMessageBoxes::exclamation(QWidget *parent, const QString &text, const QString &details)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Mirovalent"), text, QMessageBox::Ok,
                    placedParent(parent));
    box.setDefaultButton(QMessageBox::Ok);
    execCentred(box, details);
}

bool QtMessageBoxes::question(QWidget *parent, const QString &text, const QString &details)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Mirovalent"), text,
                    QMessageBox::Yes | QMessageBox::No, placedParent(parent));
    box.setDefaultButton(QMessageBox::No);
    return execCentred(box, details) == QMessageBox::Yes;
}

} // namespace mrv
