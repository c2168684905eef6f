#include "ClockTick.h"
