// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "DisplayControl.h"

namespace mrv {

class SettingsStore;
class Timekeeper;

// The Displays window's view of the running program: the displays' settings from the settings
// store, which checks and saves every change, and what they do from the timekeeper.
class CoreDisplayControl final : public DisplayControl
{
    Q_OBJECT
public:
    CoreDisplayControl(SettingsStore &store, Timekeeper &keeper, QObject *parent = nullptr);

    QList<DisplaySettings> displays() const override;
    int freeDisplayNumber() const override;
    bool setDisplay(const DisplaySettings &display, QString *why) override;
    bool removeDisplay(int number, QString *why) override;
    QString defaultLineSettings(DisplayFormat format) const override;
    DisplayStatus status(int number) const override;
    QByteArray previewNext(int number) const override;
    void sendNow(int number) override;
    int displaysOn() const override;
    int displaysInStep() const override;

private:
    SettingsStore &m_store;
    Timekeeper &m_keeper;
};

} // namespace mrv
