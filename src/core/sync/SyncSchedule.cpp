#include "SyncSchedule.h"

#include "zones/ProgramState.h"

#include <QCoreApplication>

#include <array>
#include <limits>

namespace mrv::schedule {

namespace {

constexpr std::array<qint16, 4> kIntervals {60, 900, 1800, 3600};

} // namespace

QStringList intervalTexts()
{
    return {
            QCoreApplication::translate("mrv::schedule", "1 minute"),
            QCoreApplication::translate("mrv::schedule", "15 minutes"),
            QCoreApplication::translate("mrv::schedule", "30 minutes"),
            QCoreApplication::translate("mrv::schedule", "60 minutes"),
    };
}

qint16 intervalForRow(int row)
{
    if (row < 0 || row >= int(kIntervals.size()))
        return 0;
    return kIntervals[std::size_t(row)];
}

void chooseInterval(ProgramState &state, int row)
{
    const qint16 interval = intervalForRow(row);
    if (interval > 0)
        state.SyncInterval = interval;
}

void syncNow(ProgramState &state)
{
    // The lowest interval would make this wrap to the top of the range, which is not due.
    const int previous = int(state.SyncInterval) - 1;
    state.SyncCounter = qint16(qMax(previous, int(std::numeric_limits<qint16>::min())));
}

bool tick(ProgramState &state)
{
    if (state.SyncCounter < std::numeric_limits<qint16>::max())
        ++state.SyncCounter;
    // At or past the interval, not only on it: a shorter interval picked after the count
    // passed it, or no interval chosen yet, must still bring the next frame.
    if (state.SyncCounter < state.SyncInterval)
        return false;
    state.SyncCounter = 0;
    return true;
}

} // namespace mrv::schedule
