// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

class QWidget;

namespace mrv {

// The program's modal boxes go through this seam so tests can answer them.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    // A modal box titled with the application title, with the exclamation icon and one OK
    // button: `text` is the short message, `details` the device and the reason.
    virtual void exclamation(QWidget *parent, const QString &text, const QString &details) = 0;
};

class QtMessageBoxes final : public MessageBoxes
{
public:
    void exclamation(QWidget *parent, const QString &text, const QString &details) override;
};

} // namespace mrv
