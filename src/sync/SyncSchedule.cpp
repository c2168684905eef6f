#include "SyncSchedule.h"
