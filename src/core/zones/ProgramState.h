#pragma once

#include <QDateTime>
#include <QString>

#include <array>

namespace mrv {

// The state the handlers of the main window share for the whole run. It starts zeroed; the
// main window owns the one instance. Zone choices, daylight-saving boxes and dates are not
// here: the controls themselves are the live settings.
struct ProgramState
{
    QString CommPortNumber; // port number as decimal text, as stored in the settings file
    QString CommSettings; // line settings text, as read from the settings file
    QDateTime GMTTime; // GMT of the latest clock tick
    std::array<quint8, 4> ZoneCode {}; // zone codes of the latest clock tick, slots 1..4
    QDateTime DSTStart; // daylight-saving window last tested by the clock tick
    QDateTime DSTEnd;
    qint16 DSTLabelNumber = 0; // date label the date dialog edits: element index + 1
};

} // namespace mrv
