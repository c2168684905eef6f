#include "PortMap.h"
