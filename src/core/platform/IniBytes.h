// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "platform/IniStore.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>

namespace mrv {

// Where the bytes of a settings file come from and go to. An IniFile without one uses the file
// on disk; given one, its reads and writes run entirely in it, such as in memory for tests and
// fuzzing, with the same parsing, checks and refusals.
class IniBytes
{
public:
    virtual ~IniBytes() = default;
    // The whole content; Missing when there is none yet, Failed (saying why) when it cannot
    // be had.
    virtual ini::Load load(QByteArray &data, QString *why) const = 0;
    // Replaces the whole content. False when it could not be stored.
    virtual bool save(const QByteArray &data) = 0;
};

// A settings file held in memory: no content until one is given or saved.
class IniMemory final : public IniBytes
{
public:
    IniMemory() = default;
    explicit IniMemory(QByteArray content)
        : content(std::move(content))
    { }

    ini::Load load(QByteArray &data, QString *) const override
    {
        data = content.value_or(QByteArray());
        return content ? ini::Load::Ok : ini::Load::Missing;
    }
    bool save(const QByteArray &data) override
    {
        content = data;
        return true;
    }

    std::optional<QByteArray> content;
};

} // namespace mrv
