#include "SecondTicker.h"
