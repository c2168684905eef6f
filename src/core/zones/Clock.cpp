#include "Clock.h"

namespace mrv {

QDateTime SystemClock::localNow() const
{
    return QDateTime::currentDateTime();
}

} // namespace mrv
