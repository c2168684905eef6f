#include "frmDate.h"
