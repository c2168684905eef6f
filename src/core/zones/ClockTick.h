#pragma once

#include <QLocale>
#include <QString>
#include <QTime>

#include <array>

namespace mrv {

struct ProgramState;
class ZoneClock;

// States of an Observe DST box, numbered as the settings file stores them. Note that
// Qt::CheckState numbers them differently (Qt::Checked is 2): convert at the widget.
inline constexpr int kDstCleared = 0;
inline constexpr int kDstTicked = 1;
inline constexpr int kDstGreyed = 2; // counts as cleared

// What the clock tick reads from one zone panel's controls.
struct SlotInput
{
    int row = -1; // selected row of the zone list, -1 for none
    int checkState = kDstCleared; // Observe DST box: kDstCleared, kDstTicked or kDstGreyed
    QString startText; // start-date label text, "dd MMM yyyy" in the locale
    QString endText; // end-date label text
};

// What the clock tick shows in one zone panel.
struct SlotOutput
{
    QTime shown; // time of day for the clock label
    quint8 code = 0; // zone code sent to the display
    bool daylight = false; // daylight saving was applied
};

struct TickOutput
{
    QTime gmtShown;
    std::array<SlotOutput, 4> slots;
};

// One clock tick: computes GMT and the four zone times, writes GMTTime, the zone codes and the
// last tested daylight-saving window into the state, and returns what the labels show.
// A slot with no row shows GMT with the London code; a ticked slot whose labels do not read as
// dates counts as outside its window.
TickOutput updateClocks(const ZoneClock &clock, ProgramState &state,
                        const std::array<SlotInput, 4> &inputs, const QLocale &locale);

// "HH:MM:SS" with the locale's time separator.
QString formatClock(const QTime &time, const QLocale &locale);

} // namespace mrv
