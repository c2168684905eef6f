#include "DstDates.h"
