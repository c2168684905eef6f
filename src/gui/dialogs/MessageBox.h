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
    // A modal box with the question icon and Yes and No, No the default: true for Yes.
    virtual bool question(QWidget *parent, const QString &text, const QString &details)
    {
        Q_UNUSED(parent)
        Q_UNUSED(text)
        Q_UNUSED(details)
        return false;
    }
};

class QtMessageBoxes final : public MessageBoxes
{
public:
    void exclamation(QWidget *parent, const QString &text, const QString &details) override;
    bool question(QWidget *parent, const QString &text, const QString &details) override;
};

} // namespace mrv
