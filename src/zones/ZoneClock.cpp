#include "ZoneClock.h"
