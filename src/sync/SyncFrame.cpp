#include "SyncFrame.h"
