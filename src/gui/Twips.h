// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QRect>
#include <QSize>

namespace mrv {

// The windows were drawn in twips; 15 twips make one logical pixel.
constexpr int twips(int value)
{
    return value / 15;
}

constexpr QSize twipsSize(int width, int height)
{
    return QSize(twips(width), twips(height));
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

} // namespace mrv
