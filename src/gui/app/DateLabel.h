// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLabel>

namespace mrv {

// A date label: answers a click, and Space or Enter when it has the keyboard focus.
class DateLabel : public QLabel
{
    Q_OBJECT
public:
    explicit DateLabel(QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace mrv
