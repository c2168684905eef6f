#pragma once

#include <QStringList>

namespace mrv {

struct ProgramState;

// The sync interval list and the count of sync ticks, kept in the shared state.
namespace schedule {

// The texts of the interval list, rows 0..3.
QStringList intervalTexts();
// Sync ticks for a list row (60, 900, 1800, 3600); 0 for a row outside the list.
qint16 intervalForRow(int row);

// The user picked a row: sets SyncInterval from it; a row outside the list leaves it as it is.
// The count is not touched.
void chooseInterval(ProgramState &state, int row);
// "Sync Now" (and a successful start-up): the next tick is due.
void syncNow(ProgramState &state);
// One sync tick: counts, and returns true when a frame falls due (the count reached or passed
// the interval), restarting the count. Never runs past the 16-bit range.
bool tick(ProgramState &state);

} // namespace schedule
} // namespace mrv
