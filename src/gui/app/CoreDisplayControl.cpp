// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#include "CoreDisplayControl.h"

#include "app/SettingsStore.h"
#include "app/Timekeeper.h"
#include "domain/DisplayFormat.h"

namespace mrv {

CoreDisplayControl::CoreDisplayControl(SettingsStore &store, Timekeeper &keeper, QObject *parent)
    : DisplayControl(parent)
    , m_store(store)
    , m_keeper(keeper)
{
    connect(&store, &SettingsStore::displayChanged, this, &DisplayControl::displaysChanged);
    connect(&keeper, &Timekeeper::displaysUpdated, this, &DisplayControl::displaysUpdated);
}

QList<DisplaySettings> CoreDisplayControl::displays() const
{
    return m_store.displays();
}

int CoreDisplayControl::freeDisplayNumber() const
{
    return m_store.freeDisplayNumber();
}

bool CoreDisplayControl::setDisplay(const DisplaySettings &display, QString *why)
{
    return m_store.setDisplay(display, why);
}

bool CoreDisplayControl::removeDisplay(int number, QString *why)
{
    return m_store.removeDisplay(number, why);
}

QString CoreDisplayControl::defaultLineSettings(DisplayFormat format) const
{
    return QString::fromLatin1(formatInfo(format).defaultLineSettings);
}

DisplayStatus CoreDisplayControl::status(int number) const
{
    return m_keeper.displayStatus(number);
}

QByteArray CoreDisplayControl::previewNext(int number) const
{
    return m_keeper.previewNext(number);
}

void CoreDisplayControl::sendNow(int number)
{
    m_keeper.sendNow(number);
}

int CoreDisplayControl::displaysOn() const
{
    return m_keeper.displaysOn();
}

int CoreDisplayControl::displaysInStep() const
{
    return m_keeper.displaysInStep();
}

} // namespace mrv
