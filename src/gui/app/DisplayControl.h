// SPDX-FileCopyrightText: 2026 The Mirovalent authors
//
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "app/Display.h"
#include "domain/DisplaySettings.h"

#include <QByteArray>
#include <QList>
#include <QObject>

namespace mrv {

// What the Displays window needs of the program: the displays' settings, changed only through
// the settings store (which checks and saves them), and what each display is doing, from the
// timekeeper. The program binds it to those two (CoreDisplayControl); tests put a stand-in
// here.
class DisplayControl : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The displays that are on, display 1 first.
    virtual QList<DisplaySettings> displays() const = 0;
    // The lowest number a new display can take; 0 when all are in use.
    virtual int freeDisplayNumber() const = 0;
    // Adds or changes one display and saves it at once; false with a reason naming the setting.
    virtual bool setDisplay(const DisplaySettings &display, QString *why) = 0;
    // Switches display 2..8 off and saves that at once; false with the reason.
    virtual bool removeDisplay(int number, QString *why) = 0;
    // The line settings a format's displays use unless told otherwise.
    virtual QString defaultLineSettings(DisplayFormat format) const = 0;

    virtual DisplayStatus status(int number) const = 0;
    // The string the display would get next.
    virtual QByteArray previewNext(int number) const = 0;
    virtual void sendNow(int number) = 0;
    // For the tray's tip: the displays that are on, and those of them whose latest string went
    // out as planned.
    virtual int displaysOn() const = 0;
    virtual int displaysInStep() const = 0;

Q_SIGNALS:
    // A display was added, changed or removed.
    void displaysChanged();
    // A tick sent something or changed a display's state.
    void displaysUpdated();
};

} // namespace mrv
