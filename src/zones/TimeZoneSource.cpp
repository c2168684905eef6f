#include "TimeZoneSource.h"
